// The header's checks and bitmap layout, and the palette, transparency, gamma, time and
// text chunks.
#include "png/pngmessages.h"
#include "png/pngrows.h"
#include "png/pngzstream.h"
#include "tests/png/PngTestSupport.h"

#include <zlib.h>

#include <gtest/gtest.h>

namespace {

// One row of zeros (filter byte 0) for an image of `width` pixels at this depth.
TBytes ZeroRows(std::size_t rowBytes, int rows = 1) {
    return TBytes((rowBytes + 1) * rows, 0);
}

TBytes PaletteData(int entries) {
    TBytes data;
    for (int i = 0; i < entries; ++i)
        data = data + Bytes({i & 255, (i * 3) & 255, (i * 7) & 255});
    return data;
}

// A 1 x 1 8-bit palette image whose single pixel is index 0, with `middle` chunks.
TBytes PaletteImage(const TBytes& middle) {
    return SimplePng(Ihdr(1, 1, 8, 3), Bytes({0, 0}), middle);
}

} // namespace

TEST(HeaderChunk, DimensionsAndMethodsAreChecked) {
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(65535, 1, 1, 0), ZeroRows(8192)));
    EXPECT_EQ(png.Width(), 65535);
    EXPECT_EQ(png.Height(), 1);
    for (auto [w, h] : {std::pair{65536u, 1u}, {1u, 65536u}, {0x80000001u, 1u}})
        EXPECT_THROW(LoadBytes(png, SimplePng(Ihdr(w, h, 1, 0), ZeroRows(1))), EPNGSizeExceeds)
            << w << " x " << h;
    for (auto [w, h] : {std::pair{0u, 5u}, {5u, 0u}}) {
        try {
            LoadBytes(png, SimplePng(Ihdr(w, h, 8, 0), ZeroRows(5)));
            ADD_FAILURE() << "a zero size is accepted";
        } catch (const EPngInvalidIHDR& e) {
            EXPECT_EQ(e.Message(), png::PngMessage(png::EPNGZeroSizeText));
        }
    }
    try {
        LoadBytes(png, kSignature + Chunk("IHDR", IhdrData(4, 4, 8, 0, 0, 0, 1)));
        ADD_FAILURE() << "filter method 1 is accepted";
    } catch (const EPNGUnknownCompression& e) {
        EXPECT_EQ(e.Message(), "This \"Portable Network Graphics\" image uses an unknown filter "
                               "method (1) which could not be decoded.");
    }
}

TEST(HeaderChunk, ColourTypeAndDepthCombinationsOutsideTheFormatAreRefused) {
    const std::pair<int, int> illegal[] = {{3, 16}, {4, 4}, {2, 4}, {6, 1}, {0, 3},
                                           {1, 8},  {5, 8}, {7, 8}, {0, 0}, {2, 32}};
    for (auto [colour, depth] : illegal) {
        TPngGraphic png;
        try {
            LoadBytes(png, SimplePng(Ihdr(2, 2, depth, colour), ZeroRows(16, 2)));
            ADD_FAILURE() << colour << "/" << depth << " accepted";
        } catch (const EPngInvalidIHDR& e) {
            EXPECT_NE(e.Message().find("bit depth " + std::to_string(depth) + " for colour type " +
                                       std::to_string(colour)),
                      std::string::npos)
                << e.Message();
        }
        EXPECT_EQ(png.Header().ImageHandle(), nullptr);
    }
}

TEST(HeaderChunk, PixelBudgetIsCheckedBeforeTheBitmapExists) {
    TPngGraphic png;
    // 20000 x 20000 is within the format's limits but 400 megapixels.
    try {
        LoadBytes(png, SimplePng(Ihdr(20000, 20000, 8, 6), ZeroRows(1)));
        ADD_FAILURE() << "accepted";
    } catch (const EPNGSizeExceeds& e) {
        EXPECT_EQ(e.Message(), "This \"Portable Network Graphics\" image is not supported "
                               "because it has 20000 x 20000 pixels, more than the 268435456 "
                               "pixels this viewer decodes.");
    }
    EXPECT_EQ(png.Header().ImageHandle(), nullptr);
    png.SetMaxPixels(100);
    LoadBytes(png, SimplePng(Ihdr(10, 10, 8, 0), ZeroRows(10, 10)));
    EXPECT_THROW(LoadBytes(png, SimplePng(Ihdr(11, 10, 8, 0), ZeroRows(11, 10))), EPNGSizeExceeds);
}

