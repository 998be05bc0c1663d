#include "platform/gdi/TransparentBlt.h"

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blit.h"

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

} // namespace

bool StretchTransparent(TMemoryDC& dest, int x, int y, int w, int h, TMemoryDC& imageDC,
                        TColorRef transparentColor) {
    const TDibSection* image = imageDC.Bitmap();
    if (!dest.Bitmap() || !image || w <= 0 || h <= 0)
        return false;
    const int iw = image->Width();
    const int ih = image->Height();
    TScratch mask = Scratch(dest, CreateBitmap(w, h, 1, 1));
    TScratch inverse = Scratch(dest, CreateBitmap(w, h, 1, 1));
    TScratch work = Scratch(dest, CreateCompatibleBitmap(&dest, w, h));
    if (!mask.Valid() || !inverse.Valid() || !work.Valid())
        return false;

    // Pixels of the image's background colour become 1 in the mask: the holes.
    const TColorRef oldBk = imageDC.SetBkColor(transparentColor);
    StretchBlt(*mask.DC, 0, 0, w, h, imageDC, 0, 0, iw, ih, SRCCOPY);
    imageDC.SetBkColor(oldBk);
    BitBlt(*inverse.DC, 0, 0, w, h, *mask.DC, 0, 0, NOTSRCCOPY);

    // The work area keeps the destination only in the holes (mask 1-bits AND as white)...
    BitBlt(*work.DC, 0, 0, w, h, dest, x, y, SRCCOPY);
    BitBlt(*work.DC, 0, 0, w, h, *mask.DC, 0, 0, SRCAND);
    // ...the image keeps its colours only outside them, and OR puts the two together.
    StretchBlt(imageDC, 0, 0, iw, ih, *inverse.DC, 0, 0, w, h, SRCAND);
    StretchBlt(*work.DC, 0, 0, w, h, imageDC, 0, 0, iw, ih, SRCPAINT);

    BitBlt(dest, x, y, w, h, *work.DC, 0, 0, SRCCOPY);
    return true;
}

} // namespace gdi
