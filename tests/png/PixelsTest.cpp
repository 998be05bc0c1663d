// Pixel and palette access: the colours pixels are read as, the colours they can be set
// to, the palette handed to the framework, and the size that can't be set.
#include "platform/gdi/Palette.h"
#include "png/pngmessages.h"
#include "tests/png/PngTestSupport.h"

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

TBytes Plte(std::initializer_list<int> rgb) {
    return Chunk("PLTE", Bytes(rgb));
}

const TBytes kGammaOne = Chunk("gAMA", BigEndian32(100000));

} // namespace

TEST(Pixels, EachColourTypeAnswersTheColourItShows) {
    const struct {
        const char* Name;
        TBytes File;
        int X;
        gdi::TColorRef Expected;
    } cases[] = {
        {"RGB", SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 1, 2, 3, 4, 5, 6})), 1, RGB(4, 5, 6)},
        {"RGB with alpha", SimplePng(Ihdr(1, 1, 8, 6), Bytes({0, 1, 2, 3, 9})), 0, RGB(1, 2, 3)},
        {"grey 1 bit, white", SimplePng(Ihdr(8, 1, 1, 0), Bytes({0, 0x80})), 0, RGB(255, 255, 255)},
        {"grey 1 bit, black", SimplePng(Ihdr(8, 1, 1, 0), Bytes({0, 0x80})), 1, RGB(0, 0, 0)},
        {"grey 2 bits", SimplePng(Ihdr(4, 1, 2, 0), Bytes({0, 0x6C})), 1, RGB(170, 170, 170)},
        {"grey 4 bits", SimplePng(Ihdr(2, 1, 4, 0), Bytes({0, 0x7F})), 0, RGB(119, 119, 119)},
        {"grey 16 bits", SimplePng(Ihdr(1, 1, 16, 0), Bytes({0, 0x12, 0x34})), 0,
         RGB(0x12, 0x12, 0x12)},
        {"grey with alpha", SimplePng(Ihdr(1, 1, 8, 4), Bytes({0, 77, 10})), 0, RGB(77, 77, 77)},
        {"palette 4 bits", SimplePng(Ihdr(2, 1, 4, 3), Bytes({0, 0x01}), Plte({1, 2, 3, 7, 8, 9})),
         1, RGB(7, 8, 9)},
        {"outside", SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 1, 2, 3, 4, 5, 6})), 2, 0},
        {"left of the image", SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 1, 2, 3, 4, 5, 6})), -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TPngGraphic png;
        LoadBytes(png, c.File);
        EXPECT_EQ(png.Pixels(c.X, 0), c.Expected);
    }
    EXPECT_EQ(TPngGraphic().Pixels(0, 0), 0u) << "an empty object has no pixels";
}

TEST(Pixels, APalettePixelReadsAsTheColourDrawn) {
    // Gamma 1.0 brightens the palette as it is read (128 becomes 186); reading the pixel
    // must not brighten it a second time.
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 3), Bytes({0, 0}), kGammaOne + Plte({128, 128, 128})));
    const gdi::TColorRef drawn = DrawnColors(png, 1, 1, 0, Bounds(0, 0, 1, 1))[0];
    EXPECT_EQ(drawn, RGB(186, 186, 186));
    EXPECT_EQ(png.Pixels(0, 0), drawn);
}

