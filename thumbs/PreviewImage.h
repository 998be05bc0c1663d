// The preview's PNG bytes decoded by our decoder, and its rows read back as RGBA exactly as
// the viewer shows them (the same palette, grey ramp, gamma and transparency).
#pragma once

#include "png/pnggraphic.h"
#include "thumbs/Resample.h"

#include <cstdint>
#include <span>

namespace thumbs {

class TThumbnailBudget;

class TPreviewImage : public TRgbaRowSource {
public:
    // Decodes `png`. Raises EThumbnailFailure: tfTooBig past the budget's pixels (checked
    // on the header, before the bitmap exists) or when memory runs out, tfDamagedImage for
    // anything else the decoder refuses, and the budget's own failures between reads.
    TPreviewImage(std::span<const std::uint8_t> png, const TThumbnailBudget& budget);

    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void ReadRow(int y, std::uint8_t* rgba) const override;

    // Some pixel is transparent or translucent.
    bool Transparent() const { return FTransparent; }
    // Few distinct colours (a palette, or grey of at most 8 bits): graphics more often than
    // photographs, where a sharp filter's ringing shows.
    bool FewColours() const { return FFewColours; }
    // The stream holds exactly the pixels its rows read back, in the thumbnail cache's
    // form: 8-bit RGB without a transparent colour or 8-bit RGBA, not interlaced, and no
    // gamma that changes a sample. Any reader then sees what the viewer shows.
    bool PlainRgb8() const;

private:
    TPngGraphic FPng;
    const TChunkIHDR* FHeader = nullptr;
    const TChunktRNS* FTrns = nullptr;
    int FWidth = 0;
    int FHeight = 0;
    bool FTransparent = false;
    bool FFewColours = false;
    // The bitmap value that is transparent in greyscale images with a tRNS sample.
    std::uint32_t FTransparentIndex = 0;
    gdi::TColorRef FTransparentColor = 0;
};

} // namespace thumbs
