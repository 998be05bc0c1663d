#include "png/pngfilter.h"

#include <algorithm>

namespace png {

namespace {

void ReverseSub(std::uint8_t* x, std::size_t n, std::size_t s) {
    for (std::size_t i = s; i < n; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + x[i - s]);
}

void ReverseUp(std::uint8_t* x, const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + p[i]);
}

void ReverseAverage(std::uint8_t* x, const std::uint8_t* p, std::size_t n, std::size_t s) {
    const std::size_t head = std::min(s, n);
    for (std::size_t i = 0; i < head; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + (p[i] >> 1));
    for (std::size_t i = s; i < n; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + ((p[i] + x[i - s]) >> 1));
}

// Paeth over whole pixels of S bytes: keeping the left and upper-left pixels in locals
// lets the compiler turn the predictor into selects instead of branches, which is where
// this filter spends its time on photographs.
template <std::size_t S>
void ReversePaethFixed(std::uint8_t* x, const std::uint8_t* p, std::size_t n) {
    int a[S] = {}, c[S] = {};
    for (std::size_t i = 0; i + S <= n; i += S)
        for (std::size_t k = 0; k < S; ++k) {
            const int b = p[i + k];
            const int pa = b > c[k] ? b - c[k] : c[k] - b;
            const int pb = a[k] > c[k] ? a[k] - c[k] : c[k] - a[k];
            const int pcRaw = a[k] + b - 2 * c[k];
            const int pc = pcRaw < 0 ? -pcRaw : pcRaw;
            int pred = pb <= pc ? b : c[k];
            pred = (pa <= pb && pa <= pc) ? a[k] : pred;
            a[k] = static_cast<std::uint8_t>(x[i + k] + pred);
            x[i + k] = static_cast<std::uint8_t>(a[k]);
            c[k] = b;
        }
}

void ReversePaeth(std::uint8_t* x, const std::uint8_t* p, std::size_t n, std::size_t s) {
    // Row lengths are always whole pixels for byte-sized samples; packed rows use stride 1.
    if (n % s == 0) {
        switch (s) {
        case 1:
            return ReversePaethFixed<1>(x, p, n);
        case 2:
            return ReversePaethFixed<2>(x, p, n);
        case 3:
            return ReversePaethFixed<3>(x, p, n);
        case 4:
            return ReversePaethFixed<4>(x, p, n);
        case 6:
            return ReversePaethFixed<6>(x, p, n);
        case 8:
            return ReversePaethFixed<8>(x, p, n);
        default:
            break;
        }
    }
    const std::size_t head = std::min(s, n);
    for (std::size_t i = 0; i < head; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + p[i]);
    for (std::size_t i = s; i < n; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + PaethPredictor(x[i - s], p[i], p[i - s]));
}

} // namespace

void ReverseFilter(std::uint8_t* row, const std::uint8_t* previous, std::size_t rowBytes,
                   std::size_t stride) {
    std::uint8_t* x = row + 1;
    const std::uint8_t* p = previous + 1;
    switch (row[0]) {
    case FILTER_SUB:
        ReverseSub(x, rowBytes, stride);
        break;
    case FILTER_UP:
        ReverseUp(x, p, rowBytes);
        break;
    case FILTER_AVERAGE:
        ReverseAverage(x, p, rowBytes, stride);
        break;
    case FILTER_PAETH:
        ReversePaeth(x, p, rowBytes, stride);
        break;
    default:
        // None, and types no encoder should write: the row is used as it stands.
        break;
    }
}

} // namespace png
