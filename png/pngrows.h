// Row geometry and row conversion: how many bytes a filtered row of n pixels takes, and
// how its samples land in the bitmap (blue-green-red for colour, indexes into the colour
// table for greyscale and palette, alpha split into its own plane).
#pragma once

#include "platform/gdi/DibPixels.h"
#include "png/pnggraphic.h"

#include <cstddef>
#include <cstdint>

namespace png {

// The seven passes of Adam7 interlacing, rows and columns counted from 0 at the top left.
struct TAdam7Pass {
    std::uint32_t FirstRow, FirstColumn, RowStep, ColumnStep;
};

inline constexpr TAdam7Pass kAdam7Passes[] = {
    {0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
    {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1},
};

// Pixels in each row of `pass` for an image `width` pixels wide; none when the width
// doesn't reach the pass's first column.
constexpr std::uint32_t PassPixels(const TAdam7Pass& pass, std::uint32_t width) {
    return width > pass.FirstColumn
               ? (width - pass.FirstColumn + pass.ColumnStep - 1) / pass.ColumnStep
               : 0;
}

// The value of pixel x in a bitmap row of 1, 4, 8 or 24 bits per pixel: a colour-table
// index, or for 24 bits blue | green << 8 | red << 16.
inline unsigned BitmapPixel(const std::uint8_t* row, std::size_t x, int bitCount) {
    return gdi::ReadPixelValue(row, x, bitCount);
}

// Data bytes of a filtered row of `pixels` pixels, without its filter type byte.
std::size_t RowBytes(unsigned colorType, unsigned bitDepth, std::uint32_t pixels);
// Bytes of one whole pixel (at least 1): how far back a filter finds the left neighbour.
std::size_t FilterStride(unsigned colorType, unsigned bitDepth);

// Converts one unfiltered row of `pixels` samples (the bytes after the filter type) into
// `bitmapRow`, pixel i going to column first + i × step, and its alpha values into
// `alphaRow` (null for images without alpha). `gamma` corrects RGB samples.
using TConvertRow = void (*)(const std::uint8_t* source, std::uint8_t* bitmapRow,
                             std::uint8_t* alphaRow, std::uint32_t pixels, std::uint32_t first,
                             std::uint32_t step, const TGammaTable& gamma);

struct TRowConverters {
    // Whole rows: first is 0 and step 1.
    TConvertRow Progressive;
    // Rows of an Adam7 pass. Packed pixels are ORed in, so the bitmap must start zeroed.
    TConvertRow Adam7;
};

// The routines for a legal colour type and depth; `identityGamma` picks variants that skip
// the table when it changes nothing.
TRowConverters SelectRowConverters(unsigned colorType, unsigned bitDepth, bool identityGamma);

// Sets the bit of `maskRow` (one bit per pixel, leftmost in the high bit) for every pixel of
// an unfiltered greyscale or RGB row whose samples equal `key`, pixel i standing at column
// first + i × step. Samples are compared as stored, at their own depth: the colour a sample
// shows after scaling and gamma may equal the key's for samples that differ.
void MarkKeyPixels(const std::uint8_t* source, std::uint8_t* maskRow, std::uint32_t pixels,
                   std::uint32_t first, std::uint32_t step, unsigned colorType, unsigned bitDepth,
                   const TSampleKey& key);

} // namespace png
