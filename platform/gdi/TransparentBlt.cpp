#include "platform/gdi/TransparentBlt.h"

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blit.h"

#include <algorithm>

namespace gdi {

namespace {

// A memory context with a bitmap of its own selected for as long as it lives.
struct TScratch {
    std::unique_ptr<TMemoryDC> DC;
    std::unique_ptr<TDibSection> Bitmap;

    bool Valid() const { return DC && Bitmap; }
};

TScratch Scratch(const TMemoryDC& reference, std::unique_ptr<TDibSection> bitmap) {
    TScratch s{CreateCompatibleDC(&reference), std::move(bitmap)};
    if (s.Valid())
        s.DC->SelectObject(s.Bitmap.get());
    return s;
}

// The mask blit, with `makeMask` stretching the holes of the image (1 bits) into the
// given monochrome context at (ox, oy), w × h.
template <typename MakeMask>
bool StretchThroughMask(TMemoryDC& dest, int x, int y, int w, int h, TMemoryDC& imageDC,
                        MakeMask makeMask) {
    const TDibSection* image = imageDC.Bitmap();
    if (!dest.Bitmap() || !image || w <= 0 || h <= 0)
        return false;
    // The visible part of the rectangle; everything below is in its coordinates, with the
    // whole stretched image placed at (ox, oy).
    const int left = std::max(x, 0);
    const int top = std::max(y, 0);
    const int vw = std::min(x + w, dest.Bitmap()->Width()) - left;
    const int vh = std::min(y + h, dest.Bitmap()->Height()) - top;
    if (vw <= 0 || vh <= 0)
        return false;
    const int ox = x - left;
    const int oy = y - top;
    TScratch mask = Scratch(dest, CreateBitmap(vw, vh, 1, 1));
    TScratch inverse = Scratch(dest, CreateBitmap(vw, vh, 1, 1));
    TScratch work = Scratch(dest, CreateCompatibleBitmap(&dest, vw, vh));
    TScratch layer = Scratch(dest, CreateCompatibleBitmap(&dest, vw, vh));
    if (!mask.Valid() || !inverse.Valid() || !work.Valid() || !layer.Valid())
        return false;

    makeMask(*mask.DC, ox, oy);
    BitBlt(*inverse.DC, 0, 0, vw, vh, *mask.DC, 0, 0, NOTSRCCOPY);

    // The work area keeps the destination only in the holes (mask 1-bits AND as white)...
    BitBlt(*work.DC, 0, 0, vw, vh, dest, left, top, SRCCOPY);
    BitBlt(*work.DC, 0, 0, vw, vh, *mask.DC, 0, 0, SRCAND);
    // ...the stretched image keeps its colours only outside them, and OR puts the two
    // together. Stretching the image first and masking it at the destination's resolution
    // gives what masking the image and stretching it would, without touching the image.
    StretchBlt(*layer.DC, ox, oy, w, h, imageDC, 0, 0, image->Width(), image->Height(), SRCCOPY);
    BitBlt(*layer.DC, 0, 0, vw, vh, *inverse.DC, 0, 0, SRCAND);
    BitBlt(*work.DC, 0, 0, vw, vh, *layer.DC, 0, 0, SRCPAINT);

    BitBlt(dest, left, top, vw, vh, *work.DC, 0, 0, SRCCOPY);
    return true;
}

} // namespace

bool StretchTransparent(TMemoryDC& dest, int x, int y, int w, int h, TMemoryDC& imageDC,
                        TColorRef transparentColor) {
    return StretchThroughMask(dest, x, y, w, h, imageDC, [&](TMemoryDC& mask, int ox, int oy) {
        // Pixels of the image's background colour become 1 in the mask: the holes.
        const TDibSection& image = *imageDC.Bitmap();
        const TColorRef oldBk = imageDC.SetBkColor(transparentColor);
        StretchBlt(mask, ox, oy, w, h, imageDC, 0, 0, image.Width(), image.Height(), SRCCOPY);
        imageDC.SetBkColor(oldBk);
    });
}

bool StretchMasked(TMemoryDC& dest, int x, int y, int w, int h, TMemoryDC& imageDC,
                   TMemoryDC& maskDC) {
    const TDibSection* holes = maskDC.Bitmap();
    if (!holes || !holes->IsMonochrome())
        return false;
    return StretchThroughMask(dest, x, y, w, h, imageDC, [&](TMemoryDC& mask, int ox, int oy) {
        StretchBlt(mask, ox, oy, w, h, maskDC, 0, 0, holes->Width(), holes->Height(), SRCCOPY);
    });
}

} // namespace gdi
