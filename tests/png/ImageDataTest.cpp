// The image data: every colour type and depth, progressive and interlaced, against the
// pattern the fixtures were written with and against ImageMagick's own decoding; the
// filters; and what stays of an image whose data breaks off.
#include "png/pngfilter.h"
#include "png/pngmessages.h"
#include "png/pngrows.h"
#include "tests/png/PngTestSupport.h"

#include <cstring>
#include <fstream>
#include <map>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

constexpr int kPatternWidth = 37;
constexpr int kPatternHeight = 19;

unsigned PaletteRed(unsigned i) {
    return (i * 53) & 255;
}
unsigned PaletteGreen(unsigned i) {
    return (i * 97 + 11) & 255;
}
unsigned PaletteBlue(unsigned i) {
    return (i * 151 + 29) & 255;
}

// What the decoder must show for the fixture pattern: samples reduced to 8 bits by their
// high byte, low greyscale depths spread over the full range by the grey ramp, palette
// indexes through the fixtures' palette.
TBytes ExpectedPattern(int colour, int depth) {
    TBytes out;
    const auto high = [depth](unsigned v) {
        return std::uint8_t(depth == 16 ? v >> 8 : v);
    };
    for (unsigned y = 0; y < kPatternHeight; ++y)
        for (unsigned x = 0; x < kPatternWidth; ++x) {
            const auto s = [&](unsigned c) {
                return Pattern(x, y, c, depth);
            };
            switch (colour) {
            case 0: {
                const std::uint8_t g =
                    depth >= 8 ? high(s(0)) : std::uint8_t(s(0) * 255 / ((1u << depth) - 1));
                out.insert(out.end(), {g, g, g, 255});
                break;
            }
            case 3:
                out.insert(out.end(),
                           {std::uint8_t(PaletteRed(s(0))), std::uint8_t(PaletteGreen(s(0))),
                            std::uint8_t(PaletteBlue(s(0))), 255});
                break;
            case 4:
                out.insert(out.end(), {high(s(0)), high(s(0)), high(s(0)), high(s(1))});
                break;
            default:
                out.insert(out.end(), {high(s(0)), high(s(1)), high(s(2)),
                                       colour == 6 ? high(s(3)) : std::uint8_t(255)});
            }
        }
    return out;
}

// A 24-bit bitmap pixel as BitmapValue answers it: blue in the lowest byte.
std::uint32_t Bgr(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return b | g << 8 | r << 16;
}

TBytes BitmapBytes(const TPngGraphic& png) {
    const TChunkIHDR& h = png.Header();
    return TBytes(h.ImageData(), h.ImageData() + h.BytesPerRow() * h.Height());
}

TBytes AlphaBytes(const TPngGraphic& png) {
    const TChunkIHDR& h = png.Header();
    return h.ImageAlpha() ? TBytes(h.ImageAlpha(), h.ImageAlpha() + h.Width() * h.Height())
                          : TBytes{};
}

// Pixels of a row of an 8-bit greyscale image, as colour-table indexes.
std::vector<int> GreyRow(const TPngGraphic& png, int y) {
    std::vector<int> row;
    for (int x = 0; x < png.Width(); ++x)
        row.push_back(static_cast<int>(BitmapValue(png, x, y)));
    return row;
}

std::map<std::string, std::string> ImageMagickCrcs() {
    std::map<std::string, std::string> crcs;
    std::ifstream in(FixturePath("rgba-crc32.txt"));
    std::string name, crc;
    while (in >> name >> crc)
        crcs[name] = crc;
    return crcs;
}

std::string Crc32Hex(const TBytes& bytes) {
    char text[9];
    std::snprintf(text, sizeof text, "%08lx", crc32(0, bytes.data(), bytes.size()));
    return text;
}

} // namespace

