// Drawing: the blend arithmetic, own size versus stretching, the mask blit's holes, images
// that have nothing to draw, and the same pixels after a save and a load.
#include "png/pngmessages.h"
#include "tests/png/PngTestSupport.h"

#include <algorithm>

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

TBytes Plte(std::initializer_list<int> rgb) {
    return Chunk("PLTE", Bytes(rgb));
}

// 2 x 2: red, green / blue, white; colour type 2, or 6 with every alpha 255.
TBytes FourColours(bool alpha) {
    const int a = 255;
    return alpha ? SimplePng(Ihdr(2, 2, 8, 6), Bytes({0, 255, 0, 0, a, 0, 255, 0, a, //
                                                      0, 0, 0, 255, a, 255, 255, 255, a}))
                 : SimplePng(Ihdr(2, 2, 8, 2), Bytes({0, 255, 0, 0, 0, 255, 0, //
                                                      0, 0, 0, 255, 255, 255, 255}));
}

std::unique_ptr<TPngGraphic> Loaded(const TBytes& bytes) {
    auto png = std::make_unique<TPngGraphic>();
    LoadBytes(*png, bytes);
    return png;
}

} // namespace

TEST(Draw, AlphaIsBlendedWithTheIntegerFormula) {
    const struct {
        int Alpha;
        gdi::TColorRef Background, Expected;
    } cases[] = {
        {128, kWhite, RGB(227, 177, 127)}, {255, kWhite, RGB(200, 100, 0)}, {0, kWhite, kWhite},
        {128, kBlack, RGB(100, 50, 0)},    {1, RGB(7, 8, 9), RGB(8, 9, 9)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Alpha);
        TPngGraphic png;
        LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 6), Bytes({0, 200, 100, 0, c.Alpha})));
        EXPECT_EQ(DrawnColors(png, 1, 1, c.Background, Bounds(0, 0, 1, 1))[0], c.Expected);
    }
}

TEST(Draw, GreyAlphaAndPaletteAlphaBlendTheirOwnColours) {
    // Grey with alpha goes through the same gamma as every other colour type: gamma 1.0
    // shows 128 as 186 and 200 as 228 (blended at 128 over white: 241), just as the
    // image's own grey ramp, Pixels and a greyscale image without alpha show them.
    const TBytes gammaOne = Chunk("gAMA", BigEndian32(100000));
    TPngGraphic grey;
    LoadBytes(grey, SimplePng(Ihdr(2, 1, 8, 4), Bytes({0, 128, 255, 200, 128}), gammaOne));
    EXPECT_EQ(DrawnColors(grey, 2, 1, kWhite, Bounds(0, 0, 2, 1)),
              (std::vector{RGB(186, 186, 186), RGB(241, 241, 241)}));
    EXPECT_EQ(grey.Pixels(0, 0), RGB(186, 186, 186));
    EXPECT_EQ(grey.Pixels(1, 0), RGB(228, 228, 228));
    TPngGraphic opaque;
    LoadBytes(opaque, SimplePng(Ihdr(2, 1, 8, 0), Bytes({0, 128, 200}), gammaOne));
    EXPECT_EQ(DrawnColors(opaque, 2, 1, kWhite, Bounds(0, 0, 2, 1)),
              (std::vector{RGB(186, 186, 186), RGB(228, 228, 228)}));
    // Setting a pixel to the colour it shows keeps that colour.
    grey.SetPixels(0, 0, grey.Pixels(0, 0));
    grey.SetPixels(1, 0, grey.Pixels(1, 0));
    EXPECT_EQ(grey.Pixels(0, 0), RGB(186, 186, 186));
    EXPECT_EQ(grey.Pixels(1, 0), RGB(228, 228, 228));

    // A palette whose tRNS holds more than one transparent entry is blended: blue at 128.
    TPngGraphic palette;
    LoadBytes(palette, SimplePng(Ihdr(2, 1, 8, 3), Bytes({0, 0, 1}),
                                 Plte({0, 0, 255, 255, 0, 0}) + Chunk("tRNS", Bytes({128, 255}))));
    ASSERT_EQ(palette.TransparencyMode(), png::TTransparencyMode::ptmPartial);
    EXPECT_EQ(DrawnColors(palette, 2, 1, kWhite, Bounds(0, 0, 2, 1)),
              (std::vector{RGB(127, 127, 255), kRed}));
}

