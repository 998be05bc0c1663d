// The image data: the zlib stream spread over consecutive IDAT chunks is inflated (small
// rows a block ahead), and each filtered row unfiltered and converted into the header's
// bitmap.
#include "gui/Stream.h"
#include "png/pngchunks.h"
#include "png/pngfilter.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"
#include "png/pngrows.h"
#include "png/pngzstream.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <numeric>
#include <vector>

namespace {

const png::TChunkType kIdatType = png::MakeChunkType("IDAT");

// Compressed input is read in blocks of at most this size, never past a chunk's end.
constexpr std::size_t kInputBufferSize = 65535;

// Rows shorter than this are inflated ahead into a buffer of this size and handed out from
// there: zlib's fast decoding loop needs at least 258 bytes of room, so inflating a small
// image's rows one by one would run its slow loop for nearly every byte. Longer rows are
// inflated straight into place.
constexpr std::size_t kInflateAheadSize = 32768;

// Reads the zlib stream across the IDAT chunks that follow one another, checking each
// chunk's CRC as its end is reached. It inflates no further than the `expected` bytes the
// rows take, so it asks for no chunk the rows would not; and a failure met while inflating
// ahead is raised only when a row needs the bytes behind it, so the rows before it are
// decoded as they would be one at a time.
class TImageDataReader {
public:
    TImageDataReader(TStream& stream, std::uint32_t length, std::uint64_t expected)
        : FStream(stream), FInput(new std::uint8_t[kInputBufferSize]), FExpected(expected) {
        FPosition = stream.Position();
        FEndOfChunk = FPosition + length;
        FCrc = png::UpdateCrc(png::kCrcStart, kIdatType.data(), kIdatType.size());
    }

    // Inflates `count` bytes into `buffer`; answers fewer only when the stream ends inside
    // an IDAT chunk's data.
    std::size_t Read(std::uint8_t* buffer, std::size_t count);

    // Reads the rest of the current chunk and checks its CRC; the stream then stands after
    // it.
    void Finish();

private:
    // Inflates into `buffer` until it is full or the input ends; answers the bytes made.
    std::size_t Inflate(std::uint8_t* buffer, std::size_t count);
    void FillAhead(std::size_t wanted);
    void CheckStoredCrc();
    void NextChunk();
    std::size_t ReadInput();

    TStream& FStream;
    png::TZInflateStream FInflate;
    // Both buffers are left uninitialised: every byte used is read or inflated first, and
    // zeroing them cost more than a small thumbnail's image data takes to read.
    std::unique_ptr<std::uint8_t[]> FInput; // kInputBufferSize bytes
    std::int64_t FPosition = 0;
    std::int64_t FEndOfChunk = 0;
    std::uint32_t FCrc = 0;
    // Inflated ahead: FAhead[FAheadBegin, FAheadEnd) is still to be handed out.
    std::unique_ptr<std::uint8_t[]> FAhead; // kInflateAheadSize bytes once used
    std::size_t FAheadBegin = 0;
    std::size_t FAheadEnd = 0;
    std::uint64_t FExpected; // bytes the rows still take beyond what was inflated
    bool FInputEnded = false;
    std::exception_ptr FFailure; // met while inflating ahead
};

std::size_t TImageDataReader::ReadInput() {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(
        FEndOfChunk - FPosition, static_cast<std::int64_t>(kInputBufferSize)));
    const std::size_t got = FStream.Read(FInput.get(), want);
    FPosition += static_cast<std::int64_t>(got);
    FCrc = png::UpdateCrc(FCrc, FInput.get(), got);
    return got;
}

void TImageDataReader::CheckStoredCrc() {
    std::uint32_t stored = 0;
    if (!png::ReadBigEndian32(FStream, stored) || stored != ~FCrc)
        png::RaiseError<EPngInvalidCRC>(png::EPngInvalidCRCText);
    FPosition += 4;
}

void TImageDataReader::NextChunk() {
    CheckStoredCrc();
    std::uint32_t length = 0;
    png::TChunkType type{};
    if (!png::ReadBigEndian32(FStream, length) ||
        png::ReadFully(FStream, type.data(), type.size()) != type.size() || type != kIdatType)
        png::RaiseError<EPNGMissingMultipleIDAT>(png::EPNGMissingMultipleIDATText);
    FPosition += 8;
    FCrc = png::UpdateCrc(png::kCrcStart, type.data(), type.size());
    FEndOfChunk = FPosition + length;
}

