// Making bitmaps, device-dependent copies of DIB pixels, reading pixels back in another
// layout, and palettes.
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/Palette.h"
#include "tests/platform/GdiTestSupport.h"

#include <gtest/gtest.h>

using gdi::RGB;

TEST(Bitmaps, MasksAndCompatibleBitmaps) {
    auto mask = gdi::CreateBitmap(9, 2, 1, 1);
    ASSERT_NE(mask, nullptr);
    EXPECT_TRUE(mask->IsMonochrome());
    EXPECT_EQ(gdi::CreateBitmap(9, 2, 2, 1), nullptr) << "one plane only";
    EXPECT_EQ(gdi::CreateBitmap(0, 2, 1, 1), nullptr);

    auto screen = gdi::CreateCompatibleBitmap(nullptr, 3, 2);
    gdi::TBitmapDesc desc;
    ASSERT_TRUE(gdi::GetObject(screen.get(), desc));
    EXPECT_EQ(desc.bmWidth, 3);
    EXPECT_EQ(desc.bmHeight, 2);
    EXPECT_EQ(desc.bmBitsPixel, 32);
    EXPECT_FALSE(gdi::GetObject(nullptr, desc));
}

TEST(Bitmaps, DeviceDependentCopiesKeepEveryColour) {
    // 1, 4, 8 and 24 bits, bottom-up, one row of 2 pixels each: white then a blue-ish
    // colour (through the colour table for the indexed ones).
    const gdi::TRGBQuad blue{200, 10, 20, 0};
    for (int bits : {1, 4, 8, 24}) {
        SCOPED_TRACE(bits);
        gdi::TBitmapInfo info = gdi::MakeBitmapInfo(2, 1, bits);
        std::vector<std::uint8_t> pixels(gdi::DibStride(2, bits));
        if (bits == 24) {
            const std::uint8_t p[] = {255, 255, 255, 200, 10, 20};
            std::copy(p, p + 6, pixels.begin());
        } else {
            info.bmiColors[0] = {255, 255, 255, 0};
            info.bmiColors[1] = blue;
            gdi::WritePixelValue(pixels.data(), 1, bits, 1);
        }
        auto copy = gdi::CreateDIBitmap(nullptr, info, pixels.data());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->BitCount(), 32);
        TTestSurface surface(std::move(copy));
        EXPECT_EQ(surface.Colors(), (std::vector{kWhite, RGB(20, 10, 200)}));
    }
}

TEST(Bitmaps, GetDIBitsConvertsIntoThePreparedLayout) {
    // Colours of the default 8-bit table, so the indexed copy holds them exactly.
    TTestSurface source(2, 3, {kRed, kGreen, kBlue, kWhite, kBlack, RGB(51, 102, 153)});

    // 24 bits, bottom-up: the bottom row is stored first.
    gdi::TBitmapInfo info = gdi::MakeBitmapInfo(2, 3, 24);
    std::vector<std::uint8_t> bits(gdi::DibStride(2, 24) * 3);
    EXPECT_EQ(gdi::GetDIBits(nullptr, *source.Bitmap, 0, 3, bits.data(), info), 3);
    EXPECT_EQ(gdi::DirectColor(gdi::ReadPixelValue(bits.data(), 0, 24)), kBlack);
    EXPECT_EQ(gdi::DirectColor(gdi::ReadPixelValue(bits.data() + 16, 1, 24)), kGreen);

    // Scan lines 1 and 2 only: the rows above the bottom one.
    std::fill(bits.begin(), bits.end(), 0xEE);
    EXPECT_EQ(gdi::GetDIBits(nullptr, *source.Bitmap, 1, 5, bits.data(), info), 2);
    EXPECT_EQ(bits[0], 0xEE) << "scan line 0 is not touched";
    EXPECT_EQ(gdi::DirectColor(gdi::ReadPixelValue(bits.data() + 8, 0, 24)), kBlue);

    // 8 bits from a true-colour bitmap: the default table, nearest colours.
    gdi::TBitmapInfo indexed = gdi::MakeBitmapInfo(2, -3, 8);
    std::vector<std::uint8_t> values(gdi::DibStride(2, 8) * 3);
    EXPECT_EQ(gdi::GetDIBits(nullptr, *source.Bitmap, 0, 3, values.data(), indexed), 3);
    gdi::TDibView view;
    ASSERT_TRUE(gdi::MakeDibView(indexed, values.data(), view));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(gdi::PixelColor(view, gdi::ReadPixelValue(view.Row(y), x, 8)),
                      source.Colors()[y * 2 + x]);

    // The layout must describe the bitmap's own size.
    gdi::TBitmapInfo wrong = gdi::MakeBitmapInfo(3, 3, 24);
    EXPECT_EQ(gdi::GetDIBits(nullptr, *source.Bitmap, 0, 3, bits.data(), wrong), 0);
}

TEST(Bitmaps, AnIndexedBitmapOfTheSameDepthKeepsItsTableAndValues) {
    gdi::TBitmapInfo info = gdi::MakeBitmapInfo(3, 1, 8);
    // Entries 4 and 9 hold the same colour: a lookup by colour would merge them.
    info.bmiColors[4] = {1, 2, 3, 0};
    info.bmiColors[9] = {1, 2, 3, 0};
    auto bitmap = gdi::TDibSection::Create(info);
    bitmap->ScanLine(0)[0] = 9;
    bitmap->ScanLine(0)[1] = 4;
    gdi::TBitmapInfo out = gdi::MakeBitmapInfo(3, 1, 8);
    std::vector<std::uint8_t> bits(4);
    ASSERT_EQ(gdi::GetDIBits(nullptr, *bitmap, 0, 1, bits.data(), out), 1);
    EXPECT_EQ(bits[0], 9);
    EXPECT_EQ(bits[1], 4);
    EXPECT_EQ(out.bmiColors[9], (gdi::TRGBQuad{1, 2, 3, 0}));
}

TEST(Palette, CreationEntriesAndNearestColour) {
    gdi::TLogPalette log;
    EXPECT_EQ(gdi::CreatePalette(log), nullptr) << "no entries";
    log.palPalEntry = {{0, 0, 0, 0}, {250, 0, 0, 0}, {0, 0, 250, 0}, {250, 0, 0, 0}};
    log.palVersion = 0x200;
    EXPECT_EQ(gdi::CreatePalette(log), nullptr) << "another version";
    log.palVersion = gdi::kPaletteVersion;
    auto palette = gdi::CreatePalette(log);
    ASSERT_NE(palette, nullptr);

    gdi::TPaletteEntry entries[8];
    EXPECT_EQ(gdi::GetPaletteEntries(palette.get(), 1, 8, entries), 3);
    EXPECT_EQ(entries[2], (gdi::TPaletteEntry{250, 0, 0, 0}));
    EXPECT_EQ(gdi::GetPaletteEntries(palette.get(), 4, 1, entries), 0);
    EXPECT_EQ(gdi::GetPaletteEntries(nullptr, 0, 1, entries), 0);

    EXPECT_EQ(gdi::GetNearestPaletteIndex(palette.get(), RGB(255, 30, 0)), 1)
        << "the lowest index wins a tie";
    EXPECT_EQ(gdi::GetNearestPaletteIndex(palette.get(), RGB(20, 20, 200)), 2);
    EXPECT_EQ(gdi::GetNearestPaletteIndex(nullptr, 0), -1);
    log.palPalEntry.resize(257);
    EXPECT_EQ(gdi::CreatePalette(log), nullptr) << "more than 256 entries";
}
