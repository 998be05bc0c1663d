// Writing the image data back: the bitmap's rows are turned back into PNG samples,
// filtered, deflated and cut into IDAT chunks.
#include "gui/Stream.h"
#include "platform/gdi/DibPixels.h"
#include "png/pngchunks.h"
#include "png/pngfilter.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"
#include "png/pngrows.h"
#include "png/pngzstream.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

const png::TChunkType kIdatType = png::MakeChunkType("IDAT");

// Compressed output is written as IDAT chunks of this size, the last one shorter.
constexpr std::size_t kOutputBufferSize = 65535;

// Puts an 8-bit value into `bytes` sample bytes. A 16-bit sample repeats it, which is the
// exact 16-bit form of the 8-bit value (255 becomes 65535, not 65280).
std::uint8_t* PutSample(std::uint8_t* out, std::uint8_t value, unsigned bytes) {
    for (unsigned i = 0; i < bytes; ++i)
        *out++ = value;
    return out;
}

// Gathers the pixels first, first + step, ... of image row `r` back into PNG sample order:
// colour through the inverse gamma table as red, green, blue, alpha from the plane, grey
// and palette values as the bitmap holds them.
void GatherRow(const TChunkIHDR& header, unsigned depth, const png::TGammaTable& inverse, int r,
               std::uint32_t first, std::uint32_t step, std::uint32_t pixels, std::uint8_t* out) {
    const std::uint8_t* bits = header.ImageRow(r);
    const std::uint8_t* alpha = header.AlphaRow(r);
    const int bitCount = header.BitmapInfo().bmiHeader.biBitCount;
    const unsigned sampleBytes = depth == 16 ? 2 : 1;
    switch (header.ColorType()) {
    case png::COLOR_GRAYSCALE:
    case png::COLOR_PALETTE:
        if (depth >= 8) {
            for (std::uint32_t i = 0; i < pixels; ++i)
                out = PutSample(out, bits[first + std::size_t{i} * step], sampleBytes);
        } else {
            std::memset(out, 0, png::RowBytes(header.ColorType(), depth, pixels));
            for (std::uint32_t i = 0; i < pixels; ++i) {
                const unsigned v = png::BitmapPixel(bits, first + std::size_t{i} * step, bitCount);
                const std::size_t bit = std::size_t{i} * depth;
                out[bit / 8] |= static_cast<std::uint8_t>(v << (8 - depth - bit % 8));
            }
        }
        break;
    case png::COLOR_GRAYSCALEALPHA:
        for (std::uint32_t i = 0; i < pixels; ++i) {
            const std::size_t x = first + std::size_t{i} * step;
            out = PutSample(out, bits[x], sampleBytes);
            out = PutSample(out, alpha[x], sampleBytes);
        }
        break;
    default:
        for (std::uint32_t i = 0; i < pixels; ++i) {
            const std::size_t x = first + std::size_t{i} * step;
            out = PutSample(out, inverse[bits[3 * x + 2]], sampleBytes);
            out = PutSample(out, inverse[bits[3 * x + 1]], sampleBytes);
            out = PutSample(out, inverse[bits[3 * x]], sampleBytes);
            if (alpha)
                out = PutSample(out, alpha[x], sampleBytes);
        }
        break;
    }
}

// Keeps which pixels are transparent across a save. The bitmap holds at most 8 bits of each
// sample, gamma-corrected, and 2-bit greys widened to 4: written back, an opaque pixel can
// come out equal to the tRNS key and a transparent one differ from it. So pixels the key
// mask marks are written as the key, and any other that would equal it moves one step off.
void KeepKeyPixels(const TChunkIHDR& header, const png::TSampleKey& key, unsigned depth, int r,
                   std::uint32_t first, std::uint32_t step, std::uint32_t pixels,
                   std::uint8_t* out) {
    const gdi::TDibSection* mask = header.KeyMask();
    if (!mask)
        return;
    const unsigned channels = header.ColorType() == png::COLOR_RGB ? 3 : 1;
    const unsigned limit = depth >= 16 ? 0xFFFF : (1u << depth) - 1;
    const auto get = [&](std::size_t index) -> unsigned {
        if (depth == 16)
            return unsigned{out[2 * index]} << 8 | out[2 * index + 1];
        const std::size_t bit = index * depth;
        return (out[bit / 8] >> (8 - depth - bit % 8)) & limit;
    };
    const auto set = [&](std::size_t index, unsigned value) {
        if (depth == 16) {
            out[2 * index] = static_cast<std::uint8_t>(value >> 8);
            out[2 * index + 1] = static_cast<std::uint8_t>(value);
            return;
        }
        const std::size_t bit = index * depth;
        const unsigned shift = 8 - depth - bit % 8;
        out[bit / 8] = static_cast<std::uint8_t>((out[bit / 8] & ~(limit << shift)) |
                                                 (value & limit) << shift);
    };
    const std::uint8_t* maskRow = mask->ScanLine(r);
    for (std::uint32_t i = 0; i < pixels; ++i) {
        const bool hole = gdi::ReadPixelValue(maskRow, first + std::size_t{i} * step, 1) != 0;
        const std::size_t base = std::size_t{i} * channels;
        bool equal = true;
        for (unsigned c = 0; c < channels; ++c) {
            equal = equal && get(base + c) == (key.Samples[c] & limit);
            if (hole)
                set(base + c, key.Samples[c] & limit);
        }
        if (!hole && equal) {
            const unsigned last = get(base + channels - 1);
            set(base + channels - 1, last == 0 ? 1 : last - 1);
        }
    }
}