TEST(Pixels, SettingAPixelStoresTheNearestColourTheImageCanHold) {
    TPngGraphic rgb;
    LoadBytes(rgb, SimplePng(Ihdr(2, 1, 8, 2), Bytes({0, 1, 2, 3, 4, 5, 6})));
    rgb.SetPixels(1, 0, RGB(9, 8, 7));
    rgb.SetPixels(2, 0, RGB(1, 1, 1)); // outside: nothing happens
    EXPECT_EQ(DrawnColors(rgb, 2, 1, 0, Bounds(0, 0, 2, 1)),
              (std::vector{RGB(1, 2, 3), RGB(9, 8, 7)}));

    // A 4-bit palette of three colours, none of them black: black goes to the nearest of
    // the three, never to an unused entry beyond them.
    TPngGraphic palette;
    LoadBytes(palette, SimplePng(Ihdr(2, 1, 4, 3), Bytes({0, 0x01}),
                                 Plte({200, 0, 0, 0, 200, 0, 0, 0, 60})));
    palette.SetPixels(0, 0, RGB(0, 0, 0));
    EXPECT_EQ(palette.Pixels(0, 0), RGB(0, 0, 60));
    EXPECT_EQ(palette.Pixels(1, 0), RGB(0, 200, 0));

    TPngGraphic grey;
    LoadBytes(grey, SimplePng(Ihdr(1, 1, 4, 0), Bytes({0, 0})));
    grey.SetPixels(0, 0, RGB(100, 100, 100));
    EXPECT_EQ(grey.Pixels(0, 0), RGB(102, 102, 102)) << "the nearest of the 16 greys";

    // Grey with alpha takes the red component and keeps its alpha.
    TPngGraphic greyAlpha;
    LoadBytes(greyAlpha, SimplePng(Ihdr(1, 1, 8, 4), Bytes({0, 77, 128})));
    greyAlpha.SetPixels(0, 0, RGB(200, 1, 2));
    EXPECT_EQ(greyAlpha.Pixels(0, 0), RGB(200, 200, 200));
    EXPECT_EQ(DrawnColors(greyAlpha, 1, 1, RGB(255, 255, 255), Bounds(0, 0, 1, 1))[0],
              RGB(227, 227, 227));
}

TEST(Pixels, PalettesOfGreyAndPaletteImages) {
    TPngGraphic empty;
    EXPECT_THROW(empty.Palette(), EPNGHeaderNotPresent);
    EXPECT_THROW(empty.SetPalette(nullptr), EPNGHeaderNotPresent);

    TPngGraphic rgb;
    LoadBytes(rgb, SimplePng(Ihdr(1, 1, 8, 2), Bytes({0, 1, 2, 3})));
    EXPECT_EQ(rgb.Palette(), nullptr);

    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(2, 1, 8, 3), Bytes({0, 0, 1}), Plte({10, 20, 30, 40, 50, 60})));
    gdi::TPalette* palette = png.Palette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(png.Palette(), palette) << "the same handle until the image changes";
    EXPECT_EQ(palette->Count(), 256);
    EXPECT_EQ(palette->Entry(1), (gdi::TPaletteEntry{40, 50, 60, 0}));

    // Setting a palette recolours the image.
    gdi::TLogPalette log;
    log.palPalEntry = {{1, 1, 1, 0}, {250, 0, 0, 0}};
    const auto replacement = gdi::CreatePalette(log);
    png.SetPalette(replacement.get());
    EXPECT_EQ(DrawnColors(png, 2, 1, 0, Bounds(0, 0, 2, 1)),
              (std::vector{RGB(1, 1, 1), RGB(250, 0, 0)}));
    EXPECT_EQ(png.Palette()->Entry(1), (gdi::TPaletteEntry{250, 0, 0, 0}));

    // A new image drops the palette built for the old one.
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 0), Bytes({0, 9})));
    EXPECT_EQ(png.Palette()->Entry(9), (gdi::TPaletteEntry{9, 9, 9, 0}));
    rgb.SetPalette(replacement.get());
    EXPECT_EQ(rgb.Pixels(0, 0), RGB(1, 2, 3)) << "RGB images have no palette to set";
}

TEST(Pixels, TheSizeFollowsTheImageAlone) {
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(1, 1, 8, 2), Bytes({0, 1, 2, 3})));
    for (auto set : {&TPngGraphic::SetWidth, &TPngGraphic::SetHeight}) {
        try {
            (png.*set)(5);
            ADD_FAILURE() << "resized";
        } catch (const EPngError& e) {
            EXPECT_EQ(e.Message(), png::PngMessage(png::EPNGCannotChangeSizeText));
        }
    }
    EXPECT_THROW(TPngGraphic().SetWidth(1), EPngError);
    EXPECT_EQ(png.Width(), 1);
}