TEST(Draw, TheTransparentSampleIsMatchedAsStored) {
    // Gamma 1.0 (gAMA 100000) shows both 254 and 255 as 255: only the stored 255 is the
    // key. 16-bit samples that share the key's high byte are not it either, nor are
    // samples of a low depth that the ramp or the table makes look alike.
    const TBytes gammaOne = Chunk("gAMA", BigEndian32(100000));
    const gdi::TColorRef bg = RGB(10, 200, 30);
    const gdi::TColorRef white = RGB(255, 255, 255);
    struct Case {
        const char* name;
        TBytes png;
        std::vector<gdi::TColorRef> drawn; // the image stretched to twice its width
    };
    const Case cases[] = {
        {"RGB 8, gamma 1.0",
         SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 255, 255, 255, 254, 254, 254}),
                   gammaOne + Chunk("tRNS", Bytes({0, 255, 0, 255, 0, 255}))),
         {bg, bg, white, white}},
        {"grey 8, gamma 1.0",
         SimplePng(Ihdr(2, 1, 8, 0), Bytes({0, 254, 255}),
                   gammaOne + Chunk("tRNS", Bytes({0, 255}))),
         {white, white, bg, bg}},
        {"grey 16",
         SimplePng(Ihdr(2, 1, 16, 0), Bytes({0, 0x12, 0x99, 0x12, 0x34}),
                   Chunk("tRNS", Bytes({0x12, 0x34}))),
         {RGB(0x12, 0x12, 0x12), RGB(0x12, 0x12, 0x12), bg, bg}},
        {"RGB 16, interlaced",
         SimplePng(Ihdr(2, 1, 16, 2, 1),
                   // pass 1 holds pixel 0, pass 6 pixel 1
                   Bytes({0, 1, 2, 3, 4, 5, 6, 0, 1, 2, 3, 4, 5, 7}),
                   Chunk("tRNS", Bytes({1, 2, 3, 4, 5, 6}))),
         {bg, bg, RGB(1, 3, 5), RGB(1, 3, 5)}},
        // A key with bits above the depth: only its low bits count (2 of 0x0102).
        {"grey 2, key with high bits",
         SimplePng(Ihdr(2, 1, 2, 0), Bytes({0, 0x90}), Chunk("tRNS", Bytes({0x01, 0x02}))),
         {bg, bg, RGB(85, 85, 85), RGB(85, 85, 85)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto png = Loaded(c.png);
        ASSERT_EQ(png->TransparencyMode(), png::TTransparencyMode::ptmBit);
        EXPECT_EQ(DrawnColors(*png, 4, 1, bg, Bounds(0, 0, 4, 1)), c.drawn);
        // The picture of the preview pane draws its own copy.
        TPngGraphic copy;
        copy.Assign(*png);
        EXPECT_EQ(DrawnColors(copy, 4, 1, bg, Bounds(0, 0, 4, 1)), c.drawn);
        // And the holes stay where they are when the image is saved and read again.
        TMemoryStream saved;
        png->SaveToStream(saved);
        EXPECT_EQ(DrawnColors(*Loaded(saved.Bytes()), 4, 1, bg, Bounds(0, 0, 4, 1)), c.drawn);
    }
    // A pixel set to the transparent colour becomes a hole, one set to another stops being
    // one.
    auto rgb = Loaded(cases[0].png);
    rgb->SetPixels(0, 0, RGB(1, 2, 3));
    rgb->SetPixels(1, 0, rgb->TransparentColor());
    EXPECT_EQ(DrawnColors(*rgb, 2, 1, bg, Bounds(0, 0, 2, 1)), (std::vector{RGB(1, 2, 3), bg}));
}

