// The one pixel-moving routine under every blit of this library: stretch a rectangle of
// one DIB onto a rectangle of another, converting colours the way the platform does and
// combining them with a raster operation. Internal to the library; callers use Blit.h.
#pragma once

#include "platform/gdi/Dib.h"

#include <cstdint>

namespace gdi {

// The raster operations this library carries out, by their platform codes.
enum TRasterOp : std::uint32_t {
    SRCCOPY = 0x00CC0020,    // destination = source
    NOTSRCCOPY = 0x00330008, // destination = NOT source
    SRCAND = 0x008800C6,     // destination = source AND destination
    SRCPAINT = 0x00EE0086,   // destination = source OR destination
};

bool IsKnownRasterOp(std::uint32_t rop);

// How colours cross between monochrome and colour bitmaps: a colour source pixel equal to
// the source context's background colour becomes 1 in a monochrome destination (every
// other colour 0); a monochrome source's 0-bits take the destination context's text
// colour and its 1-bits the destination's background colour.
struct TBlitRules {
    bool SourceMono = false;
    bool DestMono = false;
    TColorRef SourceBkColor = RGB(255, 255, 255);
    TColorRef DestTextColor = RGB(0, 0, 0);
    TColorRef DestBkColor = RGB(255, 255, 255);
};

// A signed rectangle as the blit calls take it: a negative extent runs left or up from
// the origin, and an extent whose sign differs from its partner's mirrors the image.
struct TBlitRect {
    int X = 0, Y = 0, W = 0, H = 0;
};

// Stretches `source` rectangle `from` onto `dest` rectangle `to`, sampling the source
// pixel under the centre of each destination pixel (eliminated rows and columns are
// dropped, as the colour-on-colour stretch mode does). Destination pixels outside `dest`
// and those whose source pixel lies outside `source` are left alone. `dest` must view
// writable memory.
void RasterBlit(const TDibView& dest, const TBlitRect& to, const TDibView& source,
                const TBlitRect& from, TRasterOp rop, const TBlitRules& rules);

// Maps colours to the values of an indexed or direct destination, remembering the last
// colour asked for: runs of one colour are the common case.
class TColorMapper {
public:
    explicit TColorMapper(const TDibView& dest) : FDest(dest) {}
    std::uint32_t Value(TColorRef color);

private:
    const TDibView& FDest;
    TColorRef FLastColor = 0xFFFFFFFF;
    std::uint32_t FLastValue = 0;
};

} // namespace gdi