// Filters each row with every filter of the set and picks one.
class TRowFilter {
public:
    TRowFilter(png::TFilters filters, std::size_t rowBytes) : FFilters(filters) {
        for (auto& buffer : FBuffers)
            buffer.resize(rowBytes + 1);
    }

    // `raw` and `previous` hold row data only; answers the chosen filter's row, filter type
    // byte first.
    const std::uint8_t* Filter(const std::uint8_t* raw, const std::uint8_t* previous,
                               std::size_t rowBytes, std::size_t stride) {
        int candidates = 0;
        png::TFilterType only = png::FILTER_NONE;
        for (int f = png::FILTER_NONE; f <= png::FILTER_PAETH; ++f)
            if (FFilters.Contains(static_cast<png::TFilter>(f))) {
                Apply(static_cast<png::TFilterType>(f), raw, previous, rowBytes, stride);
                only = static_cast<png::TFilterType>(f);
                ++candidates;
            }
        if (candidates == 0 || (candidates == 1 && only == png::FILTER_NONE)) {
            Apply(png::FILTER_NONE, raw, previous, rowBytes, stride);
            return FBuffers[png::FILTER_NONE].data();
        }
        if (candidates == 1)
            return FBuffers[only].data();
        // Rows whose bytes repeat their neighbours deflate best: the filter whose row has
        // the most such bytes wins, the earlier one on a tie, None when none has any.
        png::TFilterType best = png::FILTER_NONE;
        std::size_t bestScore = 0;
        for (int f = png::FILTER_NONE; f <= png::FILTER_PAETH; ++f) {
            if (!FFilters.Contains(static_cast<png::TFilter>(f)))
                continue;
            const std::size_t score = Score(FBuffers[f].data() + 1, rowBytes);
            if (score > bestScore) {
                bestScore = score;
                best = static_cast<png::TFilterType>(f);
            }
        }
        if (best == png::FILTER_NONE && !FFilters.Contains(png::pfNone))
            Apply(png::FILTER_NONE, raw, previous, rowBytes, stride);
        return FBuffers[best].data();
    }

private:
    static std::size_t Score(const std::uint8_t* d, std::size_t n) {
        std::size_t score = 0;
        for (std::size_t j = 2; j < n; ++j)
            if (d[j] == d[j - 1] || d[j] == d[j - 2])
                ++score;
        return score;
    }

    void Apply(png::TFilterType f, const std::uint8_t* raw, const std::uint8_t* p, std::size_t n,
               std::size_t s) {
        std::uint8_t* out = FBuffers[f].data();
        out[0] = f;
        for (std::size_t i = 0; i < n; ++i) {
            const int a = i >= s ? raw[i - s] : 0;
            const int b = p[i];
            const int c = i >= s ? p[i - s] : 0;
            int predicted = 0;
            switch (f) {
            case png::FILTER_SUB:
                predicted = a;
                break;
            case png::FILTER_UP:
                predicted = b;
                break;
            case png::FILTER_AVERAGE:
                predicted = (a + b) / 2;
                break;
            case png::FILTER_PAETH:
                predicted = png::PaethPredictor(a, b, c);
                break;
            default:
                break;
            }
            out[i + 1] = static_cast<std::uint8_t>(raw[i] - predicted);
        }
    }