TEST(Draw, AlphaImagesDrawAtTheirOwnSizeAndOthersStretch) {
    auto alpha = Loaded(FourColours(true));
    const auto g = kGrey;
    EXPECT_EQ(DrawnColors(*alpha, 4, 4, g, Bounds(1, 1, 4, 4)), (std::vector{g, g, g, g,          //
                                                                             g, kRed, kGreen, g,  //
                                                                             g, kBlue, kWhite, g, //
                                                                             g, g, g, g}))
        << "a rectangle twice the image's size: drawn once, at its top-left corner";

    auto opaque = Loaded(FourColours(false));
    EXPECT_EQ(DrawnColors(*opaque, 4, 4, g, Bounds(0, 0, 4, 4)),
              (std::vector{kRed, kRed, kGreen, kGreen,   //
                           kRed, kRed, kGreen, kGreen,   //
                           kBlue, kBlue, kWhite, kWhite, //
                           kBlue, kBlue, kWhite, kWhite}));

    // TCanvas::Draw puts a graphic at its own size.
    TTestCanvas canvas(3, 2, g);
    canvas.Canvas.Draw(1, 0, *opaque);
    EXPECT_EQ(canvas.Colors(), (std::vector{g, kRed, kGreen, g, kBlue, kWhite}));
}

TEST(Draw, OneTransparentColourLeavesHolesAndStretches) {
    const auto g = kGrey;
    const struct {
        const char* Name;
        TBytes File;
        gdi::TColorRef Opaque;
    } cases[] = {
        {"palette with tRNS 0, 255",
         SimplePng(Ihdr(2, 1, 8, 3), Bytes({0, 0, 1}),
                   Plte({255, 0, 0, 0, 0, 255}) + Chunk("tRNS", Bytes({0, 255}))),
         kBlue},
        {"RGB with a transparent sample",
         SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 10, 20, 30, 40, 50, 60}),
                   Chunk("tRNS", Bytes({0, 10, 0, 20, 0, 30}))),
         RGB(40, 50, 60)},
        {"greyscale with the sample 0x00C8",
         SimplePng(Ihdr(2, 1, 8, 0), Bytes({0, 200, 100}), Chunk("tRNS", Bytes({0, 0xC8}))),
         RGB(100, 100, 100)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto png = Loaded(c.File);
        ASSERT_EQ(png->TransparencyMode(), png::TTransparencyMode::ptmBit);
        const auto o = c.Opaque;
        EXPECT_EQ(DrawnColors(*png, 5, 2, g, Bounds(1, 0, 4, 2)),
                  (std::vector{g, g, g, o, o, g, g, g, o, o}));
    }
}

TEST(Draw, ImagesWithNothingToDrawLeaveTheCanvasAlone) {
    TPngGraphic empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.Width(), 0);
    EXPECT_EQ(empty.Height(), 0);
    EXPECT_EQ(DrawnColors(empty, 2, 1, kGrey, Bounds(0, 0, 2, 1)), (std::vector{kGrey, kGrey}));
    EXPECT_THROW(empty.TransparencyMode(), EPNGHeaderNotPresent);

    // A load that failed at the header keeps the header, but no bitmap.
    TPngGraphic broken;
    EXPECT_THROW(LoadBytes(broken, kSignature + Chunk("IHDR", IhdrData(2, 1, 8, 2, 0, 1))),
                 EPNGUnknownCompression);
    ASSERT_TRUE(broken.HeaderPresent());
    EXPECT_EQ(DrawnColors(broken, 2, 1, kGrey, Bounds(0, 0, 2, 1)), (std::vector{kGrey, kGrey}));

    // Drawing onto a canvas without a surface does nothing either.
    auto alpha = Loaded(FourColours(true));
    TCanvas nowhere;
    EXPECT_NO_THROW(alpha->Draw(nowhere, Bounds(0, 0, 2, 2)));
}