TEST(HeaderChunk, BitmapLayoutFollowsColourTypeAndDepth) {
    struct Case {
        int colour, depth, width;
        int bitCount;
        std::size_t bytesPerRow;
        bool palette, alpha;
    };
    const Case cases[] = {
        {0, 1, 33, 1, 8, true, false},    {0, 2, 9, 4, 8, true, false},
        {0, 4, 8, 4, 4, true, false},     {0, 8, 5, 8, 8, true, false},
        {0, 16, 3, 8, 4, true, false},    {3, 2, 1, 4, 4, true, false},
        {3, 8, 4, 8, 4, true, false},     {4, 8, 2, 8, 4, true, true},
        {4, 16, 2, 8, 4, true, true},     {2, 8, 1, 24, 4, false, false},
        {2, 16, 5, 24, 16, false, false}, {6, 8, 3, 24, 12, false, true},
    };
    for (const Case& c : cases) {
        TPngGraphic png;
        LoadBytes(png, SimplePng(Ihdr(c.width, 2, c.depth, c.colour),
                                 ZeroRows(png::RowBytes(c.colour, c.depth, c.width), 2),
                                 c.colour == 3 ? Chunk("PLTE", PaletteData(4)) : TBytes{}));
        const TChunkIHDR& h = png.Header();
        const gdi::TBitmapInfoHeader& info = h.BitmapInfo().bmiHeader;
        SCOPED_TRACE(testing::Message() << c.colour << "/" << c.depth << " width " << c.width);
        EXPECT_EQ(info.biSize, 40u);
        EXPECT_EQ(info.biWidth, c.width);
        EXPECT_EQ(info.biHeight, 2) << "positive: stored bottom-up";
        EXPECT_EQ(info.biPlanes, 1);
        EXPECT_EQ(info.biBitCount, c.bitCount);
        EXPECT_EQ(h.BytesPerRow(), c.bytesPerRow);
        EXPECT_EQ(h.HasPalette(), c.palette);
        EXPECT_EQ(h.ImageAlpha() != nullptr, c.alpha);
        EXPECT_EQ(h.ImageRow(0), h.ImageData() + c.bytesPerRow) << "top row stored last";
    }
}

TEST(PaletteChunk, SizesColoursAndGamma) {
    TPngGraphic png;
    LoadBytes(png, PaletteImage(Chunk("PLTE", PaletteData(256))));
    EXPECT_EQ(png.Chunks().FindChunk<TChunkPLTE>()->Count(), 256);
    EXPECT_EQ(png.Chunks().FindChunk<TChunkPLTE>()->Item(255), 0x00FFFDF9u)
        << "blue lowest: red 255, green 253, blue 249";
    for (const TBytes& bad : {PaletteData(257), PaletteData(256) + Bytes({1}), Bytes({1, 2})})
        EXPECT_THROW(LoadBytes(png, PaletteImage(Chunk("PLTE", bad))), EPNGInvalidPalette);
    LoadBytes(png, PaletteImage(Chunk("PLTE", {})));
    EXPECT_EQ(png.Chunks().FindChunk<TChunkPLTE>()->Count(), 0);
    EXPECT_THROW(png.Chunks().FindChunk<TChunkPLTE>()->Item(0), EPngError);

    // Colours pass through the gamma table in force when the palette is read.
    const TBytes grey128 = Chunk("PLTE", Bytes({128, 128, 128}));
    const TBytes gama = Chunk("gAMA", BigEndian32(100000));
    LoadBytes(png, PaletteImage(gama + grey128));
    EXPECT_EQ(png.Header().BitmapInfo().bmiColors[0], (gdi::TRGBQuad{186, 186, 186, 0}));
    LoadBytes(png, PaletteImage(grey128 + gama));
    EXPECT_EQ(png.Header().BitmapInfo().bmiColors[0], (gdi::TRGBQuad{128, 128, 128, 0}));
}

