#include "png/pngheaderinfo.h"

#include "platform/gdi/Dib.h"
#include "png/pngchunk.h"
#include "png/pngchunks.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace png {
namespace {

// The signature, then the header chunk: length, type, the fixed fields, CRC.
constexpr std::size_t kLengthOffset = sizeof kPngSignature;
constexpr std::size_t kTypeOffset = kLengthOffset + 4;
constexpr std::size_t kDataOffset = kTypeOffset + 4;
constexpr std::size_t kCrcOffset = kDataOffset + kIhdrSize;
constexpr std::size_t kHeaderBytes = kCrcOffset + 4;

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool ReadPngHeaderInfo(const std::string& fileName, TPngHeaderInfo& info) {
    info = {};
    std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "rb"));
    std::uint8_t bytes[kHeaderBytes];
    if (!file || std::fread(bytes, 1, sizeof bytes, file.get()) != sizeof bytes)
        return false;
    const TChunkType ihdr = MakeChunkType("IHDR");
    if (!std::equal(bytes, bytes + kLengthOffset, kPngSignature) ||
        ReadBigEndian32(bytes + kLengthOffset) != kIhdrSize ||
        !std::equal(ihdr.begin(), ihdr.end(), bytes + kTypeOffset))
        return false;
    const std::uint32_t crc = UpdateCrc(kCrcStart, bytes + kTypeOffset, 4 + kIhdrSize) ^ kCrcStart;
    if (crc != ReadBigEndian32(bytes + kCrcOffset))
        return false;
    const std::uint8_t* data = bytes + kDataOffset;
    TPngHeaderInfo read;
    read.Width = ReadBigEndian32(data + kIhdrWidth);
    read.Height = ReadBigEndian32(data + kIhdrHeight);
    read.BitDepth = data[kIhdrBitDepth];
    read.ColorType = data[kIhdrColorType];
    if (read.Width == 0 || read.Height == 0 || !IsLegalColorDepth(read.ColorType, read.BitDepth))
        return false;
    info = read;
    return true;
}

std::uint64_t PixelCount(const TPngHeaderInfo& info) {
    return std::uint64_t{info.Width} * info.Height;
}

std::uint64_t DecodedBitmapBytes(const TPngHeaderInfo& info) {
    const std::uint64_t stride =
        gdi::DibStride(info.Width, BitmapBitCount(info.ColorType, info.BitDepth));
    const bool alpha = info.ColorType == COLOR_GRAYSCALEALPHA || info.ColorType == COLOR_RGBALPHA;
    return stride * info.Height + (alpha ? PixelCount(info) : 0);
}

} // namespace png
