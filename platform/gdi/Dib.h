// Device-independent bitmaps over plain memory, laid out exactly as the Windows GDI lays
// them out: a 40-byte information header, an optional colour table of blue-green-red
// quads, and rows padded to 32-bit boundaries, stored bottom-up unless the header's
// height is negative. Keeping that layout lets the decoder and the drawing code share one
// picture of memory with the stored files and the raster operations built on top of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace gdi {

// Colour values as the platform passes them around: red in the lowest byte, then green,
// then blue (0x00BBGGRR).
using TColorRef = std::uint32_t;

constexpr TColorRef RGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<TColorRef>(r) | (static_cast<TColorRef>(g) << 8) |
           (static_cast<TColorRef>(b) << 16);
}
constexpr std::uint8_t GetRValue(TColorRef c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t GetGValue(TColorRef c) {
    return static_cast<std::uint8_t>(c >> 8);
}
constexpr std::uint8_t GetBValue(TColorRef c) {
    return static_cast<std::uint8_t>(c >> 16);
}

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr int kMaxColorTableEntries = 256;

struct TBitmapInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    // Positive: rows stored bottom-up; negative: top-down.
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(TBitmapInfoHeader) == kBitmapInfoHeaderSize);

struct TRGBQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;

    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// The header followed by a full colour table; bitmaps above 8 bits per pixel ignore it.
struct TBitmapInfo {
    TBitmapInfoHeader bmiHeader;
    std::array<TRGBQuad, kMaxColorTableEntries> bmiColors{};
};

// Bytes in one stored row: every row starts on a 32-bit boundary. Answers 0 when the
// width or depth is unusable or the row would not fit the address space.
std::size_t DibStride(std::int64_t width, int bitCount);

// Entries a colour table holds for a depth: 2^bitCount up to 8 bits, none above.
int DibColorCount(int bitCount);

// Read access to pixels laid out as a DIB, wherever they live: a bitmap's own memory, or
// a caller's pixels described by a bitmap information header (StretchDIBits, GetDIBits).
struct TDibView {
    const std::uint8_t* Bits = nullptr;
    int Width = 0;
    // Always positive; TopDown tells the storage order.
    int Height = 0;
    bool TopDown = false;
    int BitCount = 0;
    std::size_t Stride = 0;
    const TRGBQuad* Colors = nullptr;
    int ColorCount = 0;

    // Image row `row` counted from the top.
    const std::uint8_t* Row(int row) const {
        const int stored = TopDown ? row : Height - 1 - row;
        return Bits + static_cast<std::size_t>(stored) * Stride;
    }
};

// A view of `bits` as `info` describes them; false when the header is not one this library
// draws (the same rules as TDibSection::Create) or `bits` is null.
bool MakeDibView(const TBitmapInfo& info, const void* bits, TDibView& view);

// A bitmap with directly addressable pixels (what CreateDIBSection answers). The pixel
// memory starts zeroed; the colour table is copied from the information it was made from,
// as the platform does, and can be replaced later.
class TDibSection {
public:
    // Answers null when the header is not one this library draws (1, 4, 8, 24 or 32 bits
    // per pixel, uncompressed, positive width, non-zero height, at most 64 GiB of pixels)
    // or the memory can't be had.
    static std::unique_ptr<TDibSection> Create(const TBitmapInfo& info);

    ~TDibSection();
    TDibSection(const TDibSection&) = delete;
    TDibSection& operator=(const TDibSection&) = delete;

    int Width() const { return FWidth; }
    // Always positive; TopDown() tells the storage order.
    int Height() const { return FHeight; }
    bool TopDown() const { return FTopDown; }
    int BitCount() const { return FBitCount; }
    std::size_t Stride() const { return FStride; }
    std::size_t ImageSize() const { return FStride * static_cast<std::size_t>(FHeight); }

    // The pixel memory in storage order, as the platform hands it out.
    std::uint8_t* Bits() { return FBits; }
    const std::uint8_t* Bits() const { return FBits; }

    // Image row `row` counted from the top, whichever way the rows are stored.
    std::uint8_t* ScanLine(int row) { return FBits + RowOffset(row); }
    const std::uint8_t* ScanLine(int row) const { return FBits + RowOffset(row); }

    const std::array<TRGBQuad, kMaxColorTableEntries>& ColorTable() const { return FColors; }
    int ColorCount() const { return DibColorCount(FBitCount); }
    void SetColorTable(const TRGBQuad* colors, int count);

    // Monochrome bitmaps (1 bit per pixel, black then white in the colour table) follow
    // the platform's two-colour rules in blits instead of colour matching.
    bool IsMonochrome() const;

    TDibView View() const;

private:
    TDibSection() = default;
    std::size_t RowOffset(int row) const {
        const int stored = FTopDown ? row : FHeight - 1 - row;
        return static_cast<std::size_t>(stored) * FStride;
    }

    int FWidth = 0;
    int FHeight = 0;
    bool FTopDown = false;
    int FBitCount = 0;
    std::size_t FStride = 0;
    std::uint8_t* FBits = nullptr;
    std::array<TRGBQuad, kMaxColorTableEntries> FColors{};
};

} // namespace gdi