    png::TFilters FFilters;
    std::array<std::vector<std::uint8_t>, 5> FBuffers;
};

// Deflates what it is fed and writes the output as IDAT chunks.
class TImageDataWriter {
public:
    TImageDataWriter(TStream& stream, int level, png::TDeflateStrategy strategy)
        : FStream(stream),
          FDeflate(level, strategy == png::dsRunLength ? Z_RLE : Z_DEFAULT_STRATEGY),
          FOutput(kOutputBufferSize) {
        Reset();
    }

    void Write(const std::uint8_t* data, std::size_t size) {
        z_stream& z = FDeflate.Record();
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = static_cast<uInt>(size);
        while (z.avail_in > 0)
            Step(Z_NO_FLUSH);
    }

    void Finish() {
        while (Step(Z_FINISH) != Z_STREAM_END) {
        }
        const std::size_t pending = FOutput.size() - FDeflate.Record().avail_out;
        if (pending > 0)
            png::WriteChunk(FStream, kIdatType, FOutput.data(),
                            static_cast<std::uint32_t>(pending));
    }

private:
    int Step(int flush) {
        z_stream& z = FDeflate.Record();
        const int result = deflate(&z, flush);
        if (result == Z_STREAM_ERROR)
            throw EPNGZLIBError(png::PngMessage(png::EPNGZLIBErrorText) +
                                png::ZlibErrorText(result));
        if (z.avail_out == 0) {
            png::WriteChunk(FStream, kIdatType, FOutput.data(),
                            static_cast<std::uint32_t>(FOutput.size()));
            Reset();
        }
        return result;
    }

    void Reset() {
        FDeflate.Record().next_out = FOutput.data();
        FDeflate.Record().avail_out = static_cast<uInt>(FOutput.size());
    }

    TStream& FStream;
    png::TZDeflateStream FDeflate;
    std::vector<std::uint8_t> FOutput;
};

} // namespace

bool TChunkIDAT::SaveToStream(TStream& stream) {
    const TChunkIHDR& header = Header();
    if (!header.ImageHandle())
        png::RaiseError<EPNGHeaderNotPresent>(png::EPNGHeaderNotPresentText);
    const TPngGraphic& owner = Owner();
    const unsigned colorType = header.ColorType();
    // 2-bit images live in the bitmap at 4 bits per pixel and are written so.
    const unsigned depth = header.BitDepth() == 2 ? 4 : header.BitDepth();
    const auto width = static_cast<std::uint32_t>(header.Width());
    const auto height = static_cast<std::uint32_t>(header.Height());
    const std::size_t fullRowBytes = png::RowBytes(colorType, depth, width);
    const std::size_t stride = png::FilterStride(colorType, depth);

    std::vector<std::uint8_t> raw(fullRowBytes), previous(fullRowBytes);
    TRowFilter filter(owner.Filters(), fullRowBytes);
    TImageDataWriter writer(stream, owner.CompressionLevel(), owner.CompressionStrategy());
    const auto* trns = owner.Chunks().FindChunk<TChunktRNS>();
    const png::TSampleKey key = trns ? trns->SampleKey() : png::TSampleKey{};
    const auto writeRow = [&](std::uint32_t r, std::uint32_t first, std::uint32_t step,
                              std::uint32_t pixels, std::size_t rowBytes) {
        GatherRow(header, depth, owner.InverseTable(), static_cast<int>(r), first, step, pixels,
                  raw.data());
        if (trns)
            KeepKeyPixels(header, key, depth, static_cast<int>(r), first, step, pixels, raw.data());
        writer.Write(filter.Filter(raw.data(), previous.data(), rowBytes, stride), rowBytes + 1);
        std::swap(raw, previous);
    };
    if (owner.InterlaceMethod() == 0) {
        for (std::uint32_t r = 0; r < height; ++r)
            writeRow(r, 0, 1, width, fullRowBytes);
    } else {
        for (const png::TAdam7Pass& pass : png::kAdam7Passes) {
            const std::uint32_t pixels = png::PassPixels(pass, width);
            const std::size_t rowBytes = png::RowBytes(colorType, depth, pixels);
            if (rowBytes == 0)
                continue;
            std::fill(previous.begin(), previous.end(), 0);
            for (std::uint32_t r = pass.FirstRow; r < height; r += pass.RowStep)
                writeRow(r, pass.FirstColumn, pass.ColumnStep, pixels, rowBytes);
        }
    }
    writer.Finish();
    return true;
}