TEST(TransparencyChunk, DecidesBetweenSingleColourAndAlpha) {
    const TBytes palette = Chunk("PLTE", Bytes({10, 20, 30, 40, 50, 60, 70, 80, 90}));
    struct Case {
        TBytes values;
        png::TTransparencyMode mode;
        gdi::TColorRef colour;
    };
    const Case cases[] = {
        {Bytes({0, 255, 255}), png::TTransparencyMode::ptmBit, gdi::RGB(10, 20, 30)},
        {Bytes({255, 0}), png::TTransparencyMode::ptmBit, gdi::RGB(40, 50, 60)},
        {Bytes({0, 128}), png::TTransparencyMode::ptmPartial, gdi::RGB(10, 20, 30)},
        {Bytes({0, 0}), png::TTransparencyMode::ptmPartial, gdi::RGB(10, 20, 30)},
        // One half-transparent entry and no hole: masking it out would be wrong.
        {Bytes({255, 128}), png::TTransparencyMode::ptmPartial, 0},
        {Bytes({255, 255, 255}), png::TTransparencyMode::ptmPartial, 0},
    };
    for (const Case& c : cases) {
        TPngGraphic png;
        LoadBytes(png, PaletteImage(palette + Chunk("tRNS", c.values)));
        EXPECT_EQ(png.TransparencyMode(), c.mode) << testing::PrintToString(c.values);
        EXPECT_EQ(png.TransparentColor(), c.colour) << testing::PrintToString(c.values);
        EXPECT_TRUE(png.Transparent());
    }
    TPngGraphic png;
    EXPECT_THROW(LoadBytes(png, PaletteImage(palette + Chunk("tRNS", TBytes(257, 0)))),
                 EPNGInvalidPalette);
    LoadBytes(png, PaletteImage(palette));
    EXPECT_EQ(png.TransparencyMode(), png::TTransparencyMode::ptmNone);
    EXPECT_FALSE(png.Transparent());
}

TEST(TransparencyChunk, TransparentColourIsTheColourTheBitmapShows) {
    struct Case {
        int colour, depth;
        TBytes sample, middle;
        gdi::TColorRef expected;
    };
    const Case cases[] = {
        {0, 8, Bytes({0x00, 0xC8}), {}, gdi::RGB(200, 200, 200)},
        // 1-bit white and 2-bit sample 2 are shown as 255 and 170 by the grey ramp.
        {0, 1, Bytes({0, 1}), {}, gdi::RGB(255, 255, 255)},
        {0, 2, Bytes({0, 2}), {}, gdi::RGB(170, 170, 170)},
        // 16-bit samples are shown by their high byte.
        {0, 16, Bytes({0x12, 0x34}), {}, gdi::RGB(0x12, 0x12, 0x12)},
        {2, 16, Bytes({0x10, 1, 0x20, 2, 0x30, 3}), {}, gdi::RGB(0x10, 0x20, 0x30)},
        {2, 8, Bytes({0, 128, 0, 0, 0, 255}), {}, gdi::RGB(128, 0, 255)},
        // RGB pixels are gamma-corrected as they are decoded; so is their colour here (the
        // holes themselves are found by sample, see Draw.TheTransparentSampleIsMatchedAsStored).
        {2, 8, Bytes({0, 128, 0, 0, 0, 255}), Chunk("gAMA", BigEndian32(100000)),
         gdi::RGB(186, 0, 255)},
    };
    for (const Case& c : cases) {
        TPngGraphic png;
        LoadBytes(png, SimplePng(Ihdr(1, 1, c.depth, c.colour),
                                 ZeroRows(png::RowBytes(c.colour, c.depth, 1)),
                                 c.middle + Chunk("tRNS", c.sample)));
        EXPECT_EQ(png.TransparencyMode(), png::TTransparencyMode::ptmBit);
        EXPECT_EQ(png.TransparentColor(), c.expected) << c.colour << "/" << c.depth;
    }
}

TEST(TransparencyChunk, SetTransparentColourWritesTheChunkBack) {
    TPngGraphic png;
    LoadBytes(png, PaletteImage(Chunk("PLTE", Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9}))));
    TChunktRNS trns(png);
    trns.SetTransparentColor(gdi::RGB(4, 5, 6));
    EXPECT_TRUE(trns.BitTransparency());
    TMemoryStream out;
    trns.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), Chunk("tRNS", Bytes({255, 0})));
}

