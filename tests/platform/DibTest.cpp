#include "platform/gdi/Dib.h"

#include "platform/gdi/MemoryDC.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

gdi::TBitmapInfo Info(int width, int height, int bitCount) {
    gdi::TBitmapInfo info;
    info.bmiHeader.biSize = gdi::kBitmapInfoHeaderSize;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<std::uint16_t>(bitCount);
    info.bmiHeader.biCompression = gdi::BI_RGB;
    return info;
}

} // namespace

TEST(Dib, RowsArePaddedToWholeWords) {
    EXPECT_EQ(gdi::DibStride(33, 1), 8u);
    EXPECT_EQ(gdi::DibStride(32, 1), 4u);
    EXPECT_EQ(gdi::DibStride(9, 4), 8u);
    EXPECT_EQ(gdi::DibStride(5, 8), 8u);
    EXPECT_EQ(gdi::DibStride(1, 24), 4u);
    EXPECT_EQ(gdi::DibStride(5, 24), 16u);
    EXPECT_EQ(gdi::DibStride(3, 32), 12u);
    EXPECT_EQ(gdi::DibStride(0, 8), 0u);
    EXPECT_EQ(gdi::DibStride(4, 16), 0u) << "a depth the library doesn't draw";
}

TEST(Dib, RefusesHeadersItCannotHold) {
    gdi::TBitmapInfo info = Info(4, 4, 8);
    info.bmiHeader.biPlanes = 2;
    EXPECT_EQ(gdi::TDibSection::Create(info), nullptr);
    info = Info(4, 4, 8);
    info.bmiHeader.biCompression = 1;
    EXPECT_EQ(gdi::TDibSection::Create(info), nullptr);
    EXPECT_EQ(gdi::TDibSection::Create(Info(0, 4, 8)), nullptr);
    EXPECT_EQ(gdi::TDibSection::Create(Info(-4, 4, 8)), nullptr);
    EXPECT_EQ(gdi::TDibSection::Create(Info(4, 0, 8)), nullptr);
    EXPECT_EQ(gdi::TDibSection::Create(Info(4, 4, 2)), nullptr);
    // 2^31 - 1 rows of 2^31 - 1 pixels at 32 bits: 16 EiB, never handed to the allocator.
    EXPECT_EQ(gdi::TDibSection::Create(Info(0x7FFFFFFF, 0x7FFFFFFF, 32)), nullptr);
}

TEST(Dib, ScanLinesFollowTheStorageOrder) {
    auto bottomUp = gdi::TDibSection::Create(Info(3, 4, 24));
    ASSERT_NE(bottomUp, nullptr);
    EXPECT_EQ(bottomUp->Height(), 4);
    EXPECT_FALSE(bottomUp->TopDown());
    EXPECT_EQ(bottomUp->Stride(), 12u);
    EXPECT_TRUE(std::all_of(bottomUp->Bits(), bottomUp->Bits() + bottomUp->ImageSize(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(bottomUp->ScanLine(0), bottomUp->Bits() + 3 * 12);
    EXPECT_EQ(bottomUp->ScanLine(3), bottomUp->Bits());

    auto topDown = gdi::TDibSection::Create(Info(3, -4, 32));
    ASSERT_NE(topDown, nullptr);
    EXPECT_TRUE(topDown->TopDown());
    EXPECT_EQ(topDown->Height(), 4);
    EXPECT_EQ(topDown->ScanLine(1), topDown->Bits() + 12);
}

TEST(Dib, KeepsAColourTableForIndexedDepths) {
    gdi::TBitmapInfo info = Info(2, 2, 4);
    for (int i = 0; i < 256; ++i)
        info.bmiColors[i] = {std::uint8_t(i), std::uint8_t(i + 1), std::uint8_t(i + 2), 0};
    auto dib = gdi::TDibSection::Create(info);
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->ColorCount(), 16);
    EXPECT_EQ(dib->ColorTable()[15], (gdi::TRGBQuad{15, 16, 17, 0}));
    EXPECT_EQ(dib->ColorTable()[16], gdi::TRGBQuad{}) << "entries beyond the depth stay empty";
    EXPECT_EQ(gdi::TDibSection::Create(Info(2, 2, 24))->ColorCount(), 0);
}

TEST(MemoryDC, SelectAndBackgroundAnswerThePreviousValues) {
    auto dc = gdi::CreateCompatibleDC(nullptr);
    auto a = gdi::TDibSection::Create(Info(1, 1, 1));
    auto b = gdi::TDibSection::Create(Info(1, 1, 8));
    EXPECT_EQ(dc->SelectObject(a.get()), nullptr);
    EXPECT_EQ(dc->SelectObject(b.get()), a.get());
    EXPECT_EQ(dc->Bitmap(), b.get());
    EXPECT_EQ(dc->SetBkColor(gdi::RGB(1, 2, 3)), gdi::RGB(255, 255, 255));
    EXPECT_EQ(dc->BkColor(), 0x030201u);
}
