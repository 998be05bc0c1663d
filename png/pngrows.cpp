#include "png/pngrows.h"

#include <cstring>

namespace png {

namespace {

unsigned Channels(unsigned colorType) {
    switch (colorType) {
    case COLOR_RGB:
        return 3;
    case COLOR_GRAYSCALEALPHA:
        return 2;
    case COLOR_RGBALPHA:
        return 4;
    default:
        return 1;
    }
}

// Packed greyscale and palette rows at 1, 4 and 8 bits are the bitmap's own layout.
template <unsigned Depth>
void CopyPacked(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t*, std::uint32_t pixels,
                std::uint32_t, std::uint32_t, const TGammaTable&) {
    std::memcpy(dst, src, (std::size_t{pixels} * Depth + 7) / 8);
}

// 2-bit rows widen to 4-bit pixels, multiplied by Scale: 5 for grey (0..3 → 0..15 over the
// 16-entry ramp), 1 for palette indexes.
template <unsigned Scale>
void Widen2To4(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t*, std::uint32_t pixels,
               std::uint32_t, std::uint32_t, const TGammaTable&) {
    for (std::uint32_t i = 0; i < pixels; i += 2) {
        const unsigned s0 = (src[i >> 2] >> (6 - 2 * (i & 3))) & 3;
        const unsigned s1 = i + 1 < pixels ? (src[(i + 1) >> 2] >> (6 - 2 * ((i + 1) & 3))) & 3 : 0;
        dst[i >> 1] = static_cast<std::uint8_t>((s0 * Scale) << 4 | (s1 * Scale));
    }
}

// Interlaced packed rows: each sample is ORed into its pixel's bits in the target, which
// holds BitmapBits per pixel.
template <unsigned Depth, unsigned BitmapBits, unsigned Scale>
void SpreadPacked(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t*, std::uint32_t pixels,
                  std::uint32_t first, std::uint32_t step, const TGammaTable&) {
    constexpr unsigned mask = (1u << Depth) - 1;
    for (std::uint32_t i = 0; i < pixels; ++i) {
        const std::size_t bit = std::size_t{i} * Depth;
        const unsigned sample = (src[bit >> 3] >> (8 - Depth - (bit & 7))) & mask;
        const unsigned value = sample * Scale;
        const std::size_t x = first + std::size_t{i} * step;
        if constexpr (BitmapBits == 8) {
            dst[x] = static_cast<std::uint8_t>(value);
        } else {
            constexpr unsigned perByte = 8 / BitmapBits;
            const unsigned shift = 8 - BitmapBits - BitmapBits * (x % perByte);
            dst[x / perByte] |= static_cast<std::uint8_t>(value << shift);
        }
    }
}

// Byte-sized samples: Bytes per sample (1 or 2, of which the first is kept), Channels
// samples per pixel. Colour goes to the bitmap as blue, green, red through the gamma
// table; grey as a colour-table index; the last channel of alpha images to the plane.
template <unsigned Bytes, unsigned Chans, bool Interlaced, bool UseGamma>
void ConvertSamples(const std::uint8_t* src, std::uint8_t* dst, std::uint8_t* alpha,
                    std::uint32_t pixels, std::uint32_t first, std::uint32_t step,
                    const TGammaTable& gamma) {
    constexpr unsigned pixelBytes = Bytes * Chans;
    constexpr bool colour = Chans >= 3;
    constexpr bool hasAlpha = Chans == 2 || Chans == 4;
    const auto g = [&gamma](std::uint8_t v) {
        return UseGamma ? gamma[v] : v;
    };
    for (std::uint32_t i = 0; i < pixels; ++i, src += pixelBytes) {
        const std::size_t x = Interlaced ? first + std::size_t{i} * step : i;
        if constexpr (colour) {
            std::uint8_t* d = dst + 3 * x;
            d[0] = g(src[2 * Bytes]);
            d[1] = g(src[Bytes]);
            d[2] = g(src[0]);
        } else {
            dst[x] = src[0];
        }
        if constexpr (hasAlpha)
            alpha[x] = src[(Chans - 1) * Bytes];
    }
}

template <unsigned Bytes, unsigned Chans, bool UseGamma> TRowConverters Samples() {
    return {ConvertSamples<Bytes, Chans, false, UseGamma>,
            ConvertSamples<Bytes, Chans, true, UseGamma>};
}

template <unsigned Bytes, unsigned Chans> TRowConverters Samples(bool identityGamma) {
    return identityGamma ? Samples<Bytes, Chans, false>() : Samples<Bytes, Chans, true>();
}

} // namespace

std::size_t RowBytes(unsigned colorType, unsigned bitDepth, std::uint32_t pixels) {
    return (std::size_t{pixels} * bitDepth * Channels(colorType) + 7) / 8;
}

std::size_t FilterStride(unsigned colorType, unsigned bitDepth) {
    const std::size_t bytes = std::size_t{bitDepth} * Channels(colorType) / 8;
    return bytes > 0 ? bytes : 1;
}

void MarkKeyPixels(const std::uint8_t* source, std::uint8_t* maskRow, std::uint32_t pixels,
                   std::uint32_t first, std::uint32_t step, unsigned colorType, unsigned bitDepth,
                   const TSampleKey& key) {
    const unsigned channels = Channels(colorType);
    // A key with bits above the depth names no sample; like other decoders, only its low
    // bits count.
    const unsigned depthMask = bitDepth >= 16 ? 0xFFFF : (1u << bitDepth) - 1;
    const auto sampleAt = [&](std::size_t index) -> unsigned {
        if (bitDepth == 16)
            return unsigned{source[2 * index]} << 8 | source[2 * index + 1];
        if (bitDepth == 8)
            return source[index];
        const std::size_t bit = index * bitDepth;
        return (source[bit >> 3] >> (8 - bitDepth - (bit & 7))) & depthMask;
    };
    for (std::uint32_t i = 0; i < pixels; ++i) {
        bool match = true;
        for (unsigned c = 0; c < channels && match; ++c)
            match = sampleAt(std::size_t{i} * channels + c) == (key.Samples[c] & depthMask);
        if (match) {
            const std::size_t x = first + std::size_t{i} * step;
            maskRow[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
        }
    }
}

TRowConverters SelectRowConverters(unsigned colorType, unsigned bitDepth, bool identityGamma) {
    const bool grey = colorType == COLOR_GRAYSCALE;
    switch (colorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        switch (bitDepth) {
        case 1:
            return {CopyPacked<1>, SpreadPacked<1, 1, 1>};
        case 2:
            return grey ? TRowConverters{Widen2To4<5>, SpreadPacked<2, 4, 5>}
                        : TRowConverters{Widen2To4<1>, SpreadPacked<2, 4, 1>};
        case 4:
            return {CopyPacked<4>, SpreadPacked<4, 4, 1>};
        case 8:
            return {CopyPacked<8>, SpreadPacked<8, 8, 1>};
        default:
            return Samples<2, 1>(true);
        }
    case COLOR_GRAYSCALEALPHA:
        return bitDepth == 16 ? Samples<2, 2>(true) : Samples<1, 2>(true);
    case COLOR_RGB:
        return bitDepth == 16 ? Samples<2, 3>(identityGamma) : Samples<1, 3>(identityGamma);
    default:
        return bitDepth == 16 ? Samples<2, 4>(identityGamma) : Samples<1, 4>(identityGamma);
    }
}

} // namespace png