TEST(GammaChunk, BuildsTablesFromItsValue) {
    const auto tablesFor = [](const TBytes& gamaData) {
        TPngGraphic png;
        LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0), ZeroRows(1), Chunk("gAMA", gamaData)));
        return std::pair{png.GammaTable(), png.InverseTable()};
    };
    png::TGammaTable identity;
    for (int i = 0; i < 256; ++i)
        identity[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(tablesFor(BigEndian32(45455)).first, identity) << "gamma 1/2.2 changes nothing";
    EXPECT_EQ(tablesFor(BigEndian32(0)).first, identity);
    EXPECT_EQ(tablesFor(BigEndian32(0)).second, identity);

    const auto [bright, inverse] = tablesFor(BigEndian32(100000));
    EXPECT_EQ(bright[128], 186);
    EXPECT_EQ(bright[0], 0);
    EXPECT_EQ(bright[255], 255);
    for (int v = 0; v < 256; ++v) {
        int last = -1;
        for (int i = 0; i < 256; ++i)
            if (bright[i] == v)
                last = i;
        // Values the table reaches map back to the largest sample reaching them; others
        // keep the identity.
        EXPECT_EQ(inverse[v], last >= 0 ? last : v) << v;
    }

    // A chunk of another length than 4 says nothing and is ignored: read as the value 1,
    // it would make a gamma so small that all but the top sample went black.
    for (const TBytes& odd : {Bytes({}), Bytes({0, 0, 1}), Bytes({0, 1, 0x86, 0xA0, 0})}) {
        EXPECT_EQ(tablesFor(odd).first, identity) << odd.size();
        EXPECT_EQ(tablesFor(odd).second, identity) << odd.size();
    }
    // One empty chunk does not blank the image, nor hide a valid chunk after it.
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 128, 64, 32, 250, 200, 100}),
                             Chunk("gAMA", {})));
    EXPECT_EQ(DecodedRgba(png), Bytes({128, 64, 32, 255, 250, 200, 100, 255}));
    TPngGraphic later;
    LoadBytes(later, SimplePng(Ihdr(1, 1, 8, 0), ZeroRows(1),
                               Chunk("gAMA", {}) + Chunk("gAMA", BigEndian32(100000))));
    EXPECT_EQ(later.GammaTable()[128], 186);
}

TEST(TimeChunk, ReadsSevenBytesOnly) {
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0), ZeroRows(1),
                             Chunk("tIME", Bytes({0x07, 0xE8, 2, 29, 23, 59, 58}))));
    const auto* time = png.Chunks().FindChunk<TChunktIME>();
    EXPECT_EQ(time->Year, 2024);
    EXPECT_EQ(std::vector<int>({time->Month, time->Day, time->Hour, time->Minute, time->Second}),
              std::vector<int>({2, 29, 23, 59, 58}));
    TMemoryStream out;
    const_cast<TChunktIME*>(time)->SaveToStream(out);
    EXPECT_EQ(out.Bytes(), Chunk("tIME", Bytes({0x07, 0xE8, 2, 29, 23, 59, 58})));

    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0), ZeroRows(1),
                             Chunk("tIME", Bytes({0x07, 0xE8, 2, 29, 23, 59}))));
    EXPECT_EQ(png.Chunks().FindChunk<TChunktIME>()->Year, 0);
}

TEST(TextChunks, KeywordsAndTexts) {
    struct Case {
        const char* type;
        TBytes data;
        std::string keyword, text;
    };
    const TBytes story = Bytes(std::string(5000, 'x'));
    const TBytes deflated = Deflate(story);
    const TBytes cutOff(deflated.begin(), deflated.end() - 6);
    const Case cases[] = {
        {"tEXt", Bytes(std::string("Title\0Hello", 11)), "Title", "Hello"},
        {"tEXt", Bytes({'a', 0}), "", ""},
        {"tEXt", Bytes("NoSeparator"), "NoSeparator", ""},
        {"zTXt", Bytes(std::string("Story\0\0", 7)) + Deflate(story), "Story",
         std::string(5000, 'x')},
        // Damaged, another method, a cut-off stream, a missing method byte: empty text.
        {"zTXt", Bytes(std::string("Story\0\0", 7)) + Bytes({0x78, 0x9C, 0xFF, 0xFF}), "Story", ""},
        {"zTXt", Bytes(std::string("Story\0\1", 7)) + Deflate(story), "Story", ""},
        {"zTXt", Bytes(std::string("Story\0\0", 7)) + cutOff, "Story", ""},
        {"zTXt", Bytes("Story"), "Story", ""},
    };
    for (const Case& c : cases) {
        TPngGraphic png;
        LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0), ZeroRows(1), Chunk(c.type, c.data)));
        const auto* text = png.Chunks().FindChunk<TChunktEXt>();
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(text->KindName(), c.type);
        EXPECT_EQ(text->Keyword, c.keyword);
        EXPECT_EQ(text->Text, c.text) << c.type << " " << c.keyword;
    }
}

