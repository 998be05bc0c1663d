// Drawing: the image goes onto a canvas in one of three ways, chosen by its transparency.
#include "gui/Canvas.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blit.h"
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/TransparentBlt.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"

#include <algorithm>

namespace {

// One colour component of the image at alpha `a` over the component `d` beneath it, in the
// integer arithmetic the drawing has always used: (200 at 128 over 255 gives 227).
inline std::uint8_t Blend(unsigned s, unsigned a, unsigned d) {
    return static_cast<std::uint8_t>((s * a + (255 - a) * d + 255) >> 8);
}

// Blends `count` pixels of one image row, starting at image column `first`, over `dest`
// (blue, green, red and a fourth byte that is left alone).
void BlendRow(const TChunkIHDR& header, const TChunktRNS* trns, int row, int first, int count,
              std::uint8_t* dest) {
    const std::uint8_t* bits = header.ImageRow(row);
    const std::uint8_t* alpha = header.AlphaRow(row);
    switch (header.ColorType()) {
    case png::COLOR_GRAYSCALEALPHA: {
        // The grey through its ramp entry, which holds it gamma-corrected: the same grey
        // as every other colour type and the image's own palette show.
        const auto& ramp = header.BitmapInfo().bmiColors;
        for (int i = 0; i < count; ++i, dest += 4) {
            const unsigned s = ramp[bits[first + i]].rgbRed;
            const unsigned a = alpha[first + i];
            dest[0] = Blend(s, a, dest[0]);
            dest[1] = Blend(s, a, dest[1]);
            dest[2] = Blend(s, a, dest[2]);
        }
        break;
    }
    case png::COLOR_PALETTE: {
        const int bitCount = header.BitmapInfo().bmiHeader.biBitCount;
        const auto& colors = header.BitmapInfo().bmiColors;
        for (int i = 0; i < count; ++i, dest += 4) {
            // An index beyond the palette draws as the colour-table entry it names (black,
            // unless a palette was set) at its tRNS alpha (opaque beyond the tRNS values),
            // just as the unblended roads and other decoders show it. Raising here would
            // fail every repaint of the image, for a fault the load let through.
            const unsigned index = gdi::ReadPixelValue(bits, first + i, bitCount);
            const gdi::TRGBQuad& s = colors[index];
            const unsigned a = trns ? trns->PaletteValues()[index] : 255;
            dest[0] = Blend(s.rgbBlue, a, dest[0]);
            dest[1] = Blend(s.rgbGreen, a, dest[1]);
            dest[2] = Blend(s.rgbRed, a, dest[2]);
        }
        break;
    }
    default: {
        const std::uint8_t* s = bits + 3 * first;
        for (int i = 0; i < count; ++i, dest += 4, s += 3) {
            const unsigned a = alpha ? alpha[first + i] : 255;
            dest[0] = Blend(s[0], a, dest[0]);
            dest[1] = Blend(s[1], a, dest[1]);
            dest[2] = Blend(s[2], a, dest[2]);
        }
        break;
    }
    }
}

TRect Intersection(const TRect& a, const TRect& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

} // namespace

void TPngGraphic::Draw(TCanvas& canvas, const TRect& rect) {
    // Without a header, or with a header whose bitmap was never made (a load that failed
    // at the header), there is nothing to draw.
    if (!HeaderPresent() || !Header().ImageHandle())
        return;
    switch (TransparencyMode()) {
    case png::TTransparencyMode::ptmNone:
        DrawStretched(canvas, rect);
        break;
    case png::TTransparencyMode::ptmBit:
        DrawMasked(canvas, rect);
        break;
    case png::TTransparencyMode::ptmPartial:
        DrawBlended(canvas, rect);
        break;
    }
}

void TPngGraphic::DrawStretched(TCanvas& canvas, const TRect& rect) {
    const TChunkIHDR& header = Header();
    gdi::StretchDIBits(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), 0, 0,
                       header.Width(), header.Height(), header.ImageData(), header.BitmapInfo(),
                       gdi::SRCCOPY);
}

void TPngGraphic::DrawMasked(TCanvas& canvas, const TRect& rect) {
    const TChunkIHDR& header = Header();
    std::unique_ptr<gdi::TMemoryDC> imageDC = gdi::CreateCompatibleDC(&canvas.Handle());
    // The bitmap's colours live in the header's colour table, not in the bitmap: the mask
    // blit works on a device-dependent copy made through that table.
    std::unique_ptr<gdi::TDibSection> image =
        gdi::CreateDIBitmap(&canvas.Handle(), header.BitmapInfo(), header.ImageData());
    if (!image)
        png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
    imageDC->SelectObject(image.get());
    if (gdi::TDibSection* keyMask = header.KeyMask()) {
        // Greyscale and RGB images name their holes by sample, which the decoder has
        // marked; their colour would also match opaque pixels that gamma made alike.
        std::unique_ptr<gdi::TMemoryDC> maskDC = gdi::CreateCompatibleDC(&canvas.Handle());
        maskDC->SelectObject(keyMask);
        gdi::StretchMasked(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(),
                           *imageDC, *maskDC);
        maskDC->SelectObject(nullptr);
    } else {
        gdi::StretchTransparent(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(),
                                *imageDC, TransparentColor());
    }
    imageDC->SelectObject(nullptr);
}

void TPngGraphic::DrawBlended(TCanvas& canvas, const TRect& rect) {
    const TChunkIHDR& header = Header();
    // Always at the image's own size. Only the part that lands on the canvas is blended:
    // a huge image over a small canvas needs no huge scratch bitmap.
    const TRect area = Intersection(Bounds(rect.Left, rect.Top, header.Width(), header.Height()),
                                    Bounds(0, 0, canvas.Width(), canvas.Height()));
    if (area.Width() <= 0 || area.Height() <= 0)
        return;
    std::unique_ptr<gdi::TMemoryDC> dc = gdi::CreateCompatibleDC(nullptr);
    std::unique_ptr<gdi::TDibSection> work =
        gdi::TDibSection::Create(gdi::MakeBitmapInfo(area.Width(), -area.Height(), 32));
    if (!dc || !work)
        png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
    dc->SelectObject(work.get());
    gdi::BitBlt(*dc, 0, 0, area.Width(), area.Height(), canvas.Handle(), area.Left, area.Top,
                gdi::SRCCOPY);
    const auto* trns = FChunkList.FindChunk<TChunktRNS>();
    const int firstColumn = area.Left - rect.Left;
    const int firstRow = area.Top - rect.Top;
    for (int r = 0; r < area.Height(); ++r)
        BlendRow(header, trns, firstRow + r, firstColumn, area.Width(), work->ScanLine(r));
    gdi::BitBlt(canvas.Handle(), area.Left, area.Top, area.Width(), area.Height(), *dc, 0, 0,
                gdi::SRCCOPY);
    dc->SelectObject(nullptr);
}
