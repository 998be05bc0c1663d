// Blits: raster operations, the two-colour rules between monochrome and colour bitmaps,
// stretching, mirroring, clipping, and drawing from caller-held DIB pixels.
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/TransparentBlt.h"
#include "tests/platform/GdiTestSupport.h"

#include <gtest/gtest.h>

using gdi::RGB;

TEST(Blit, RasterOperationsCombineSourceAndDestination) {
    const gdi::TColorRef s = RGB(0x33, 0x3C, 0xAA);
    const gdi::TColorRef d = RGB(0x0F, 0xF0, 0x55);
    const struct {
        gdi::TRasterOp Rop;
        gdi::TColorRef Expected;
    } cases[] = {
        {gdi::SRCCOPY, s},
        {gdi::NOTSRCCOPY, RGB(0xCC, 0xC3, 0x55)},
        {gdi::SRCAND, RGB(0x03, 0x30, 0x00)},
        {gdi::SRCPAINT, RGB(0x3F, 0xFC, 0xFF)},
    };
    for (const auto& c : cases) {
        TTestSurface source(1, 1, {s});
        TTestSurface dest(1, 1, {d});
        ASSERT_TRUE(gdi::BitBlt(*dest.DC, 0, 0, 1, 1, *source.DC, 0, 0, c.Rop));
        EXPECT_EQ(dest.Colors()[0], c.Expected) << std::hex << c.Rop;
    }
    TTestSurface source(1, 1), dest(1, 1);
    EXPECT_FALSE(gdi::BitBlt(*dest.DC, 0, 0, 1, 1, *source.DC, 0, 0, gdi::TRasterOp(0x00AA0029)))
        << "a raster operation this layer doesn't carry out";
    gdi::TMemoryDC empty;
    EXPECT_FALSE(gdi::BitBlt(empty, 0, 0, 1, 1, *source.DC, 0, 0, gdi::SRCCOPY));
}

TEST(Blit, MonochromeBitmapsFollowTheBackgroundAndTextColours) {
    TTestSurface colour(3, 1, {kRed, kGreen, kBlue});
    TTestSurface mask(gdi::CreateBitmap(3, 1, 1, 1));
    ASSERT_TRUE(mask.Bitmap->IsMonochrome());

    // Colour to monochrome: the source context's background colour becomes 1 (white).
    colour.DC->SetBkColor(kGreen);
    gdi::BitBlt(*mask.DC, 0, 0, 3, 1, *colour.DC, 0, 0, gdi::SRCCOPY);
    EXPECT_EQ(mask.Colors(), (std::vector{kBlack, kWhite, kBlack}));

    // Monochrome to colour: 0-bits take the destination's text colour, 1-bits its
    // background colour.
    TTestSurface target(3, 1);
    target.DC->SetTextColor(kRed);
    target.DC->SetBkColor(kBlue);
    gdi::BitBlt(*target.DC, 0, 0, 3, 1, *mask.DC, 0, 0, gdi::SRCCOPY);
    EXPECT_EQ(target.Colors(), (std::vector{kRed, kBlue, kRed}));

    // Monochrome to monochrome copies the bits; NOTSRCCOPY inverts them.
    TTestSurface inverse(gdi::CreateBitmap(3, 1, 1, 1));
    gdi::BitBlt(*inverse.DC, 0, 0, 3, 1, *mask.DC, 0, 0, gdi::NOTSRCCOPY);
    EXPECT_EQ(inverse.Colors(), (std::vector{kWhite, kBlack, kWhite}));
}