TEST(ImageData, EveryColourTypeAndDepthProgressiveAndInterlaced) {
    const std::map<int, std::vector<int>> depths = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const auto& [colour, list] : depths)
        for (int depth : list) {
            const std::string base =
                "pattern-c" + std::to_string(colour) + "-d" + std::to_string(depth);
            SCOPED_TRACE(base);
            TPngGraphic progressive, interlaced;
            LoadBytes(progressive, ReadFileBytes(FixturePath(base + ".png")));
            LoadBytes(interlaced, ReadFileBytes(FixturePath(base + "-i.png")));
            EXPECT_EQ(DecodedRgba(progressive), ExpectedPattern(colour, depth));
            EXPECT_EQ(BitmapBytes(interlaced), BitmapBytes(progressive));
            EXPECT_EQ(AlphaBytes(interlaced), AlphaBytes(progressive));
            EXPECT_EQ(DecodedRgba(interlaced), ExpectedPattern(colour, depth));
        }
}

TEST(ImageData, PixelsMatchImageMagicksDecoding) {
    const auto crcs = ImageMagickCrcs();
    ASSERT_EQ(crcs.size(), 6u);
    for (const auto& [name, crc] : crcs) {
        const std::string path =
            name == "logo.png" ? FixturePath("../../../app/resources/logo.png") : FixturePath(name);
        TPngGraphic png;
        LoadBytes(png, ReadFileBytes(path));
        EXPECT_EQ(Crc32Hex(DecodedRgba(png)), crc) << name;
    }
}

TEST(ImageData, TheAboutLogoDecodes) {
    TPngGraphic png;
    png.LoadFromFile(FixturePath("../../../app/resources/logo.png"));
    EXPECT_EQ(png.Width(), 600);
    EXPECT_EQ(png.Height(), 300);
    EXPECT_EQ(png.TransparencyMode(), png::TTransparencyMode::ptmPartial);
    EXPECT_EQ(png.Header().AlphaRow(0)[0], 0) << "the card's rounded corner is transparent";
    EXPECT_EQ(png.Header().AlphaRow(150)[300], 255);
}

TEST(ImageData, ManySmallIdatChunksAndAncillaryChunksAround) {
    TPngGraphic split, whole;
    LoadBytes(split, ReadFileBytes(FixturePath("pattern-c6-d8-ancillary.png")));
    LoadBytes(whole, ReadFileBytes(FixturePath("pattern-c6-d8.png")));
    EXPECT_EQ(BitmapBytes(split), BitmapBytes(whole));
    EXPECT_EQ(AlphaBytes(split), AlphaBytes(whole));
    const auto* time = split.Chunks().FindChunk<TChunktIME>();
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->Year, 2024);
    const auto* ztxt = split.Chunks().FindChunk<TChunkzTXt>();
    ASSERT_NE(ztxt, nullptr);
    EXPECT_EQ(ztxt->Keyword, "Description");
    std::string expected;
    for (int i = 0; i < 40; ++i)
        expected += "A test pattern ";
    EXPECT_EQ(ztxt->Text, expected);
}

TEST(ImageData, SamplesBecomeBitmapValues) {
    TPngGraphic png;
    // Gamma 1.0 under a 2.2 display brightens 128 to 186 in all three channels.
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 2), Bytes({0, 128, 128, 128}),
                             Chunk("gAMA", BigEndian32(100000))));
    EXPECT_EQ(BitmapValue(png, 0, 0), Bgr(186, 186, 186));

    LoadBytes(png, SimplePng(Ihdr(1, 1, 16, 0), Bytes({0, 0x12, 0x34})));
    EXPECT_EQ(BitmapValue(png, 0, 0), 0x12u);

    // 2-bit grey 0x1B holds the samples 0, 1, 2, 3. Interlaced, a 4 x 1 image has one pixel
    // in pass 1 (column 0), one in pass 4 (column 2) and two in pass 6 (columns 1 and 3).
    for (const TBytes& file :
         {SimplePng(Ihdr(4, 1, 2, 0), Bytes({0, 0x1B})),
          SimplePng(Ihdr(4, 1, 2, 0, 1), Bytes({0, 0x00, 0, 0x80, 0, 0x70}))}) {
        LoadBytes(png, file);
        EXPECT_EQ(DecodedRgba(png),
                  Bytes({0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 255, 255, 255, 255, 255}));
        EXPECT_EQ(GreyRow(png, 0), (std::vector<int>{0, 5, 10, 15}));
    }

    // A 1 x 5 interlaced image has rows in passes 1 (row 0), 3 (row 4), 5 (row 2) and 7
    // (rows 1 and 3) only: its width never reaches the first column of passes 2, 4 and 6.
    LoadBytes(png, SimplePng(Ihdr(1, 5, 8, 0, 1), Bytes({0, 10, 0, 50, 0, 30, 0, 20, 0, 40})));
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(BitmapValue(png, 0, y), 10u * (y + 1));
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0, 1), Bytes({0, 99})));
    EXPECT_EQ(BitmapValue(png, 0, 0), 99u);

    // Filter types above 4 leave the row as it stands.
    LoadBytes(png, SimplePng(Ihdr(2, 2, 8, 0), Bytes({7, 10, 20, 255, 1, 2})));
    EXPECT_EQ(GreyRow(png, 0), (std::vector<int>{10, 20}));
    EXPECT_EQ(GreyRow(png, 1), (std::vector<int>{1, 2}));
}

