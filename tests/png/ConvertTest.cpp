// Conversions: PNG images to and from framework bitmaps, deep copies through pictures,
// the clipboard, and the registration for ".png" files.
#include "gui/Bitmap.h"
#include "gui/Clipboard.h"
#include "gui/Picture.h"
#include "png/pngmessages.h"
#include "tests/common/TempDir.h"
#include "tests/png/PngTestSupport.h"

#include <filesystem>

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

std::vector<gdi::TColorRef> PngColors(const TPngGraphic& png) {
    std::vector<gdi::TColorRef> out;
    for (int y = 0; y < png.Height(); ++y)
        for (int x = 0; x < png.Width(); ++x)
            out.push_back(png.Pixels(x, y));
    return out;
}

// A palette image 2 x 1 whose entry 0 (red) is the one transparent colour.
TBytes HolePng() {
    return SimplePng(Ihdr(2, 1, 8, 3), Bytes({0, 0, 1}),
                     Chunk("PLTE", Bytes({255, 0, 0, 0, 0, 255})) + Chunk("tRNS", Bytes({0, 255})));
}

} // namespace

TEST(Convert, ABitmapTakesThePixelsAndDepthOfEveryImage) {
    for (const std::string& name : FixtureNames()) {
        SCOPED_TRACE(name);
        TPngGraphic png;
        png.LoadFromFile(FixturePath(name));
        TBitmap bitmap;
        bitmap.Assign(png);
        const int bits = png.Header().BitmapInfo().bmiHeader.biBitCount;
        EXPECT_EQ(bitmap.Handle()->BitCount(), bits);
        EXPECT_EQ(BitmapColors(bitmap), PngColors(png));
        EXPECT_FALSE(bitmap.Transparent());
    }
    TPngGraphic empty;
    TBitmap bitmap;
    try {
        bitmap.Assign(empty);
        ADD_FAILURE() << "assigned";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TPngGraphic to a TBitmap");
    }
}

TEST(Convert, ABitmapKeepsTheOneTransparentColour) {
    TPngGraphic png;
    LoadBytes(png, HolePng());
    TBitmap bitmap;
    bitmap.Assign(png);
    EXPECT_TRUE(bitmap.Transparent());
    EXPECT_EQ(bitmap.TransparentColor(), RGB(255, 0, 0));
    TTestCanvas canvas(4, 1, RGB(9, 9, 9));
    canvas.Canvas.StretchDraw(Bounds(0, 0, 4, 1), bitmap);
    EXPECT_EQ(canvas.Colors(), DrawnColors(png, 4, 1, RGB(9, 9, 9), Bounds(0, 0, 4, 1)));
}

TEST(Convert, BuildingFromABitmapPicksColourTypeAndDepth) {
    const struct {
        TPixelFormat Format;
        int ColorType, BitDepth, PaletteEntries;
    } cases[] = {
        {TPixelFormat::pf1bit, 3, 1, 2},   {TPixelFormat::pf4bit, 3, 4, 16},
        {TPixelFormat::pf8bit, 3, 8, 256}, {TPixelFormat::pf24bit, 2, 8, -1},
        {TPixelFormat::pf32bit, 2, 8, -1},
    };
    // Colours of every default table, so no format changes them.
    const std::vector<gdi::TColorRef> colors = {RGB(0, 0, 0), RGB(255, 255, 255),
                                                RGB(255, 255, 255), RGB(0, 0, 0)};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Format));
        TBitmap bitmap;
        bitmap.SetPixelFormat(c.Format);
        bitmap.SetSize(2, 2);
        bitmap.Canvas().SetPixels(0, 0, colors[0]);
        bitmap.Canvas().SetPixels(1, 1, colors[3]);
        TPngGraphic png;
        png.Assign(bitmap);
        EXPECT_EQ(png.Header().ColorType(), c.ColorType);
        EXPECT_EQ(png.Header().BitDepth(), c.BitDepth);
        const auto* palette = png.Chunks().FindChunk<TChunkPLTE>();
        EXPECT_EQ(palette ? palette->Count() : -1, c.PaletteEntries);
        EXPECT_EQ(png.Chunks().FindChunk<TChunktRNS>(), nullptr);
        EXPECT_EQ(PngColors(png), colors);

        // What was built saves and loads as the same image.
        TMemoryStream saved;
        png.SaveToStream(saved);
        TPngGraphic again;
        LoadBytes(again, saved.Bytes());
        EXPECT_EQ(PngColors(again), colors);
    }
}

