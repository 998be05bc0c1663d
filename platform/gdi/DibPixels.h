// Reading and writing single pixels of DIB rows. A pixel value is what the row stores: a
// colour-table index at 1, 4 and 8 bits per pixel (the leftmost pixel in the high bits of
// its byte), blue | green << 8 | red << 16 at 24 and 32 bits.
#pragma once

#include "platform/gdi/Dib.h"

#include <cstddef>
#include <cstdint>

namespace gdi {

inline std::uint32_t ReadPixelValue(const std::uint8_t* row, std::size_t x, int bitCount) {
    switch (bitCount) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (row[x / 2] >> (x % 2 ? 0 : 4)) & 15;
    case 8:
        return row[x];
    case 24:
        return row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
    default:
        return row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16;
    }
}

// The fourth byte of a 32-bit pixel is left as it is: nothing here gives it a meaning.
inline void WritePixelValue(std::uint8_t* row, std::size_t x, int bitCount, std::uint32_t value) {
    switch (bitCount) {
    case 1: {
        const unsigned shift = 7 - x % 8;
        row[x / 8] =
            static_cast<std::uint8_t>((row[x / 8] & ~(1u << shift)) | (value & 1) << shift);
        break;
    }
    case 4: {
        const unsigned shift = x % 2 ? 0 : 4;
        row[x / 2] =
            static_cast<std::uint8_t>((row[x / 2] & ~(15u << shift)) | (value & 15) << shift);
        break;
    }
    case 8:
        row[x] = static_cast<std::uint8_t>(value);
        break;
    default: {
        std::uint8_t* p = row + (bitCount == 24 ? 3 : 4) * x;
        p[0] = static_cast<std::uint8_t>(value);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value >> 16);
        break;
    }
    }
}

// The bits of a pixel value that raster operations work on.
constexpr std::uint32_t PixelValueMask(int bitCount) {
    return bitCount >= 24 ? 0xFFFFFFu : (1u << bitCount) - 1;
}

constexpr TColorRef QuadToColor(const TRGBQuad& q) {
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

// The value a 24- or 32-bit pixel stores for a colour, and back.
constexpr std::uint32_t DirectValue(TColorRef color) {
    return GetBValue(color) | GetGValue(color) << 8 |
           static_cast<std::uint32_t>(GetRValue(color)) << 16;
}
constexpr TColorRef DirectColor(std::uint32_t value) {
    return RGB(static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value));
}

// The colour pixel value `value` shows in `view`. Indexes reach at most 255, and every
// colour table here holds 256 entries, so no index can read past one.
inline TColorRef PixelColor(const TDibView& view, std::uint32_t value) {
    return view.BitCount <= 8 ? QuadToColor(view.Colors[value]) : DirectColor(value);
}

} // namespace gdi