TEST(ImageData, FilterReversal) {
    EXPECT_EQ(png::PaethPredictor(10, 10, 10), 10);
    EXPECT_EQ(png::PaethPredictor(10, 20, 15), 15);
    EXPECT_EQ(png::PaethPredictor(10, 20, 10), 20);
    EXPECT_EQ(png::PaethPredictor(0, 0, 255), 0);

    struct Case {
        const char* name;
        TBytes row, previous;
        std::size_t stride;
        TBytes expected;
    };
    const TBytes above = Bytes({0, 20, 30, 40, 50, 60, 70});
    const Case cases[] = {
        {"none", Bytes({0, 1, 2, 3, 4, 5, 6}), above, 2, Bytes({1, 2, 3, 4, 5, 6})},
        // The first stride bytes of a Sub row have no left neighbour and stay.
        {"sub", Bytes({1, 1, 2, 3, 4, 250, 10}), above, 2, Bytes({1, 2, 4, 6, 254, 16})},
        {"up", Bytes({2, 1, 2, 3, 4, 200, 200}), above, 2, Bytes({21, 32, 43, 54, 4, 14})},
        {"average", Bytes({3, 1, 2, 3, 4, 5, 6}), above, 2, Bytes({11, 17, 28, 37, 49, 59})},
        // Left 10, above 20, upper-left 15 predicts 15; the first pixel predicts above.
        {"paeth", Bytes({4, 1, 10, 5, 5}), Bytes({0, 20, 15, 20, 20}), 1, Bytes({21, 25, 30, 35})},
        {"paeth stride 3", Bytes({4, 1, 2, 3, 1, 1, 1}), Bytes({0, 10, 20, 30, 10, 20, 30}), 3,
         Bytes({11, 22, 33, 12, 23, 34})},
        {"type 9", Bytes({9, 1, 2, 3}), Bytes({0, 5, 5, 5}), 1, Bytes({1, 2, 3})},
    };
    for (const Case& c : cases) {
        TBytes row = c.row;
        png::ReverseFilter(row.data(), c.previous.data(), row.size() - 1, c.stride);
        EXPECT_EQ(TBytes(row.begin() + 1, row.end()), c.expected) << c.name;
    }
}

