#include "platform/gdi/Dib.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace gdi {

namespace {

// No bitmap this program draws comes near this; a wild header is refused here instead of
// being handed to the allocator (width and height fields alone could ask for 16 EiB).
constexpr std::size_t kMaxDibBytes = std::size_t{1} << 36;

bool IsSupportedBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

std::size_t AbsoluteHeight(const TBitmapInfoHeader& h) {
    return static_cast<std::size_t>(h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight);
}

// The stride of a header this library can hold, or 0 when it can't.
std::size_t UsableStride(const TBitmapInfoHeader& h) {
    if (h.biSize < kBitmapInfoHeaderSize || h.biPlanes != 1 || h.biCompression != BI_RGB ||
        h.biHeight == 0 || h.biHeight == std::numeric_limits<std::int32_t>::min())
        return 0;
    const std::size_t stride = DibStride(h.biWidth, h.biBitCount);
    if (stride == 0 || AbsoluteHeight(h) > kMaxDibBytes / stride)
        return 0;
    return stride;
}

} // namespace

std::size_t DibStride(std::int64_t width, int bitCount) {
    if (width <= 0 || !IsSupportedBitCount(bitCount))
        return 0;
    // width is at most 2^31 - 1 and bitCount at most 32, so the product fits in 64 bits.
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<unsigned>(bitCount);
    const std::uint64_t stride = (bits + 31) / 32 * 4;
    if (stride > std::numeric_limits<std::size_t>::max())
        return 0;
    return static_cast<std::size_t>(stride);
}

int DibColorCount(int bitCount) {
    return bitCount >= 1 && bitCount <= 8 ? 1 << bitCount : 0;
}

bool MakeDibView(const TBitmapInfo& info, const void* bits, TDibView& view) {
    const TBitmapInfoHeader& h = info.bmiHeader;
    const std::size_t stride = UsableStride(h);
    if (stride == 0 || !bits)
        return false;
    view.Bits = static_cast<const std::uint8_t*>(bits);
    view.Width = h.biWidth;
    view.Height = static_cast<int>(AbsoluteHeight(h));
    view.TopDown = h.biHeight < 0;
    view.BitCount = h.biBitCount;
    view.Stride = stride;
    view.Colors = info.bmiColors.data();
    view.ColorCount = DibColorCount(h.biBitCount);
    return true;
}

std::unique_ptr<TDibSection> TDibSection::Create(const TBitmapInfo& info) {
    const TBitmapInfoHeader& h = info.bmiHeader;
    const std::size_t stride = UsableStride(h);
    if (stride == 0)
        return nullptr;
    const std::size_t height = AbsoluteHeight(h);

    // calloc hands out zeroed memory the system maps lazily, so a large bitmap costs only
    // the rows that are actually written.
    auto* bits = static_cast<std::uint8_t*>(std::calloc(height, stride));
    if (!bits)
        return nullptr;
    std::unique_ptr<TDibSection> dib(new TDibSection);
    dib->FWidth = h.biWidth;
    dib->FHeight = static_cast<int>(height);
    dib->FTopDown = h.biHeight < 0;
    dib->FBitCount = h.biBitCount;
    dib->FStride = stride;
    dib->FBits = bits;
    dib->SetColorTable(info.bmiColors.data(), dib->ColorCount());
    return dib;
}

TDibSection::~TDibSection() {
    std::free(FBits);
}

void TDibSection::SetColorTable(const TRGBQuad* colors, int count) {
    count = std::clamp(count, 0, ColorCount());
    std::copy(colors, colors + count, FColors.begin());
}

bool TDibSection::IsMonochrome() const {
    return FBitCount == 1 && FColors[0] == TRGBQuad{0, 0, 0, 0} &&
           FColors[1] == TRGBQuad{255, 255, 255, 0};
}

TDibView TDibSection::View() const {
    return {FBits, FWidth, FHeight, FTopDown, FBitCount, FStride, FColors.data(), ColorCount()};
}

} // namespace gdi
