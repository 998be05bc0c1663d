#include "platform/gdi/Blit.h"

#include "platform/gdi/DibPixels.h"

#include <algorithm>
#include <cstring>

namespace gdi {

namespace {

TBlitRules RulesFor(const TMemoryDC& dest, const TMemoryDC& source) {
    TBlitRules rules;
    rules.SourceMono = source.Bitmap()->IsMonochrome();
    rules.DestMono = dest.Bitmap()->IsMonochrome();
    rules.SourceBkColor = source.BkColor();
    rules.DestTextColor = dest.TextColor();
    rules.DestBkColor = dest.BkColor();
    return rules;
}

bool Contains(const TDibSection& bitmap, int x, int y) {
    return x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height();
}

} // namespace

bool BitBlt(TMemoryDC& dest, int x, int y, int w, int h, const TMemoryDC& source, int xs, int ys,
            TRasterOp rop) {
    return StretchBlt(dest, x, y, w, h, source, xs, ys, w, h, rop);
}

bool StretchBlt(TMemoryDC& dest, int x, int y, int w, int h, const TMemoryDC& source, int xs,
                int ys, int ws, int hs, TRasterOp rop) {
    if (!dest.Bitmap() || !source.Bitmap() || !IsKnownRasterOp(rop))
        return false;
    RasterBlit(dest.Bitmap()->View(), {x, y, w, h}, source.Bitmap()->View(), {xs, ys, ws, hs}, rop,
               RulesFor(dest, source));
    return true;
}

int StretchDIBits(TMemoryDC& dest, int x, int y, int w, int h, int xs, int ys, int ws, int hs,
                  const void* bits, const TBitmapInfo& info, TRasterOp rop) {
    TDibView source;
    if (!dest.Bitmap() || !IsKnownRasterOp(rop) || !MakeDibView(info, bits, source))
        return 0;
    // A DIB's pixels are colours through its table, never the two-colour mask form; a
    // monochrome destination takes the colour equal to its own background as 1.
    TBlitRules rules;
    rules.DestMono = dest.Bitmap()->IsMonochrome();
    rules.SourceBkColor = dest.BkColor();
    RasterBlit(dest.Bitmap()->View(), {x, y, w, h}, source, {xs, ys, ws, hs}, rop, rules);
    return source.Height;
}

bool FillRect(TMemoryDC& dc, const TRect& rect, TColorRef color) {
    TDibSection* bitmap = dc.Bitmap();
    if (!bitmap)
        return false;
    const int left = std::max(rect.Left, 0);
    const int top = std::max(rect.Top, 0);
    const int right = std::min(rect.Right, bitmap->Width());
    const int bottom = std::min(rect.Bottom, bitmap->Height());
    const TDibView view = bitmap->View();
    const std::uint32_t value = TColorMapper(view).Value(color);
    for (int row = top; row < bottom; ++row) {
        std::uint8_t* bits = bitmap->ScanLine(row);
        if (view.BitCount == 32) {
            // Every paint fills a whole canvas: whole words at once.
            for (int x = left; x < right; ++x)
                std::memcpy(bits + 4 * static_cast<std::size_t>(x), &value, 4);
            continue;
        }
        for (int x = left; x < right; ++x)
            WritePixelValue(bits, static_cast<std::size_t>(x), view.BitCount, value);
    }
    return true;
}

TColorRef GetPixel(const TMemoryDC& dc, int x, int y) {
    const TDibSection* bitmap = dc.Bitmap();
    if (!bitmap || !Contains(*bitmap, x, y))
        return CLR_INVALID;
    const std::uint32_t value =
        ReadPixelValue(bitmap->ScanLine(y), static_cast<std::size_t>(x), bitmap->BitCount());
    return PixelColor(bitmap->View(), value);
}

TColorRef SetPixel(TMemoryDC& dc, int x, int y, TColorRef color) {
    TDibSection* bitmap = dc.Bitmap();
    if (!bitmap || !Contains(*bitmap, x, y))
        return CLR_INVALID;
    const TDibView view = bitmap->View();
    const std::uint32_t value = TColorMapper(view).Value(color);
    WritePixelValue(bitmap->ScanLine(y), static_cast<std::size_t>(x), view.BitCount, value);
    return PixelColor(view, value);
}

} // namespace gdi
