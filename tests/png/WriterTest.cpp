// Writing a decoded image back: what is read again must be what was written, and the
// filter set decides the filter type of every row.
#include "png/pngrows.h"
#include "tests/common/TempDir.h"
#include "tests/png/PngTestSupport.h"

#include <filesystem>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

TBytes Saved(TPngGraphic& png) {
    TMemoryStream out;
    png.SaveToStream(out);
    return out.Bytes();
}

struct TChunkView {
    std::string Type;
    TBytes Data;
};

// Splits a stream into its chunks (the tests' own reader, independent of the decoder).
std::vector<TChunkView> ChunksOf(const TBytes& file) {
    std::vector<TChunkView> chunks;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::size_t length =
            std::size_t{file[at]} << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        chunks.push_back({std::string(file.begin() + at + 4, file.begin() + at + 8),
                          TBytes(file.begin() + at + 8, file.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return chunks;
}

TBytes InflatedImageData(const TBytes& file) {
    TBytes z;
    for (const TChunkView& c : ChunksOf(file))
        if (c.Type == "IDAT")
            z = z + c.Data;
    TBytes raw(1 << 20);
    uLongf size = raw.size();
    EXPECT_EQ(uncompress(raw.data(), &size, z.data(), z.size()), Z_OK);
    raw.resize(size);
    return raw;
}

// The filter type byte of every row of a progressive image.
std::vector<int> FilterTypes(const TBytes& file, std::size_t rowBytes) {
    const TBytes raw = InflatedImageData(file);
    std::vector<int> types;
    for (std::size_t at = 0; at < raw.size(); at += rowBytes + 1)
        types.push_back(raw[at]);
    return types;
}

} // namespace

TEST(Writer, EveryFixtureReadsBackAsItWasDecoded) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FixturePath(""))) {
        if (entry.path().extension() != ".png")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        TPngGraphic first, second;
        LoadBytes(first, ReadFileBytes(entry.path()));
        const int interlace = first.InterlaceMethod();
        LoadBytes(second, Saved(first));
        EXPECT_EQ(second.InterlaceMethod(), interlace);
        EXPECT_EQ(DecodedRgba(second), DecodedRgba(first));
        EXPECT_EQ(second.Header().BitmapInfo().bmiColors, first.Header().BitmapInfo().bmiColors);
        EXPECT_EQ(second.Chunks().Count(), first.Chunks().Count());
        ++files;
    }
    EXPECT_EQ(files, 36);
}

TEST(Writer, SixteenBitSamplesAreWrittenAtFullRange) {
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(2, 1, 16, 0), Bytes({0, 0xFF, 0xFF, 0x12, 0x34})));
    png.SetFilters({});
    const TBytes raw = InflatedImageData(Saved(png));
    EXPECT_EQ(TBytes(raw.begin() + 1, raw.end()), Bytes({0xFF, 0xFF, 0x12, 0x12}))
        << "white stays white; 0x12 becomes 0x1212";
}

TEST(Writer, TheFilterSetChoosesEachRowsFilter) {
    TPngGraphic png;
    LoadBytes(png, ReadFileBytes(FixturePath("pattern-c2-d8.png")));
    const std::size_t rowBytes = png::RowBytes(2, 8, png.Width());
    const std::vector<int> allSub(png.Height(), 1);
    EXPECT_EQ(FilterTypes(Saved(png), rowBytes), allSub) << "the default set is {Sub}";

    png.SetFilters({});
    EXPECT_EQ(FilterTypes(Saved(png), rowBytes), std::vector<int>(png.Height(), 0));
    png.SetFilters({png::pfPaeth});
    EXPECT_EQ(FilterTypes(Saved(png), rowBytes), std::vector<int>(png.Height(), 4));

    // With a choice, rows differ in what suits them; whatever is chosen reads back.
    png.SetFilters({png::pfNone, png::pfSub, png::pfUp, png::pfAverage, png::pfPaeth});
    const TBytes mixed = Saved(png);
    for (int type : FilterTypes(mixed, rowBytes))
        EXPECT_LE(type, 4);
    TPngGraphic again;
    LoadBytes(again, mixed);
    EXPECT_EQ(DecodedRgba(again), DecodedRgba(png));
}

TEST(Writer, LongImageDataIsCutIntoFullSizeChunks) {
    // 200 x 200 RGB stored without compression: 120,200 bytes of rows.
    TBytes rows;
    for (int y = 0; y < 200; ++y) {
        rows.push_back(0);
        for (int x = 0; x < 600; ++x)
            rows.push_back(static_cast<std::uint8_t>(x * y));
    }
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(200, 200, 8, 2), rows));
    png.SetCompressionLevel(0);
    png.SetFilters({});
    std::vector<std::size_t> sizes;
    for (const TChunkView& c : ChunksOf(Saved(png)))
        if (c.Type == "IDAT")
            sizes.push_back(c.Data.size());
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0], 65535u);
    EXPECT_GT(sizes[1], 120200u - 65535u);
}

TEST(Writer, ACopyOfAGammaCorrectedImageSavesLikeTheOriginal) {
    TPngGraphic original;
    LoadBytes(original, ReadFileBytes(FixturePath("pattern-c2-d8.png")));
    TMemoryStream plain;
    original.SaveToStream(plain);
    // The same image with gamma 1.0: its pixels are brightened as they are decoded.
    TBytes withGamma = plain.Bytes();
    const TBytes gama = Chunk("gAMA", BigEndian32(100000));
    withGamma.insert(withGamma.begin() + 8 + 25, gama.begin(), gama.end());
    LoadBytes(original, withGamma);
    TPngGraphic copy;
    copy.Assign(original);
    EXPECT_EQ(Saved(copy), Saved(original));
    TPngGraphic reread;
    LoadBytes(reread, Saved(copy));
    EXPECT_EQ(DecodedRgba(reread), DecodedRgba(original));
}

TEST(Writer, FilesAndForeignGraphics) {
    TempDir dir;
    TPngGraphic png;
    png.LoadFromFile(FixturePath("pattern-c3-d4-i.png"));
    png.SaveToFile(dir.File("copy.png"));
    TPngGraphic again;
    again.LoadFromFile(dir.File("copy.png"));
    EXPECT_EQ(DecodedRgba(again), DecodedRgba(png));
    EXPECT_THROW(again.LoadFromFile(dir.File("absent.png")), EFOpenError);

    // A graphic of another kind, which a PNG object can't take over.
    TStubGraphic other("TOtherGraphic");
    try {
        png.Assign(other);
        ADD_FAILURE() << "assigned";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TOtherGraphic to a TPngGraphic");
    }
    EXPECT_THROW(other.Assign(png), EConvertError);
}