// Every filter at every pixel size against the definition, byte by byte, on rows of
// noise: the fast paths keep the left pixel in registers and must agree to the byte,
// also for a length that is no whole number of pixels.
TEST(ImageData, FilterReversalMatchesTheDefinitionForEveryPixelSize) {
    std::uint32_t seed = 12345;
    const auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    for (int filter = 1; filter <= 4; ++filter)
        for (std::size_t stride = 1; stride <= 8; ++stride)
            for (const std::size_t length : {stride * 37, stride * 37 + 1}) {
                TBytes row(length + 1), previous(length + 1);
                for (std::size_t i = 1; i <= length; ++i) {
                    row[i] = noise();
                    previous[i] = noise();
                }
                row[0] = static_cast<std::uint8_t>(filter);
                TBytes expected(row.begin() + 1, row.end());
                const std::uint8_t* above = previous.data() + 1;
                for (std::size_t i = 0; i < length; ++i) {
                    const int a = i >= stride ? expected[i - stride] : 0;
                    const int c = i >= stride ? above[i - stride] : 0;
                    const int b = above[i];
                    const int predicted = filter == 1   ? a
                                          : filter == 2 ? b
                                          : filter == 3 ? (a + b) / 2
                                                        : png::PaethPredictor(a, b, c);
                    expected[i] = static_cast<std::uint8_t>(expected[i] + predicted);
                }
                png::ReverseFilter(row.data(), previous.data(), length, stride);
                EXPECT_EQ(TBytes(row.begin() + 1, row.end()), expected)
                    << "filter " << filter << ", stride " << stride << ", " << length << " bytes";
            }
}

TEST(ImageData, DataSpreadOverChunksDecodesTheSame) {
    // Two rows of an 8-bit 3 x 2 greyscale image.
    const TBytes rows = Bytes({0, 1, 2, 3, 1, 4, 5, 6});
    const TBytes z = Deflate(rows);
    const TBytes header = kSignature + Ihdr(3, 2, 8, 0);
    const auto part = [&](std::size_t from, std::size_t to) {
        return Chunk("IDAT", TBytes(z.begin() + from, z.begin() + to));
    };
    TPngGraphic png;
    // Cut inside the zlib header, with empty chunks between the pieces.
    LoadBytes(png, header + part(0, 1) + Chunk("IDAT", {}) + part(1, 5) + Chunk("IDAT", {}) +
                       Chunk("IDAT", {}) + part(5, z.size()) + Iend());
    EXPECT_EQ(GreyRow(png, 1), (std::vector<int>{4, 9, 15}));

    // The stream ends in the second chunk: the third, even with a bad CRC, is never read.
    LoadBytes(png,
              header + part(0, 3) + part(3, z.size()) + Chunk("IDAT", Bytes({1, 2}), 7) + Iend());
    EXPECT_EQ(GreyRow(png, 0), (std::vector<int>{1, 2, 3}));

    EXPECT_THROW(LoadBytes(png, header + Chunk("IDAT", TBytes(z.begin(), z.begin() + 3), 1) +
                                    part(3, z.size()) + Iend()),
                 EPngInvalidCRC)
        << "a bad CRC between two image data chunks";
}

TEST(ImageData, ImageDataThatEndsEarlyKeepsTheRowsDecoded) {
    // 4 x 3 RGB, stored uncompressed, so the file can be cut at a known row.
    const TBytes row = Bytes({0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120});
    const TBytes stored = Deflate(row + row + row, 0);
    const TBytes file = kSignature + Ihdr(4, 3, 8, 2) + Chunk("IDAT", stored) + Iend();
    // Signature, header chunk, IDAT length and type, zlib and stored-block headers, 1.5 rows.
    const std::size_t cut = 8 + 25 + 8 + 2 + 5 + 13 + 6;
    TPngGraphic png;
    EXPECT_THROW(LoadBytes(png, TBytes(file.begin(), file.begin() + cut)), EPngInvalidCRC);
    EXPECT_EQ(BitmapValue(png, 3, 0), Bgr(100, 110, 120)) << "first row decoded";
    EXPECT_EQ(BitmapValue(png, 0, 1), Bgr(10, 20, 30)) << "the partial row's start";
    EXPECT_EQ(BitmapValue(png, 1, 1), Bgr(40, 50, 0)) << "what the partial row lacks is zero";
    EXPECT_EQ(BitmapValue(png, 3, 1), 0u);
    EXPECT_EQ(BitmapValue(png, 0, 2), 0u);
    EXPECT_EQ(png.Chunks().Item(png.Chunks().Count() - 1)->KindName(), "IDAT");

    // Interlaced and cut in pass 2: pass 1 stays, later passes end at their first row.
    TPngGraphic interlaced;
    const TBytes passes = Bytes({0, 7, 0, 0, 0}) + Bytes({0, 9}) + TBytes(40, 0);
    const TBytes adam7 = kSignature + Ihdr(8, 8, 8, 0, 1) + Chunk("IDAT", Deflate(passes, 0));
    EXPECT_THROW(LoadBytes(interlaced, TBytes(adam7.begin(), adam7.begin() + 8 + 25 + 8 + 7 + 3)),
                 EPngInvalidCRC);
    EXPECT_EQ(BitmapValue(interlaced, 0, 0), 7u);
    EXPECT_EQ(BitmapValue(interlaced, 4, 0), 0u);
}

