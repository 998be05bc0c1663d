// Blits between memory device contexts and from caller-held DIB pixels, with the raster
// operations and colour rules of the platform (see RasterOps.h), plus the single-pixel
// and fill calls a canvas needs. Every call works on the bitmap selected into the
// context(s) and answers false (or 0) when a context holds none.
#pragma once

#include "platform/Geometry.h"
#include "platform/gdi/MemoryDC.h"
#include "platform/gdi/RasterOps.h"

namespace gdi {

// Answered by GetPixel and SetPixel for a point outside the bitmap.
constexpr TColorRef CLR_INVALID = 0xFFFFFFFF;

// Copies w × h pixels from (xs, ys) of `source` to (x, y) of `dest`.
bool BitBlt(TMemoryDC& dest, int x, int y, int w, int h, const TMemoryDC& source, int xs, int ys,
            TRasterOp rop);

// Stretches the ws × hs rectangle at (xs, ys) of `source` onto the w × h rectangle at
// (x, y) of `dest`.
bool StretchBlt(TMemoryDC& dest, int x, int y, int w, int h, const TMemoryDC& source, int xs,
                int ys, int ws, int hs, TRasterOp rop);

// Stretches the ws × hs rectangle at (xs, ys) of the pixels `bits`, laid out as `info`
// says and coloured through its colour table, onto the w × h rectangle at (x, y) of
// `dest`. Source rows are counted from the top of the image whichever way they are
// stored. Answers the number of source rows (the image height), or 0 when nothing could
// be drawn.
int StretchDIBits(TMemoryDC& dest, int x, int y, int w, int h, int xs, int ys, int ws, int hs,
                  const void* bits, const TBitmapInfo& info, TRasterOp rop);

// Fills `rect` (clipped to the bitmap) with the value nearest to `color`.
bool FillRect(TMemoryDC& dc, const TRect& rect, TColorRef color);

TColorRef GetPixel(const TMemoryDC& dc, int x, int y);
// Answers the colour actually set (the nearest one the bitmap can hold).
TColorRef SetPixel(TMemoryDC& dc, int x, int y, TColorRef color);

} // namespace gdi
