// A preview that already is its thumbnail (8-bit RGB or RGBA, not interlaced, no gamma to
// apply, no larger than asked) goes into the cache as its own image data with the cache's
// texts; everything else is encoded from the pixels. Either way the cache file shows, in
// Qt's reader, exactly the pixels the viewer shows.
#include "tests/common/TempDir.h"
#include "tests/png/PngTestSupport.h"
#include "tests/thumbs/ThumbsTestSupport.h"
#include "thumbs/FileUri.h"
#include "thumbs/ThumbnailCache.h"
#include "thumbs/ThumbnailPng.h"

#include <cstring>

#include <QImage>

#include <gtest/gtest.h>

namespace {

using namespace thumbs;

struct TChunkRecord {
    std::string Type;
    TBytes Data;
};

std::vector<TChunkRecord> ChunksOf(const TBytes& png) {
    std::vector<TChunkRecord> chunks;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                                   std::size_t{png[at + 2]} << 8 | png[at + 3];
        chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                          TBytes(png.begin() + at + 8, png.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return chunks;
}

// The image data of a stream, its IDAT chunks' contents joined.
TBytes ImageData(const TBytes& png) {
    TBytes data;
    for (const TChunkRecord& chunk : ChunksOf(png))
        if (chunk.Type == "IDAT")
            data.insert(data.end(), chunk.Data.begin(), chunk.Data.end());
    return data;
}

std::vector<std::string> TypesOf(const TBytes& png) {
    std::vector<std::string> types;
    for (const TChunkRecord& chunk : ChunksOf(png))
        types.push_back(chunk.Type);
    return types;
}

TBytes Gama(std::uint32_t value) {
    return Chunk("gAMA", BigEndian32(value));
}

// Rows of a 5 x 3 image with `channels` 8-bit samples a pixel, each row led by filter 0.
TBytes Rows(int channels) {
    TBytes rows;
    for (int y = 0; y < 3; ++y) {
        rows.push_back(0);
        for (int x = 0; x < 5 * channels; ++x)
            rows.push_back(
                static_cast<std::uint8_t>(40 * y + 17 * x + (x % channels == 3 ? 90 : 0)));
    }
    return rows;
}

TBytes FromString(const std::string& s) {
    return TBytes(s.begin(), s.end());
}

TEST(StoredPreview, APreviewInThumbnailFormIsStoredAsItIsAndEveryOtherIsEncoded) {
    const TBytes rgba = SimplePng(Ihdr(5, 3, 8, 6), Rows(4),
                                  Gama(45455) + Chunk("tIME", Bytes({7, 234, 1, 2, 3, 4, 5})));
    struct TCase {
        const char* Name;
        TBytes Preview;
        int Size;
        bool Stored;
    } const cases[] = {
        {"RGBA, sRGB's gamma, which changes no sample", rgba, 256, true},
        {"RGB", SimplePng(Ihdr(5, 3, 8, 2), Rows(3)), 256, true},
        {"RGB fixture with two IDATs", FromString(ReadAll(ThumbsFixture("preview-rgb8.png"))), 256,
         true},
        {"larger than asked: scaled", rgba, 4, false},
        {"a gamma that changes samples", SimplePng(Ihdr(5, 3, 8, 6), Rows(4), Gama(100000)), 256,
         false},
        {"RGB with a transparent colour",
         SimplePng(Ihdr(5, 3, 8, 2), Rows(3), Chunk("tRNS", Bytes({0, 17, 0, 34, 0, 51}))), 256,
         false},
        {"interlaced", FromString(ReadAll(ThumbsFixture("preview-rgba8-i.png"))), 256, false},
        {"16-bit", FromString(ReadAll(ThumbsFixture("preview-rgba16.png"))), 256, false},
        {"palette", FromString(ReadAll(ThumbsFixture("preview-palette8.png"))), 256, false},
        {"grey and alpha", FromString(ReadAll(ThumbsFixture("preview-greyalpha8.png"))), 256,
         false},
    };
    TempDir dir;
    const TThumbnailCache cache(dir.File("thumbnails"), "jibview", "1.0");
    const TFileStamp stamp{1'700'000'000, 1234};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string jib = dir.Write(
            "preview.jib", JibWithPreview(std::string(c.Preview.begin(), c.Preview.end())));
        TThumbnailRequest request;
        request.Size = c.Size;
        const TThumbnail made = MakeThumbnail(jib, request);
        ASSERT_TRUE(made.Ok()) << made.Detail;
        EXPECT_EQ(!made.StoredPng.empty(), c.Stored);
        ASSERT_TRUE(cache.Store(jib, stamp, c.Size, made));

        const TBytes stored =
            FromString(ReadAll(cache.Root() + "/" + TThumbnailCache::FolderFor(c.Size) + "/" +
                               TThumbnailCache::FileNameOf(FileUriOf(jib))));
        EXPECT_EQ(ImageData(stored) == ImageData(c.Preview), c.Stored);
        if (c.Stored) {
            // The header, the cache's texts, the preview's image data: its own ancillary
            // chunks (gamma, time, texts) are not carried over.
            std::vector<std::string> expected = {"IHDR"};
            expected.resize(1 + 6, "tEXt");
            for (std::size_t i = 0; i < TypesOf(c.Preview).size(); ++i)
                if (TypesOf(c.Preview)[i] == "IDAT")
                    expected.push_back("IDAT");
            expected.push_back("IEND");
            EXPECT_EQ(TypesOf(stored), expected);
        }
        TPngTexts texts;
        ASSERT_TRUE(ReadPngTexts(stored, texts));
        ASSERT_GE(texts.size(), 3u);
        EXPECT_EQ(texts[0].first, "Thumb::URI");
        EXPECT_EQ(texts[1], (std::pair<std::string, std::string>{"Thumb::MTime", "1700000000"}));

        QImage read;
        ASSERT_TRUE(read.loadFromData(stored.data(), static_cast<int>(stored.size()), "PNG"));
        read = read.convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(read.size(), QSize(made.Image.Width, made.Image.Height));
        for (int y = 0; y < read.height(); ++y)
            ASSERT_EQ(std::memcmp(read.constScanLine(y), made.Image.Pixel(0, y),
                                  static_cast<std::size_t>(read.width()) * 4),
                      0)
                << "row " << y;
        TRgbaImage found;
        EXPECT_EQ(cache.Find(jib, stamp, c.Size, &found), TCacheState::csThumbnail);
        EXPECT_EQ(found.Pixels, made.Image.Pixels);
    }
}

TEST(StoredPreview, OnlyASoundHeaderImageDataAndEndAreRetagged) {
    const TBytes rows = Deflate(Rows(4));
    const TBytes half1(rows.begin(), rows.begin() + rows.size() / 2);
    const TBytes half2(rows.begin() + rows.size() / 2, rows.end());
    const TBytes head = kSignature + Ihdr(5, 3, 8, 6);
    const TPngTexts texts = {{"Thumb::URI", "file:///a.jib"}};

    const TBytes sound = head + Gama(45455) + Chunk("IDAT", half1) + Chunk("IDAT", half2) +
                         Chunk("tEXt", Bytes(std::string("Comment\0x", 9))) + Iend();
    const TBytes retagged = RetagPng(sound, texts);
    EXPECT_EQ(TypesOf(retagged),
              (std::vector<std::string>{"IHDR", "tEXt", "IDAT", "IDAT", "IEND"}));
    EXPECT_EQ(ChunksOf(retagged)[1].Data, Bytes(std::string("Thumb::URI\0file:///a.jib", 24)));
    EXPECT_EQ(ImageData(retagged), rows);
    EXPECT_EQ(DecodePng(std::string(retagged.begin(), retagged.end())).Pixels,
              DecodePng(std::string(sound.begin(), sound.end())).Pixels);

    const struct {
        const char* Name;
        TBytes Png;
    } refused[] = {
        {"an ancillary chunk's CRC",
         head + Chunk("tIME", Bytes({7, 234, 1, 2, 3, 4, 5}), 1) + Chunk("IDAT", rows) + Iend()},
        {"the image data's CRC", head + Chunk("IDAT", rows, 1) + Iend()},
        {"a transparency chunk",
         head + Chunk("tRNS", Bytes({0, 1})) + Chunk("IDAT", rows) + Iend()},
        {"a suggested palette",
         head + Chunk("PLTE", Bytes({1, 2, 3})) + Chunk("IDAT", rows) + Iend()},
        {"image data broken up",
         head + Chunk("IDAT", half1) + Gama(45455) + Chunk("IDAT", half2) + Iend()},
        {"no end", head + Chunk("IDAT", rows)},
        {"no image data", head + Iend()},
        {"cut short", TBytes(sound.begin(), sound.end() - 5)},
        {"the header not first",
         kSignature + Gama(45455) + Ihdr(5, 3, 8, 6) + Chunk("IDAT", rows) + Iend()},
    };
    for (const auto& r : refused)
        EXPECT_TRUE(RetagPng(r.Png, texts).empty()) << r.Name;
}

} // namespace