TEST(ImageData, DamagedCompressedDataKeepsTheRowsBeforeTheDamage) {
    // A small image's rows are inflated ahead of need; a fault met on the way must still
    // leave exactly the rows before it, as decoding row by row would. A zlib stream of two
    // stored blocks, two rows in the first, the second's length check broken.
    const TBytes rows = Bytes({0, 1, 2, 3, 4, 0, 5, 6, 7, 8});
    const TBytes damaged =
        Bytes({0x78, 0x01, 0x00, 10, 0, 0xF5, 0xFF}) + rows + Bytes({0x01, 10, 0, 10, 0}) + rows;
    TPngGraphic png;
    EXPECT_THROW(LoadBytes(png, kSignature + Ihdr(4, 4, 8, 0) + Chunk("IDAT", damaged) + Iend()),
                 EPNGZLIBError);
    EXPECT_EQ(GreyRow(png, 0), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(GreyRow(png, 1), (std::vector<int>{5, 6, 7, 8}));
    EXPECT_EQ(GreyRow(png, 2), (std::vector<int>{0, 0, 0, 0}));
}

TEST(ImageData, CompressedDataThatEndsBeforeTheImageIsAnError) {
    // A complete zlib stream holding one of the two rows: inflate can make no more
    // progress, and the image must not be reported as loaded.
    TPngGraphic png;
    EXPECT_THROW(LoadBytes(png, SimplePng(Ihdr(2, 2, 8, 0), Bytes({0, 1, 2}))),
                 EPNGMissingMultipleIDAT);
    EXPECT_EQ(GreyRow(png, 0), (std::vector<int>{1, 2}));

    // A preset dictionary cannot be supplied: the data can't be decoded.
    const TBytes withDictionary = Bytes({0x78, 0xBB, 0, 0, 0, 1, 0x63, 0, 0});
    try {
        LoadBytes(png, kSignature + Ihdr(1, 1, 8, 0) + Chunk("IDAT", withDictionary) + Iend());
        ADD_FAILURE() << "loaded";
    } catch (const EPNGZLIBError& e) {
        EXPECT_EQ(e.Message(),
                  std::string(png::PngMessage(png::EPNGZLIBErrorText)) + "need dictionary (2)");
    }
}

TEST(ImageData, RowGeometry) {
    EXPECT_EQ(png::RowBytes(0, 1, 9), 2u);
    EXPECT_EQ(png::RowBytes(3, 4, 3), 2u);
    EXPECT_EQ(png::RowBytes(2, 16, 3), 18u);
    EXPECT_EQ(png::RowBytes(4, 8, 5), 10u);
    EXPECT_EQ(png::RowBytes(6, 16, 1), 8u);
    EXPECT_EQ(png::RowBytes(0, 8, 0), 0u);
    EXPECT_EQ(png::FilterStride(0, 2), 1u);
    EXPECT_EQ(png::FilterStride(0, 16), 2u);
    EXPECT_EQ(png::FilterStride(2, 8), 3u);
    EXPECT_EQ(png::FilterStride(2, 16), 6u);
    EXPECT_EQ(png::FilterStride(4, 16), 4u);
    EXPECT_EQ(png::FilterStride(6, 8), 4u);
    EXPECT_EQ(png::FilterStride(6, 16), 8u);
}
