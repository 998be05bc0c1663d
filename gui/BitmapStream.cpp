#include "gui/BitmapStream.h"

#include "gui/Graphic.h"
#include "gui/Stream.h"
#include "platform/StrFormat.h"
#include "platform/gdi/Bitmaps.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint16_t kBitmapSignature = 0x4D42; // "BM"
constexpr std::uint32_t kFileHeaderSize = 14;
// Offsets in the file header.
constexpr std::size_t kFileSignature = 0;
constexpr std::size_t kFileSize = 2;
constexpr std::size_t kFileBitsOffset = 10;
// Offsets in the information header.
constexpr std::size_t kInfoSize = 0;
constexpr std::size_t kInfoWidth = 4;
constexpr std::size_t kInfoHeight = 8;
constexpr std::size_t kInfoPlanes = 12;
constexpr std::size_t kInfoBitCount = 14;
constexpr std::size_t kInfoCompression = 16;
constexpr std::size_t kInfoSizeImage = 20;
constexpr std::size_t kInfoClrUsed = 32;
// The later header versions (V4, V5) add colour-space fields after the 40 bytes of the
// first, which an uncompressed bitmap doesn't need.
constexpr std::uint32_t kV4InfoHeaderSize = 108;
constexpr std::uint32_t kV5InfoHeaderSize = 124;
constexpr std::uint32_t kQuadSize = 4;

std::uint32_t Get16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}
std::uint32_t Get32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

[[noreturn]] void Invalid(const std::string& detail) {
    throw EInvalidGraphic("Bitmap image is not valid: " + detail);
}

void ReadExactly(TStream& stream, void* buffer, std::size_t count, const char* what) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t got = 0;
    while (got < count) {
        const std::size_t n = stream.Read(out + got, count - got);
        if (n == 0)
            Invalid(Format("the file ends inside the %s", what));
        got += n;
    }
}

} // namespace

std::unique_ptr<gdi::TDibSection> ReadBitmapFile(TStream& stream) {
    const std::int64_t start = stream.Position();
    std::uint8_t file[kFileHeaderSize];
    ReadExactly(stream, file, sizeof file, "file header");
    if (Get16(file + kFileSignature) != kBitmapSignature)
        Invalid("the file does not start with \"BM\"");
    const std::uint32_t bitsOffset = Get32(file + kFileBitsOffset);

    std::uint8_t info[gdi::kBitmapInfoHeaderSize];
    ReadExactly(stream, info, 4, "information header");
    const std::uint32_t infoSize = Get32(info + kInfoSize);
    if (infoSize != gdi::kBitmapInfoHeaderSize && infoSize != kV4InfoHeaderSize &&
        infoSize != kV5InfoHeaderSize)
        Invalid(
            Format("an information header of 40, 108 or 124 bytes was expected, not %u", infoSize));
    ReadExactly(stream, info + 4, sizeof info - 4, "information header");

    gdi::TBitmapInfo bi;
    gdi::TBitmapInfoHeader& h = bi.bmiHeader;
    h.biSize = gdi::kBitmapInfoHeaderSize;
    h.biWidth = static_cast<std::int32_t>(Get32(info + kInfoWidth));
    h.biHeight = static_cast<std::int32_t>(Get32(info + kInfoHeight));
    h.biPlanes = static_cast<std::uint16_t>(Get16(info + kInfoPlanes));
    h.biBitCount = static_cast<std::uint16_t>(Get16(info + kInfoBitCount));
    h.biCompression = Get32(info + kInfoCompression);
    h.biClrUsed = Get32(info + kInfoClrUsed);

    if (h.biPlanes != 1)
        Invalid(Format("1 plane was expected, not %u", unsigned{h.biPlanes}));
    if (h.biCompression != gdi::BI_RGB)
        Invalid(Format("only uncompressed bitmaps are read, this one uses compression %u",
                       h.biCompression));
    const std::size_t stride = gdi::DibStride(h.biWidth, h.biBitCount);
    if (stride == 0)
        Invalid(Format("a width of %d at %u bits per pixel can't be drawn", h.biWidth,
                       unsigned{h.biBitCount}));
    const std::int64_t height = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
    if (height == 0 || std::uint64_t(h.biWidth) * std::uint64_t(height) > kMaxBitmapFilePixels)
        Invalid(Format("%d x %lld pixels is outside 1 to %llu pixels", h.biWidth,
                       static_cast<long long>(height),
                       static_cast<unsigned long long>(kMaxBitmapFilePixels)));

    const int tableMax = gdi::DibColorCount(h.biBitCount);
    if (h.biClrUsed > static_cast<std::uint32_t>(tableMax))
        Invalid(
            Format("at most %d colours were expected, the header names %u", tableMax, h.biClrUsed));
    const int colours = h.biClrUsed != 0 ? static_cast<int>(h.biClrUsed) : tableMax;
    stream.Seek(start + kFileHeaderSize + infoSize, TSeekOrigin::soBeginning);
    std::vector<std::uint8_t> table(static_cast<std::size_t>(colours) * kQuadSize);
    ReadExactly(stream, table.data(), table.size(), "colour table");
    for (int i = 0; i < colours; ++i) {
        const std::uint8_t* q = table.data() + i * kQuadSize;
        bi.bmiColors[i] = {q[0], q[1], q[2], 0};
    }

    const std::int64_t pixelsAt = start + bitsOffset;
    const auto imageSize = static_cast<std::int64_t>(stride) * height;
    if (bitsOffset < kFileHeaderSize + infoSize + table.size() ||
        stream.Size() - pixelsAt < imageSize)
        Invalid(Format("%lld bytes of pixels were expected at offset %u",
                       static_cast<long long>(imageSize), bitsOffset));
    std::unique_ptr<gdi::TDibSection> bitmap = gdi::TDibSection::Create(bi);
    if (!bitmap)
        throw EOutOfMemory("Out of memory for the bitmap's pixels");
    stream.Seek(pixelsAt, TSeekOrigin::soBeginning);
    ReadExactly(stream, bitmap->Bits(), bitmap->ImageSize(), "pixels");
    return bitmap;
}

