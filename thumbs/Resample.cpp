#include "thumbs/Resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace thumbs {
namespace {

// Four floats the compiler keeps in one vector register: red, green, blue, alpha.
using TVec4 = float __attribute__((vector_size(16)));

constexpr int kCheckpointRows = 64;

double Sinc(double x) {
    if (x == 0.0)
        return 1.0;
    x *= std::numbers::pi;
    return std::sin(x) / x;
}

// Sinc windowed by a sinc three times wider: three lobes each side.
double Lanczos3(double x) {
    x = std::fabs(x);
    return x < 3.0 ? Sinc(x) * Sinc(x / 3.0) : 0.0;
}

// The cubic of Mitchell and Netravali with B = C = 1/3, their recommended balance of
// blurring and ringing.
double Mitchell(double x) {
    constexpr double B = 1.0 / 3.0, C = 1.0 / 3.0;
    x = std::fabs(x);
    if (x < 1.0)
        return ((12 - 9 * B - 6 * C) * x * x * x + (-18 + 12 * B + 6 * C) * x * x + (6 - 2 * B)) /
               6;
    if (x < 2.0)
        return ((-B - 6 * C) * x * x * x + (6 * B + 30 * C) * x * x + (-12 * B - 48 * C) * x +
                (8 * B + 24 * C)) /
               6;
    return 0.0;
}

struct TKernel {
    double Support;
    double (*Weight)(double);
};

TKernel KernelOf(TResampleFilter filter) {
    return filter == TResampleFilter::rfLanczos3 ? TKernel{3.0, Lanczos3} : TKernel{2.0, Mitchell};
}

// For each destination pixel along one axis: the first source pixel it reads and the
// normalised weights of the run that starts there, Stride weights per pixel.
struct TTaps {
    std::vector<int> First;
    std::vector<int> Count;
    std::vector<float> Weights;
    int Stride = 0;
};

// The destination pixel's centre maps onto the source; the kernel, stretched by the
// reduction so it averages every source pixel it spans, weighs the source pixels around.
TTaps ComputeTaps(int source, int dest, const TKernel& kernel) {
    const double factor = static_cast<double>(dest) / source;
    const double stretch = std::max(1.0 / factor, 1.0);
    const double support = kernel.Support * stretch;
    TTaps taps;
    taps.Stride = static_cast<int>(std::ceil(2 * support)) + 2;
    taps.First.resize(dest);
    taps.Count.resize(dest);
    taps.Weights.assign(static_cast<std::size_t>(dest) * taps.Stride, 0.0f);
    std::vector<double> w(taps.Stride);
    for (int i = 0; i < dest; ++i) {
        const double centre = (i + 0.5) / factor;
        const int first = std::max(static_cast<int>(std::floor(centre - support + 0.5)), 0);
        const int stop = std::min(static_cast<int>(std::floor(centre + support + 0.5)), source);
        const int count = std::min(stop - first, taps.Stride);
        double sum = 0.0;
        for (int n = 0; n < count; ++n) {
            w[n] = kernel.Weight((first + n - centre + 0.5) / stretch);
            sum += w[n];
        }
        taps.First[i] = first;
        taps.Count[i] = count;
        float* out = &taps.Weights[static_cast<std::size_t>(i) * taps.Stride];
        for (int n = 0; n < count; ++n)
            out[n] = static_cast<float>(sum != 0.0 ? w[n] / sum : w[n]);
    }
    return taps;
}

std::uint8_t ToByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f);
}

class TStreamingResampler {
public:
    TStreamingResampler(const TRgbaRowSource& source, TImageSize size, TResampleFilter filter,
                        const std::function<void()>& checkpoint)
        : FSource(source), FSize(size), FCheckpoint(checkpoint),
          FColumns(ComputeTaps(source.Width(), size.Width, KernelOf(filter))),
          FRows(ComputeTaps(source.Height(), size.Height, KernelOf(filter))),
          FRing(static_cast<std::size_t>(FRows.Stride) * size.Width),
          FSourceRgba(static_cast<std::size_t>(source.Width()) * 4),
          FSourceRow(static_cast<std::size_t>(source.Width())),
          FRowPointers(static_cast<std::size_t>(FRows.Stride)) {}

