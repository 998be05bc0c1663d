// Row filters: each filtered row of image data starts with a filter type byte and predicts
// its bytes from the pixel to the left, the row above, or both.
#pragma once

#include <cstddef>
#include <cstdint>

namespace png {

enum TFilterType : std::uint8_t {
    FILTER_NONE = 0,
    FILTER_SUB = 1,
    FILTER_UP = 2,
    FILTER_AVERAGE = 3,
    FILTER_PAETH = 4,
};

// The Paeth predictor: whichever of left, above and upper-left is closest to
// left + above - upper-left, preferring left, then above.
constexpr std::uint8_t PaethPredictor(int left, int above, int upperLeft) {
    const int pa = above > upperLeft ? above - upperLeft : upperLeft - above;
    const int pb = left > upperLeft ? left - upperLeft : upperLeft - left;
    const int pcRaw = left + above - 2 * upperLeft;
    const int pc = pcRaw < 0 ? -pcRaw : pcRaw;
    if (pa <= pb && pa <= pc)
        return static_cast<std::uint8_t>(left);
    return static_cast<std::uint8_t>(pb <= pc ? above : upperLeft);
}

// Undoes the filter of `row` in place against `previous` (zeros for the first row of an
// image or pass). Both point at the filter type byte, followed by `rowBytes` data bytes;
// `stride` is the size of one whole pixel, at least 1. Unknown filter types leave the row
// as it stands.
void ReverseFilter(std::uint8_t* row, const std::uint8_t* previous, std::size_t rowBytes,
                   std::size_t stride);

} // namespace png