std::size_t TImageDataReader::Inflate(std::uint8_t* buffer, std::size_t count) {
    z_stream& z = FInflate.Record();
    z.next_out = buffer;
    z.avail_out = static_cast<uInt>(count);
    while (z.avail_out > 0) {
        if (z.avail_in == 0) {
            // An empty IDAT chunk is legal: go straight on to the next one.
            if (FPosition >= FEndOfChunk) {
                NextChunk();
                continue;
            }
            const std::size_t got = ReadInput();
            if (got == 0) {
                FInputEnded = true;
                return count - z.avail_out;
            }
            z.next_in = FInput.get();
            z.avail_in = static_cast<uInt>(got);
        }
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_STREAM_END && z.avail_out > 0) {
            // The compressed data ends while rows are still missing. Calling inflate
            // again would make no progress, and the image is incomplete.
            png::RaiseError<EPNGMissingMultipleIDAT>(png::EPNGMissingMultipleIDATText);
        }
        if (result < 0 || result == Z_NEED_DICT)
            throw EPNGZLIBError(png::PngMessage(png::EPNGZLIBErrorText) +
                                png::ZlibErrorText(result));
    }
    return count;
}

void TImageDataReader::FillAhead(std::size_t wanted) {
    if (FAhead == nullptr)
        FAhead.reset(new std::uint8_t[kInflateAheadSize]);
    // Past the rows' bytes (a reader that asks for more than it announced) only what is
    // asked for.
    const std::size_t room =
        FExpected > 0
            ? static_cast<std::size_t>(std::min<std::uint64_t>(kInflateAheadSize, FExpected))
            : std::min(kInflateAheadSize, wanted);
    z_stream& z = FInflate.Record();
    FAheadBegin = 0;
    try {
        FAheadEnd = Inflate(FAhead.get(), room);
    } catch (...) {
        FFailure = std::current_exception();
        FAheadEnd = room - z.avail_out;
    }
    FExpected -= std::min<std::uint64_t>(FExpected, FAheadEnd);
}

std::size_t TImageDataReader::Read(std::uint8_t* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        if (FAheadBegin < FAheadEnd) {
            const std::size_t n = std::min(count - done, FAheadEnd - FAheadBegin);
            std::memcpy(buffer + done, FAhead.get() + FAheadBegin, n);
            FAheadBegin += n;
            done += n;
            continue;
        }
        if (FFailure)
            std::rethrow_exception(FFailure);
        if (FInputEnded)
            break;
        if (count - done >= kInflateAheadSize / 16) {
            const std::size_t got = Inflate(buffer + done, count - done);
            FExpected -= std::min<std::uint64_t>(FExpected, got);
            done += got;
            break;
        }
        FillAhead(count - done);
    }
    return done;
}

void TImageDataReader::Finish() {
    while (FPosition < FEndOfChunk)
        if (ReadInput() == 0)
            break;
    CheckStoredCrc();
}

// The bytes the rows of the image data take, filter bytes included.
std::uint64_t ImageDataBytes(unsigned colorType, unsigned depth, std::uint32_t width,
                             std::uint32_t height, bool interlaced) {
    if (!interlaced)
        return std::uint64_t{height} * (png::RowBytes(colorType, depth, width) + 1);
    std::uint64_t total = 0;
    for (const png::TAdam7Pass& pass : png::kAdam7Passes) {
        const std::size_t rowBytes = png::RowBytes(colorType, depth, png::PassPixels(pass, width));
        if (rowBytes == 0 || pass.FirstRow >= height)
            continue;
        const std::uint64_t rows = (height - pass.FirstRow + pass.RowStep - 1) / pass.RowStep;
        total += rows * (rowBytes + 1);
    }
    return total;
}

// Greyscale pixels are colour-table indexes; the table is a ramp over the bitmap's depth,
// through the gamma table.
void BuildGreyRamp(TChunkIHDR& header, const png::TGammaTable& gamma) {
    const int entries = gdi::DibColorCount(header.BitmapInfo().bmiHeader.biBitCount);
    auto& colors = header.BitmapInfo().bmiColors;
    for (int i = 0; i < entries; ++i) {
        const std::uint8_t v = gamma[i * 255 / (entries - 1)];
        colors[i] = {v, v, v, 0};
    }
}

// Two row buffers (filter type byte + data) that swap roles after each row.
class TRowPair {
public:
    explicit TRowPair(std::size_t rowBytes)
        : FRows{std::vector<std::uint8_t>(rowBytes + 1), std::vector<std::uint8_t>(rowBytes + 1)} {}
    std::uint8_t* Current() { return FRows[FCurrent].data(); }
    std::uint8_t* Previous() { return FRows[1 - FCurrent].data(); }
    void Swap() { FCurrent = 1 - FCurrent; }

private:
    std::vector<std::uint8_t> FRows[2];
    int FCurrent = 0;
};