TEST(Blit, StretchingSamplesThePixelUnderEachCentre) {
    TTestSurface source(2, 2, {kRed, kGreen, kBlue, kWhite});
    TTestSurface big(4, 4);
    gdi::StretchBlt(*big.DC, 0, 0, 4, 4, *source.DC, 0, 0, 2, 2, gdi::SRCCOPY);
    EXPECT_EQ(big.Colors(), (std::vector{kRed, kRed, kGreen, kGreen,   //
                                         kRed, kRed, kGreen, kGreen,   //
                                         kBlue, kBlue, kWhite, kWhite, //
                                         kBlue, kBlue, kWhite, kWhite}));

    TTestSurface small(2, 2);
    big.DC->SelectObject(big.Bitmap.get());
    gdi::SetPixel(*big.DC, 1, 1, kGrey);
    gdi::StretchBlt(*small.DC, 0, 0, 2, 2, *big.DC, 0, 0, 4, 4, gdi::SRCCOPY);
    EXPECT_EQ(small.Colors(), (std::vector{kGrey, kGreen, kBlue, kWhite}))
        << "shrinking keeps one pixel of each 2 x 2 block, the one under the centre";

    // A negative destination width mirrors the image.
    TTestSurface mirrored(2, 2);
    gdi::StretchBlt(*mirrored.DC, 2, 0, -2, 2, *source.DC, 0, 0, 2, 2, gdi::SRCCOPY);
    EXPECT_EQ(mirrored.Colors(), (std::vector{kGreen, kRed, kWhite, kBlue}));
}

TEST(Blit, PixelsOutsideEitherBitmapAreLeftAlone) {
    TTestSurface source(2, 2, {kRed, kGreen, kBlue, kWhite});
    TTestSurface dest(3, 3, std::vector<gdi::TColorRef>(9, kGrey));
    // Half of the copy falls off the destination's top left.
    gdi::BitBlt(*dest.DC, -1, -1, 2, 2, *source.DC, 0, 0, gdi::SRCCOPY);
    EXPECT_EQ(dest.Colors()[0], kWhite);
    // The source rectangle runs past the source's right edge: that column is not drawn.
    gdi::BitBlt(*dest.DC, 1, 1, 2, 2, *source.DC, 1, 0, gdi::SRCCOPY);
    // ...and here past its left edge.
    gdi::BitBlt(*dest.DC, 0, 2, 2, 1, *source.DC, -1, 1, gdi::SRCCOPY);
    EXPECT_EQ(dest.Colors(), (std::vector{kWhite, kGrey, kGrey, //
                                          kGrey, kGreen, kGrey, //
                                          kGrey, kBlue, kGrey}));
}

TEST(Blit, IndexedDestinationsTakeTheNearestColour) {
    gdi::TBitmapInfo info = gdi::MakeBitmapInfo(2, 1, 8);
    info.bmiColors[0] = {0, 0, 0, 0};
    info.bmiColors[1] = {0, 0, 200, 0}; // red 200
    info.bmiColors[2] = {250, 250, 250, 0};
    TTestSurface indexed(gdi::TDibSection::Create(info));
    TTestSurface source(2, 1, {RGB(255, 10, 10), RGB(240, 240, 255)});
    gdi::BitBlt(*indexed.DC, 0, 0, 2, 1, *source.DC, 0, 0, gdi::SRCCOPY);
    EXPECT_EQ(indexed.Bitmap->ScanLine(0)[0], 1);
    EXPECT_EQ(indexed.Bitmap->ScanLine(0)[1], 2);
    EXPECT_EQ(gdi::SetPixel(*indexed.DC, 0, 0, RGB(10, 0, 0)), kBlack)
        << "SetPixel answers the colour the bitmap could hold";
    EXPECT_EQ(gdi::GetPixel(*indexed.DC, 2, 0), gdi::CLR_INVALID);
    EXPECT_EQ(gdi::SetPixel(*indexed.DC, 0, -1, kRed), gdi::CLR_INVALID);
}