    TRgbaImage Run() {
        TRgbaImage image{FSize.Width, FSize.Height, {}};
        image.Pixels.resize(static_cast<std::size_t>(FSize.Width) * FSize.Height * 4);
        int next = 0; // the next source row to filter horizontally
        for (int y = 0; y < FSize.Height; ++y) {
            const int first = FRows.First[y];
            const int end = first + FRows.Count[y];
            next = std::max(next, first);
            for (; next < end; ++next)
                FilterRow(next);
            WriteRow(y, &image.Pixels[static_cast<std::size_t>(y) * FSize.Width * 4]);
        }
        return image;
    }

private:
    TVec4* RingRow(int sourceRow) {
        return &FRing[static_cast<std::size_t>(sourceRow % FRows.Stride) * FSize.Width];
    }

    void FilterRow(int row) {
        if (++FRowsRead % kCheckpointRows == 0 && FCheckpoint)
            FCheckpoint();
        FSource.ReadRow(row, FSourceRgba.data());
        const std::uint8_t* p = FSourceRgba.data();
        for (TVec4& v : FSourceRow) {
            const float a = p[3] * (1.0f / 255.0f);
            v = TVec4{p[0] * a, p[1] * a, p[2] * a, static_cast<float>(p[3])};
            p += 4;
        }
        TVec4* out = RingRow(row);
        for (int x = 0; x < FSize.Width; ++x) {
            const TVec4* in = &FSourceRow[FColumns.First[x]];
            const float* w = &FColumns.Weights[static_cast<std::size_t>(x) * FColumns.Stride];
            TVec4 sum{};
            for (int n = 0; n < FColumns.Count[x]; ++n)
                sum += in[n] * w[n];
            out[x] = sum;
        }
    }

    void WriteRow(int y, std::uint8_t* out) {
        const int first = FRows.First[y];
        const float* w = &FRows.Weights[static_cast<std::size_t>(y) * FRows.Stride];
        const int count = FRows.Count[y];
        const TVec4** rows = FRowPointers.data();
        for (int n = 0; n < count; ++n)
            rows[n] = RingRow(first + n);
        for (int x = 0; x < FSize.Width; ++x, out += 4) {
            TVec4 sum{};
            for (int n = 0; n < count; ++n)
                sum += rows[n][x] * w[n];
            // Back from premultiplied: the colour is the alpha-weighted mean of its sources.
            const float alpha = sum[3];
            if (alpha <= 0.0f) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const float unmultiply = 255.0f / alpha;
            out[0] = ToByte(sum[0] * unmultiply);
            out[1] = ToByte(sum[1] * unmultiply);
            out[2] = ToByte(sum[2] * unmultiply);
            out[3] = ToByte(alpha);
        }
    }

    const TRgbaRowSource& FSource;
    TImageSize FSize;
    const std::function<void()>& FCheckpoint;
    TTaps FColumns;
    TTaps FRows;
    std::vector<TVec4> FRing;
    std::vector<std::uint8_t> FSourceRgba;
    std::vector<TVec4> FSourceRow;
    std::vector<const TVec4*> FRowPointers;
    int FRowsRead = 0;
};

} // namespace

TImageSize FitWithin(int width, int height, int box) {
    if (width <= box && height <= box)
        return {width, height};
    // In 64 bits: 65535 x 65535 source sides times any box stay far from overflow.
    const auto shorterShare = [box](std::int64_t shorter, std::int64_t longer) {
        return static_cast<int>(
            std::max<std::int64_t>((2 * shorter * box + longer) / (2 * longer), 1));
    };
    if (width >= height)
        return {box, shorterShare(height, width)};
    return {shorterShare(width, height), box};
}

TRgbaImage Resample(const TRgbaRowSource& source, TImageSize size, TResampleFilter filter,
                    const std::function<void()>& checkpoint) {
    if (size.Width < 1 || size.Height < 1 || size.Width > source.Width() ||
        size.Height > source.Height())
        throw std::invalid_argument("Resample only reduces, to at least one pixel");
    if (size == TImageSize{source.Width(), source.Height()}) {
        TRgbaImage image{size.Width, size.Height, {}};
        const std::size_t rowBytes = static_cast<std::size_t>(size.Width) * 4;
        image.Pixels.resize(rowBytes * size.Height);
        for (int y = 0; y < size.Height; ++y) {
            if ((y + 1) % kCheckpointRows == 0 && checkpoint)
                checkpoint();
            source.ReadRow(y, &image.Pixels[rowBytes * y]);
        }
        return image;
    }
    return TStreamingResampler(source, size, filter, checkpoint).Run();
}

} // namespace thumbs
