// Scaling a picture down to thumbnail size with a proper reconstruction filter, in one
// streaming pass: each source row is filtered horizontally once, into a ring of as many
// rows as the vertical filter reaches, so memory stays a few rows however tall the source.
// Colours are filtered premultiplied by their alpha, so transparent pixels lend no colour
// to their neighbours' edges.
#pragma once

#include "thumbs/Thumbnail.h"

#include <cstdint>
#include <functional>

namespace thumbs {

// A picture read a row at a time, as straight RGBA.
class TRgbaRowSource {
public:
    virtual ~TRgbaRowSource() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Row `y`, counted from the top, into `rgba` (Width() * 4 bytes). Rows are asked for in
    // increasing order, some perhaps skipped.
    virtual void ReadRow(int y, std::uint8_t* rgba) const = 0;
};

enum class TResampleFilter {
    rfLanczos3, // sharp: photographs and other smooth, opaque pictures
    rfMitchell, // no visible ringing: edges against transparency, few-colour graphics
};

struct TImageSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TImageSize&, const TImageSize&) = default;
};

// The size of a width x height picture fitted into box x box with its aspect kept to the
// pixel: the longer side becomes `box`, the shorter one its share rounded to the nearest
// pixel (at least 1), as ImageMagick's -thumbnail sizes it. A picture that fits already
// keeps its size.
TImageSize FitWithin(int width, int height, int box);

// The source scaled to `size` (no side larger than the source's), calling `checkpoint`
// every 64 rows read so a caller can stop a long run. An equal size copies the pixels.
TRgbaImage Resample(const TRgbaRowSource& source, TImageSize size, TResampleFilter filter,
                    const std::function<void()>& checkpoint);

} // namespace thumbs
