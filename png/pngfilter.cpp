#include "png/pngfilter.h"

namespace png {

namespace {

// Sub, Average and Paeth predict each byte from the same byte of the pixel to its left.
// Read back from the row just written, every byte waits for the store before it, several
// cycles a byte; kept in locals over whole pixels of S bytes, the S lanes of a pixel run
// side by side and the predictor becomes selects instead of branches.
template <std::size_t S, typename TPredict>
void ReverseWholePixels(std::uint8_t* x, const std::uint8_t* p, std::size_t n, TPredict predict) {
    int a[S] = {}, c[S] = {};
    for (std::size_t i = 0; i + S <= n; i += S)
        for (std::size_t k = 0; k < S; ++k) {
            const int b = p[i + k];
            a[k] = static_cast<std::uint8_t>(x[i + k] + predict(a[k], b, c[k]));
            x[i + k] = static_cast<std::uint8_t>(a[k]);
            c[k] = b;
        }
}

// The same for any stride, byte by byte: left and upper-left are zero for the first pixel.
template <typename TPredict>
void ReverseAnyStride(std::uint8_t* x, const std::uint8_t* p, std::size_t n, std::size_t s,
                      TPredict predict) {
    for (std::size_t i = 0; i < n; ++i) {
        const int left = i >= s ? x[i - s] : 0;
        const int upperLeft = i >= s ? p[i - s] : 0;
        x[i] = static_cast<std::uint8_t>(x[i] + predict(left, p[i], upperLeft));
    }
}

template <typename TPredict>
void ReverseFromLeft(std::uint8_t* x, const std::uint8_t* p, std::size_t n, std::size_t s,
                     TPredict predict) {
    // Row lengths are always whole pixels for byte-sized samples; packed rows use stride 1.
    if (n % s == 0) {
        switch (s) {
        case 1:
            return ReverseWholePixels<1>(x, p, n, predict);
        case 2:
            return ReverseWholePixels<2>(x, p, n, predict);
        case 3:
            return ReverseWholePixels<3>(x, p, n, predict);
        case 4:
            return ReverseWholePixels<4>(x, p, n, predict);
        case 6:
            return ReverseWholePixels<6>(x, p, n, predict);
        case 8:
            return ReverseWholePixels<8>(x, p, n, predict);
        default:
            break;
        }
    }
    ReverseAnyStride(x, p, n, s, predict);
}

void ReverseUp(std::uint8_t* x, const std::uint8_t* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        x[i] = static_cast<std::uint8_t>(x[i] + p[i]);
}

constexpr auto kLeft = [](int left, int, int) {
    return left;
};
constexpr auto kAverage = [](int left, int above, int) {
    return (left + above) >> 1;
};
constexpr auto kPaeth = [](int left, int above, int upperLeft) {
    return int{PaethPredictor(left, above, upperLeft)};
};

} // namespace

void ReverseFilter(std::uint8_t* row, const std::uint8_t* previous, std::size_t rowBytes,
                   std::size_t stride) {
    std::uint8_t* x = row + 1;
    const std::uint8_t* p = previous + 1;
    switch (row[0]) {
    case FILTER_SUB:
        ReverseFromLeft(x, p, rowBytes, stride, kLeft);
        break;
    case FILTER_UP:
        ReverseUp(x, p, rowBytes);
        break;
    case FILTER_AVERAGE:
        ReverseFromLeft(x, p, rowBytes, stride, kAverage);
        break;
    case FILTER_PAETH:
        ReverseFromLeft(x, p, rowBytes, stride, kPaeth);
        break;
    default:
        // None, and types no encoder should write: the row is used as it stands.
        break;
    }
}

} // namespace png
