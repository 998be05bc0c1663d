// The framework's basic geometry records. Rectangles are left, top, right, bottom with
// right and bottom exclusive, as every stored placement and every blit in the program
// uses them.
#pragma once

#include <cstdint>

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;

    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    std::int32_t Width() const { return Right - Left; }
    std::int32_t Height() const { return Bottom - Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }

    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Bounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    return TRect{left, top, left + width, top + height};
}