TEST(Convert, ATransparentBitmapBuildsAnImageWithAHole) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(2, 1);
    bitmap.Canvas().SetPixels(0, 0, RGB(1, 2, 3));
    bitmap.SetTransparentColor(RGB(1, 2, 3));
    bitmap.SetTransparent(true);
    TPngGraphic png;
    png.Assign(bitmap);
    ASSERT_EQ(png.TransparencyMode(), png::TTransparencyMode::ptmBit);
    EXPECT_EQ(DrawnColors(png, 2, 1, RGB(9, 9, 9), Bounds(0, 0, 2, 1)),
              (std::vector{RGB(9, 9, 9), RGB(255, 255, 255)}));
}

TEST(Convert, BitmapsTheImageCantHoldLeaveItEmpty) {
    TPngGraphic png;
    LoadBytes(png, HolePng());
    TBitmap empty;
    png.Assign(empty);
    EXPECT_TRUE(png.Empty());

    TBitmap big;
    big.SetSize(100, 100);
    png.SetMaxPixels(99 * 100);
    EXPECT_THROW(png.Assign(big), EPNGSizeExceeds);
    EXPECT_TRUE(png.Empty()) << "nothing half-built stays behind";
}

TEST(Convert, APictureKeepsADeepCopyOfItsImage) {
    for (const char* name :
         {"pattern-c6-d8.png", "im-plasma-palette8.png", "pattern-c4-d8-i.png"}) {
        SCOPED_TRACE(name);
        TPicture picture;
        TBytes expectedRgba;
        gdi::TColorRef firstPixel;
        int width = 0, height = 0;
        {
            auto original = std::make_unique<TPngGraphic>();
            original->LoadFromFile(FixturePath(name));
            picture.SetGraphic(original.get());
            expectedRgba = DecodedRgba(*original);
            width = original->Width();
            height = original->Height();
            firstPixel = original->Pixels(0, 0);
            // Changing the copy leaves the original alone.
            auto& copy = dynamic_cast<TPngGraphic&>(*picture.Graphic());
            copy.SetPixels(0, 0, firstPixel ^ 0xFFFFFF);
            EXPECT_EQ(original->Pixels(0, 0), firstPixel);
            copy.SetPixels(0, 0, firstPixel);
            EXPECT_EQ(copy.TransparencyMode(), original->TransparencyMode());
        }
        // The original is gone; the copy is complete.
        auto* copy = dynamic_cast<TPngGraphic*>(picture.Graphic());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(DecodedRgba(*copy), expectedRgba);
        EXPECT_EQ(picture.Width(), width);
        EXPECT_EQ(picture.Height(), height);
    }
}

TEST(Convert, TheClipboardCarriesTheImageAsDrawnOnWhite) {
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(2, 1, 8, 6), Bytes({0, 200, 100, 0, 128, 1, 2, 3, 255})));
    Clipboard().Assign(png);
    ASSERT_TRUE(Clipboard().HasPicture());

    TBitmap bitmap;
    Clipboard().AssignTo(bitmap);
    EXPECT_EQ(BitmapColors(bitmap), (std::vector{RGB(227, 177, 127), RGB(1, 2, 3)}));

    TPngGraphic pasted;
    Clipboard().AssignTo(pasted);
    EXPECT_EQ(pasted.Header().ColorType(), png::COLOR_RGB);
    EXPECT_FALSE(pasted.Transparent());
    EXPECT_EQ(PngColors(pasted), (std::vector{RGB(227, 177, 127), RGB(1, 2, 3)}));
}

TEST(Convert, PicturesFindTheClassForPngFilesWhateverTheCase) {
    EXPECT_NE(TPicture::FindGraphicClass("PNG"), nullptr);
    EXPECT_EQ(TPicture::FindGraphicClass("png"), TPicture::FindGraphicClass(".Png"));
    EXPECT_NE(TPicture::GraphicFilter().find("Portable Network Graphics (*.png *.PNG)"),
              std::string::npos);

    TempDir dir;
    std::filesystem::copy_file(FixturePath("pattern-c3-d4.png"), dir.File("COPY.PNG"));
    TPicture picture;
    picture.LoadFromFile(dir.File("COPY.PNG"));
    ASSERT_NE(dynamic_cast<TPngGraphic*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 37);

    picture.SaveToFile(dir.File("again.png"));
    TPngGraphic again;
    again.LoadFromFile(dir.File("again.png"));
    EXPECT_EQ(DecodedRgba(again), DecodedRgba(dynamic_cast<TPngGraphic&>(*picture.Graphic())));
}
