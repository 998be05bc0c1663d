// Palette and pixel access: the colours of greyscale and palette images as a palette, and
// single pixels read and set in the bitmap's own layout.
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/Palette.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

bool HasColorTable(unsigned colorType) {
    return colorType == png::COLOR_GRAYSCALE || colorType == png::COLOR_PALETTE;
}

// The first of the 256 grey ramp entries whose grey is nearest to `grey`.
std::uint8_t NearestRampSample(const std::array<gdi::TRGBQuad, gdi::kMaxColorTableEntries>& ramp,
                               std::uint8_t grey) {
    int best = 0;
    for (int i = 1; i < gdi::kMaxColorTableEntries; ++i)
        if (std::abs(ramp[i].rgbRed - grey) < std::abs(ramp[best].rgbRed - grey))
            best = i;
    return static_cast<std::uint8_t>(best);
}

} // namespace

void TPngGraphic::FreeCachedPalette() {
    FPalette.reset();
}

gdi::TPalette* TPngGraphic::Palette() const {
    const TChunkIHDR& header = Header();
    if (!FPalette && HasColorTable(header.ColorType()))
        FPalette = gdi::PaletteFromColorTable(header.BitmapInfo().bmiColors.data(),
                                              gdi::kMaxPaletteEntries);
    return FPalette.get();
}

void TPngGraphic::SetPalette(const gdi::TPalette* value) {
    TChunkIHDR& header = Header();
    if (!HasColorTable(header.ColorType()))
        return;
    gdi::TPaletteEntry entries[gdi::kMaxPaletteEntries];
    const int count = gdi::GetPaletteEntries(value, 0, gdi::kMaxPaletteEntries, entries);
    auto& colors = header.BitmapInfo().bmiColors;
    for (int i = 0; i < count; ++i)
        colors[i] = {entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0};
    FreeCachedPalette();
    Changed();
}

unsigned TPngGraphic::PixelIndex(int x, int y) const {
    const TChunkIHDR& header = Header();
    return gdi::ReadPixelValue(header.ImageRow(y), static_cast<std::size_t>(x),
                               header.BitmapInfo().bmiHeader.biBitCount);
}

gdi::TColorRef TPngGraphic::Pixels(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width() || y >= Height() || !Header().ImageHandle())
        return 0;
    const TChunkIHDR& header = Header();
    switch (header.ColorType()) {
    case png::COLOR_PALETTE: {
        const auto* palette = FChunkList.FindChunk<TChunkPLTE>();
        if (!palette)
            png::RaiseError<EPngError>(png::EPNGInvalidPaletteIndexText);
        // The colour as drawn. The palette's colours were corrected as they were read;
        // passing them through the gamma table again would answer a colour the image
        // never shows.
        return gdi::DirectColor(palette->Item(static_cast<int>(PixelIndex(x, y))));
    }
    case png::COLOR_GRAYSCALE:
    case png::COLOR_GRAYSCALEALPHA:
        // The grey ramp entry, which is the gamma-corrected grey of the sample.
        return gdi::QuadToColor(header.BitmapInfo().bmiColors[PixelIndex(x, y)]);
    default:
        return gdi::DirectColor(gdi::ReadPixelValue(header.ImageRow(y), x, 24));
    }
}

void TPngGraphic::SetPixels(int x, int y, gdi::TColorRef color) {
    if (x < 0 || y < 0 || x >= Width() || y >= Height() || !Header().ImageHandle())
        return;
    TChunkIHDR& header = Header();
    std::uint8_t* row = header.ImageRow(y);
    const int bitCount = header.BitmapInfo().bmiHeader.biBitCount;
    switch (header.ColorType()) {
    case png::COLOR_PALETTE:
    case png::COLOR_GRAYSCALE: {
        // Only the entries a pixel of this depth can name, and for palette images only
        // those the palette holds: the nearest of all 256 could be an unused entry whose
        // index doesn't fit the pixel or lies beyond the palette.
        int usable = gdi::DibColorCount(bitCount);
        const auto* palette = FChunkList.FindChunk<TChunkPLTE>();
        if (header.ColorType() == png::COLOR_PALETTE && palette && palette->Count() > 0)
            usable = std::min(usable, palette->Count());
        const int index =
            gdi::NearestColorIndex(header.BitmapInfo().bmiColors.data(), usable, color);
        gdi::WritePixelValue(row, static_cast<std::size_t>(x), bitCount,
                             static_cast<std::uint32_t>(index));
        break;
    }
    case png::COLOR_GRAYSCALEALPHA:
        // The grey the colour's red component is, as the ramp shows greys: the sample whose
        // gamma-corrected grey comes nearest, so a colour read from a pixel sets it back.
        row[x] = NearestRampSample(header.BitmapInfo().bmiColors, gdi::GetRValue(color));
        break;
    default:
        gdi::WritePixelValue(row, static_cast<std::size_t>(x), 24, gdi::DirectValue(color));
        break;
    }
    // A pixel set to the transparent colour becomes a hole; any other one stops being one.
    header.SetKeyPixel(x, y, color == TransparentColor());
    Changed();
}