TEST(Draw, BlendingIsClippedToTheCanvas) {
    auto png = Loaded(FourColours(true));
    EXPECT_EQ(DrawnColors(*png, 2, 2, kGrey, Bounds(-1, -1, 2, 2)),
              (std::vector{kWhite, kGrey, kGrey, kGrey}));
    EXPECT_EQ(DrawnColors(*png, 2, 2, kGrey, Bounds(5, 5, 2, 2)),
              (std::vector{kGrey, kGrey, kGrey, kGrey}));
}

TEST(Draw, APaletteIndexBeyondThePaletteDrawsBlackWithoutRaising) {
    // Two palette entries, pixel indexes 0, 1 and 5.
    const TBytes plte = Plte({255, 0, 0, 0, 0, 255});
    TPngGraphic blended;
    LoadBytes(blended, SimplePng(Ihdr(3, 1, 8, 3), Bytes({0, 0, 1, 5}),
                                 plte + Chunk("tRNS", Bytes({128, 255}))));
    ASSERT_EQ(blended.TransparencyMode(), png::TTransparencyMode::ptmPartial);
    for (int repaint = 0; repaint < 2; ++repaint)
        EXPECT_EQ(DrawnColors(blended, 3, 1, kWhite, Bounds(0, 0, 3, 1)),
                  (std::vector{RGB(255, 127, 127), kBlue, kBlack}));
    // Asking for that pixel is a direct question, and gets the palette's answer.
    try {
        blended.Pixels(2, 0);
        ADD_FAILURE() << "answered";
    } catch (const EPngError& e) {
        EXPECT_EQ(e.Message(), png::PngMessage(png::EPNGInvalidPaletteIndexText));
    }

    TPngGraphic plain;
    LoadBytes(plain, SimplePng(Ihdr(3, 1, 8, 3), Bytes({0, 0, 1, 5}), plte));
    EXPECT_EQ(DrawnColors(plain, 3, 1, kWhite, Bounds(0, 0, 3, 1)),
              (std::vector{kRed, kBlue, kBlack}))
        << "the same colour the blended road gives";
}

TEST(Draw, EveryColourTypeDrawsTheSameAfterASaveAndALoad) {
    std::vector<std::pair<std::string, TBytes>> images;
    for (const std::string& name : FixtureNames())
        images.emplace_back(name, ReadFileBytes(FixturePath(name)));
    images.emplace_back("palette, partial tRNS",
                        SimplePng(Ihdr(3, 1, 2, 3), Bytes({0, 0x1B}),
                                  Plte({255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}) +
                                      Chunk("tRNS", Bytes({0, 90, 255}))));
    images.emplace_back("RGB, tRNS", SimplePng(Ihdr(2, 1, 16, 2),
                                               Bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}),
                                               Chunk("tRNS", Bytes({1, 2, 3, 4, 5, 6}))));
    const gdi::TColorRef background = RGB(10, 200, 30);
    for (const auto& [name, bytes] : images) {
        SCOPED_TRACE(name);
        auto original = Loaded(bytes);
        TMemoryStream saved;
        original->SaveToStream(saved);
        auto reloaded = Loaded(saved.Bytes());
        const int w = original->Width(), h = original->Height();
        const TRect at = Bounds(1, 1, w, h);
        const auto before = DrawnColors(*original, w + 2, h + 2, background, at);
        EXPECT_EQ(DrawnColors(*reloaded, w + 2, h + 2, background, at), before);
        EXPECT_LT(std::count(before.begin(), before.end(), background), (w + 2) * (h + 2))
            << "the image itself was drawn";
    }
}