TEST(Blit, DibPixelsDrawThroughTheirColourTableTopRowFirst) {
    // Bottom-up 4-bit DIB, 3 x 2: the top row is stored second.
    gdi::TBitmapInfo info = gdi::MakeBitmapInfo(3, 2, 4);
    info.bmiColors[1] = {0, 0, 255, 0};
    info.bmiColors[2] = {0, 255, 0, 0};
    info.bmiColors[3] = {255, 0, 0, 0};
    const std::uint8_t bits[8] = {0x33, 0x30, 0, 0, /* top: */ 0x12, 0x10, 0, 0};
    TTestSurface dest(3, 2);
    EXPECT_EQ(gdi::StretchDIBits(*dest.DC, 0, 0, 3, 2, 0, 0, 3, 2, bits, info, gdi::SRCCOPY), 2);
    EXPECT_EQ(dest.Colors(), (std::vector{kRed, kGreen, kRed, kBlue, kBlue, kBlue}));

    info.bmiHeader.biCompression = 1;
    EXPECT_EQ(gdi::StretchDIBits(*dest.DC, 0, 0, 3, 2, 0, 0, 3, 2, bits, info, gdi::SRCCOPY), 0);
}

TEST(Blit, FillRectIsClippedToTheBitmap) {
    TTestSurface dest(3, 2);
    EXPECT_TRUE(gdi::FillRect(*dest.DC, TRect{-5, 1, 2, 9}, kBlue));
    EXPECT_EQ(dest.Colors(), (std::vector{kBlack, kBlack, kBlack, kBlue, kBlue, kBlack}));
}

TEST(TransparentBlt, TheTransparentColourLeavesAHoleAndTheRestStretches) {
    TTestSurface image(2, 1, {kRed, kGreen});
    TTestSurface canvas(4, 3, std::vector<gdi::TColorRef>(12, kGrey));
    ASSERT_TRUE(gdi::StretchTransparent(*canvas.DC, 0, 1, 4, 2, *image.DC, kGreen));
    EXPECT_EQ(canvas.Colors(), (std::vector{kGrey, kGrey, kGrey, kGrey, //
                                            kRed, kRed, kGrey, kGrey,   //
                                            kRed, kRed, kGrey, kGrey}));
    EXPECT_EQ(image.Colors(), (std::vector{kRed, kGreen})) << "the image is left as it was";

    EXPECT_FALSE(gdi::StretchTransparent(*canvas.DC, 2, 0, -2, 2, *image.DC, kGreen));
    EXPECT_FALSE(gdi::StretchTransparent(*canvas.DC, 0, 0, 0, 2, *image.DC, kGreen));
    EXPECT_FALSE(gdi::StretchTransparent(*canvas.DC, 4, 0, 2, 2, *image.DC, kGreen))
        << "entirely beside the destination";
}

TEST(TransparentBlt, OnlyTheVisiblePartIsWorkedOn) {
    // Stretched to a million pixels square, of which the 3 x 2 destination shows the top
    // left: the scratch bitmaps are the destination's size, not the rectangle's.
    TTestSurface image(2, 1, {kRed, kGreen});
    TTestSurface canvas(3, 2, std::vector<gdi::TColorRef>(6, kGrey));
    ASSERT_TRUE(gdi::StretchTransparent(*canvas.DC, -1, 0, 1 << 20, 1 << 20, *image.DC, kRed));
    EXPECT_EQ(canvas.Colors(), std::vector<gdi::TColorRef>(6, kGrey));
    ASSERT_TRUE(
        gdi::StretchTransparent(*canvas.DC, -(1 << 19) + 1, -5, 1 << 20, 9, *image.DC, kRed));
    EXPECT_EQ(canvas.Colors(), (std::vector{kGrey, kGreen, kGreen, kGrey, kGreen, kGreen}));
}

TEST(TransparentBlt, ShrinkingKeepsMaskAndImageAligned) {
    // Every odd column is transparent; shrinking by 3 must not leave black specks where
    // the mask and the image would sample different pixels.
    std::vector<gdi::TColorRef> colors;
    for (int x = 0; x < 9; ++x)
        colors.push_back(x % 2 ? kGreen : kRed);
    TTestSurface image(9, 1, colors);
    TTestSurface canvas(3, 1, {kGrey, kGrey, kGrey});
    gdi::StretchTransparent(*canvas.DC, 0, 0, 3, 1, *image.DC, kGreen);
    // Centres of the three destination pixels sample source columns 1, 4 and 7.
    EXPECT_EQ(canvas.Colors(), (std::vector{kGrey, kRed, kGrey}));
}
