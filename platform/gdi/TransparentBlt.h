// Drawing a bitmap with one colour left out: the classic mask blit, built from monochrome
// masks and AND/OR raster operations so it behaves exactly like its parts.
#pragma once

#include "platform/gdi/MemoryDC.h"

namespace gdi {

// Stretches the whole bitmap selected into `imageDC` onto the w × h rectangle at (x, y)
// of `dest`, leaving `dest` as it was wherever the image shows `transparentColor`. The
// image is not changed. Only the part of the rectangle inside `dest` is worked on, so a
// huge rectangle costs no more than the destination. An empty or inverted rectangle draws
// nothing; answers false when nothing was drawn.
bool StretchTransparent(TMemoryDC& dest, int x, int y, int w, int h, TMemoryDC& imageDC,
                        TColorRef transparentColor);

// The same with the holes given by a monochrome mask of the image's size selected into
// `maskDC` (1 bits are holes) instead of by a colour: for images whose transparent pixels
// are not told apart by the colour they show.
bool StretchMasked(TMemoryDC& dest, int x, int y, int w, int h, TMemoryDC& imageDC,
                   TMemoryDC& maskDC);

} // namespace gdi