void WriteBitmapFile(TStream& stream, const gdi::TDibSection& bitmap) {
    const int colours = bitmap.ColorCount();
    const std::uint32_t bitsOffset =
        kFileHeaderSize + gdi::kBitmapInfoHeaderSize + colours * kQuadSize;
    const auto imageSize = static_cast<std::uint32_t>(bitmap.ImageSize());

    std::uint8_t header[kFileHeaderSize + gdi::kBitmapInfoHeaderSize] = {};
    Put16(header + kFileSignature, kBitmapSignature);
    Put32(header + kFileSize, bitsOffset + imageSize);
    Put32(header + kFileBitsOffset, bitsOffset);
    std::uint8_t* info = header + kFileHeaderSize;
    Put32(info + kInfoSize, gdi::kBitmapInfoHeaderSize);
    Put32(info + kInfoWidth, static_cast<std::uint32_t>(bitmap.Width()));
    Put32(info + kInfoHeight, static_cast<std::uint32_t>(bitmap.Height()));
    Put16(info + kInfoPlanes, 1);
    Put16(info + kInfoBitCount, static_cast<std::uint32_t>(bitmap.BitCount()));
    Put32(info + kInfoCompression, gdi::BI_RGB);
    Put32(info + kInfoSizeImage, imageSize);
    Put32(info + kInfoClrUsed, static_cast<std::uint32_t>(colours));
    stream.WriteBuffer(header, sizeof header);

    for (int i = 0; i < colours; ++i) {
        const gdi::TRGBQuad& c = bitmap.ColorTable()[i];
        const std::uint8_t quad[kQuadSize] = {c.rgbBlue, c.rgbGreen, c.rgbRed, 0};
        stream.WriteBuffer(quad, sizeof quad);
    }
    // Bottom-up, as every reader of the format expects.
    for (int row = bitmap.Height() - 1; row >= 0; --row)
        stream.WriteBuffer(bitmap.ScanLine(row), bitmap.Stride());
}