// Reads one filtered row; a row cut short by the end of the stream keeps zeros where its
// data is missing. Answers false when nothing of it could be read.
bool ReadRow(TImageDataReader& reader, std::uint8_t* row, std::size_t rowBytes) {
    const std::size_t got = reader.Read(row, rowBytes + 1);
    if (got == 0)
        return false;
    std::memset(row + got, 0, rowBytes + 1 - got);
    return true;
}

} // namespace

bool TChunkIDAT::LoadFromStream(TStream& stream, const png::TChunkType& /*type*/,
                                std::uint32_t length) {
    TChunkIHDR& header = Header();
    if (!header.ImageHandle())
        png::RaiseError<EPNGHeaderNotPresent>(png::EPNGHeaderNotPresentText);
    const TPngGraphic& owner = Owner();
    const png::TGammaTable& gamma = owner.GammaTable();
    const unsigned colorType = header.ColorType();
    const unsigned depth = header.BitDepth();
    if (header.HasPalette() &&
        (colorType == png::COLOR_GRAYSCALE || colorType == png::COLOR_GRAYSCALEALPHA))
        BuildGreyRamp(header, gamma);

    const auto width = static_cast<std::uint32_t>(header.Width());
    const auto height = static_cast<std::uint32_t>(header.Height());
    const std::size_t fullRowBytes = png::RowBytes(colorType, depth, width);
    const std::size_t stride = png::FilterStride(colorType, depth);
    const png::TRowConverters convert =
        png::SelectRowConverters(colorType, depth, png::IsIdentityGamma(gamma));
    // Which pixels the transparent sample of tRNS names is decided on the samples as
    // stored, while they are at hand: the bitmap holds them scaled and gamma-corrected, and
    // then an opaque 254 can become the 255 of a white key.
    const auto* trns = owner.Chunks().FindChunk<TChunktRNS>();
    const bool keyed = trns && (colorType == png::COLOR_GRAYSCALE || colorType == png::COLOR_RGB);
    const png::TSampleKey key = keyed ? trns->SampleKey() : png::TSampleKey{};
    if (keyed)
        header.PrepareKeyMask();
    const auto markKey = [&](const std::uint8_t* samples, std::uint32_t r, std::uint32_t pixels,
                             std::uint32_t first, std::uint32_t step) {
        if (keyed)
            png::MarkKeyPixels(samples, header.KeyMask()->ScanLine(static_cast<int>(r)), pixels,
                               first, step, colorType, depth, key);
    };

    TImageDataReader reader(
        stream, length,
        ImageDataBytes(colorType, depth, width, height, owner.InterlaceMethod() != 0));
    TRowPair rows(fullRowBytes);
    if (owner.InterlaceMethod() == 0) {
        for (std::uint32_t r = 0; r < height; ++r) {
            if (!ReadRow(reader, rows.Current(), fullRowBytes))
                break;
            png::ReverseFilter(rows.Current(), rows.Previous(), fullRowBytes, stride);
            convert.Progressive(rows.Current() + 1, header.ImageRow(static_cast<int>(r)),
                                header.AlphaRow(static_cast<int>(r)), width, 0, 1, gamma);
            markKey(rows.Current() + 1, r, width, 0, 1);
            rows.Swap();
        }
    } else {
        for (const png::TAdam7Pass& pass : png::kAdam7Passes) {
            const std::uint32_t pixels = png::PassPixels(pass, width);
            const std::size_t rowBytes = png::RowBytes(colorType, depth, pixels);
            std::memset(rows.Previous(), 0, rowBytes + 1);
            if (rowBytes == 0)
                continue;
            for (std::uint32_t r = pass.FirstRow; r < height; r += pass.RowStep) {
                if (!ReadRow(reader, rows.Current(), rowBytes))
                    break;
                png::ReverseFilter(rows.Current(), rows.Previous(), rowBytes, stride);
                convert.Adam7(rows.Current() + 1, header.ImageRow(static_cast<int>(r)),
                              header.AlphaRow(static_cast<int>(r)), pixels, pass.FirstColumn,
                              pass.ColumnStep, gamma);
                markKey(rows.Current() + 1, r, pixels, pass.FirstColumn, pass.ColumnStep);
                rows.Swap();
            }
        }
    }
    reader.Finish();
    return true;
}
