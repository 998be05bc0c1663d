// Feeds arbitrary bytes to the PNG loader. Any outcome but a decoded image or one of the
// framework's exceptions (a crash, a hang, a read out of bounds, an allocation past the
// pixel budget) is a finding. Whatever loaded, even in part, is drawn in its own way and
// stretched, has its pixels read and is copied; images that load whole are also written
// and read back, which must give the same pixels.
#include "gui/Canvas.h"
#include "gui/Stream.h"
#include "platform/gdi/Bitmaps.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"
#include "png/pngrows.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Speed: a few bytes of IDAT can inflate to a picture of the default budget (2^28 pixels),
// which takes seconds. The harness's own, smaller budget runs the same checks on the way
// to refusing it; copying and writing are kept to smaller images still.
constexpr std::uint64_t kPixelBudget = 1u << 18;
constexpr std::uint64_t kRoundTripPixels = 1u << 16;

unsigned Pixel(const TChunkIHDR& h, int x, int y) {
    return png::BitmapPixel(h.ImageRow(y), x, h.BitmapInfo().bmiHeader.biBitCount);
}

bool SamePixels(const TPngGraphic& a, const TPngGraphic& b) {
    const TChunkIHDR& ha = a.Header();
    const TChunkIHDR& hb = b.Header();
    if (ha.Width() != hb.Width() || ha.Height() != hb.Height() ||
        ha.BitmapInfo().bmiColors != hb.BitmapInfo().bmiColors)
        return false;
    for (int y = 0; y < ha.Height(); ++y)
        for (int x = 0; x < ha.Width(); ++x)
            if (Pixel(ha, x, y) != Pixel(hb, x, y) ||
                (ha.ImageAlpha() && ha.AlphaRow(y)[x] != hb.AlphaRow(y)[x]))
                return false;
    return true;
}

// Drawing must never fail for an image with a bitmap: a failure would repeat on every
// repaint of the control showing it.
void DrawEveryWay(TPngGraphic& png) {
    auto surface = gdi::CreateCompatibleBitmap(nullptr, 48, 40);
    TCanvas canvas(surface.get());
    canvas.FillRect(Bounds(0, 0, 48, 40));
    png.Draw(canvas, Bounds(-3, -2, png.Width() * 2 + 1, png.Height() * 2 + 1));
    png.Draw(canvas, Bounds(5, 7, 3, 2));
    for (int i = 0; i < 8; ++i) {
        const int x = png.Width() * i / 7 - (i == 7);
        const int y = png.Height() * (7 - i) / 7 - (i == 0);
        try {
            (void)png.Pixels(x, y);
        } catch (const EPngError&) {
            // A palette index beyond the palette, asked for directly.
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream;
    if (size > 0)
        stream.WriteBuffer(data, size);
    stream.SetPosition(0);
    TPngGraphic png;
    png.SetMaxPixels(kPixelBudget);
    bool loaded = false;
    try {
        png.LoadFromStream(stream);
        loaded = true;
    } catch (const Exception&) {
        // Refused input; what was read before the failure must still be consistent.
    }
    // An exception escaping the drawing is a finding too.
    if (png.HeaderPresent() && png.Header().ImageHandle())
        DrawEveryWay(png);
    try {
        if (!png.HeaderPresent())
            return 0;
        (void)png.TransparencyMode();
        (void)png.TransparentColor();
        if (std::uint64_t{static_cast<unsigned>(png.Width())} *
                static_cast<unsigned>(png.Height()) >
            kRoundTripPixels)
            return 0;
        TPngGraphic copy;
        copy.Assign(png);
        // A picture that failed to load is shown (and copied) as far as it came, but never
        // written; writing and reading back costs more than the rest of a run together.
        if (!loaded)
            return 0;
        TMemoryStream saved;
        copy.SaveToStream(saved);
        saved.SetPosition(0);
        TPngGraphic reread;
        reread.LoadFromStream(saved);
        // Gamma correction is not exactly reversible; without it the round trip is exact.
        if (png::IsIdentityGamma(png.GammaTable()) && !SamePixels(png, reread))
            std::abort();
    } catch (const Exception&) {
        if (loaded)
            std::abort(); // an image that loaded must copy, write and read back
    }
    return 0;
}