TEST(TextChunks, CompressedTextsAreCappedWhileInflating) {
    // 5 MiB of spaces deflate to about 5 KB: a text that size is refused, the image loads.
    const TBytes bomb = Deflate(TBytes(5 * 1024 * 1024, ' '));
    ASSERT_LT(bomb.size(), 10000u);
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0), ZeroRows(1),
                             Chunk("zTXt", Bytes(std::string("Bomb\0\0", 6)) + bomb)));
    EXPECT_EQ(png.Chunks().FindChunk<TChunkzTXt>()->Text, "");
    std::string text;
    EXPECT_TRUE(png::InflateText(bomb.data(), bomb.size(), 6 * 1024 * 1024, text));
    EXPECT_EQ(text.size(), 5u * 1024 * 1024);
}

TEST(TextChunks, SaveWritesKeywordSeparatorAndText) {
    TPngGraphic png;
    TChunktEXt text(png);
    text.Keyword = "Title";
    text.Text = "Hello";
    TMemoryStream out;
    text.SaveToStream(out);
    EXPECT_EQ(out.Bytes(), Chunk("tEXt", Bytes(std::string("Title\0Hello", 11))));

    TChunkzTXt ztext(png);
    ztext.Keyword = "Empty";
    TMemoryStream zout;
    ASSERT_TRUE(ztext.SaveToStream(zout));
    // length, type, "Empty", separator, method 0, then a zlib stream of one space.
    const TBytes& bytes = zout.Bytes();
    ASSERT_GT(bytes.size(), 8u + 7u + 4u);
    EXPECT_EQ(TBytes(bytes.begin() + 4, bytes.begin() + 15),
              Bytes(std::string("zTXtEmpty\0\0", 11)));
    std::string inflated;
    EXPECT_TRUE(png::InflateText(bytes.data() + 15, bytes.size() - 15 - 4, 100, inflated));
    EXPECT_EQ(inflated, " ");
}

TEST(HeaderChunk, SaveWritesTheRecordWithTwoBitDepthsWidened) {
    TPngGraphic png;
    // Three Adam7 passes hold one pixel each.
    LoadBytes(png, SimplePng(Ihdr(3, 1, 2, 0, 1), TBytes(6, 0)));
    TMemoryStream out;
    png.Header().SaveToStream(out);
    EXPECT_EQ(out.Bytes(), Chunk("IHDR", IhdrData(3, 1, 4, 0, 1)));
}

TEST(PngGraphic, DeepCopyOwnsEverything) {
    auto copy = std::make_unique<TPngGraphic>();
    TBytes expected;
    {
        TPngGraphic source;
        LoadBytes(source, ReadFileBytes(FixturePath("pattern-c6-d8-ancillary.png")));
        copy->Assign(source);
        expected = DecodedRgba(source);
        EXPECT_NE(copy->Header().ImageData(), source.Header().ImageData());
    }
    EXPECT_EQ(DecodedRgba(*copy), expected);
    EXPECT_EQ(copy->Chunks().Count(), 9);
    EXPECT_EQ(copy->Chunks().FindChunk<TChunktEXt>()->Text, "Hello");
    EXPECT_EQ(copy->TransparencyMode(), png::TTransparencyMode::ptmPartial);

    TPngGraphic palette;
    LoadBytes(palette, ReadFileBytes(FixturePath("pattern-c3-d4-i.png")));
    copy->Assign(palette);
    EXPECT_EQ(DecodedRgba(*copy), DecodedRgba(palette));
    EXPECT_EQ(copy->Header().BitmapInfo().bmiColors, palette.Header().BitmapInfo().bmiColors);
    EXPECT_EQ(copy->InterlaceMethod(), 1);

    TPngGraphic empty;
    copy->Assign(empty);
    EXPECT_TRUE(copy->Empty());
    EXPECT_EQ(copy->Width(), 0);
    EXPECT_EQ(copy->Height(), 0);
}
