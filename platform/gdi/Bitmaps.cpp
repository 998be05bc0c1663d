#include "platform/gdi/Bitmaps.h"

#include "platform/gdi/RasterOps.h"

#include <algorithm>
#include <cstdlib>

namespace gdi {

namespace {

constexpr std::array<TRGBQuad, 16> kStandardColors = {{
    {0, 0, 0, 0},
    {0, 0, 128, 0},
    {0, 128, 0, 0},
    {0, 128, 128, 0},
    {128, 0, 0, 0},
    {128, 0, 128, 0},
    {128, 128, 0, 0},
    {192, 192, 192, 0},
    {128, 128, 128, 0},
    {0, 0, 255, 0},
    {0, 255, 0, 0},
    {0, 255, 255, 0},
    {255, 0, 0, 0},
    {255, 0, 255, 0},
    {255, 255, 0, 0},
    {255, 255, 255, 0},
}};

constexpr int kCubeLevels = 6;
constexpr int kCubeStep = 51;
constexpr int kCubeSize = kCubeLevels * kCubeLevels * kCubeLevels;

std::array<TRGBQuad, kMaxColorTableEntries> MakeTable(int bitCount) {
    std::array<TRGBQuad, kMaxColorTableEntries> table{};
    switch (bitCount) {
    case 1:
        table[1] = {255, 255, 255, 0};
        break;
    case 4:
        std::copy(kStandardColors.begin(), kStandardColors.end(), table.begin());
        break;
    case 8: {
        int i = 0;
        for (int r = 0; r < kCubeLevels; ++r)
            for (int g = 0; g < kCubeLevels; ++g)
                for (int b = 0; b < kCubeLevels; ++b)
                    table[i++] = {static_cast<std::uint8_t>(b * kCubeStep),
                                  static_cast<std::uint8_t>(g * kCubeStep),
                                  static_cast<std::uint8_t>(r * kCubeStep), 0};
        // Greys between the cube's own, so grey images keep their shades.
        const int greys = kMaxColorTableEntries - kCubeSize;
        for (int k = 0; k < greys; ++k) {
            const auto v = static_cast<std::uint8_t>((k + 1) * 255 / (greys + 1));
            table[i++] = {v, v, v, 0};
        }
        break;
    }
    default:
        break;
    }
    return table;
}

} // namespace

TBitmapInfo MakeBitmapInfo(int width, int height, int bitCount) {
    TBitmapInfo info;
    info.bmiHeader.biSize = kBitmapInfoHeaderSize;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<std::uint16_t>(bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

const std::array<TRGBQuad, kMaxColorTableEntries>& DefaultColorTable(int bitCount) {
    static const auto mono = MakeTable(1);
    static const auto standard = MakeTable(4);
    static const auto cube = MakeTable(8);
    static const std::array<TRGBQuad, kMaxColorTableEntries> none{};
    switch (bitCount) {
    case 1:
        return mono;
    case 4:
        return standard;
    case 8:
        return cube;
    default:
        return none;
    }
}

std::unique_ptr<TDibSection> CreateBitmap(int width, int height, int planes, int bitCount) {
    if (planes != 1 || width <= 0 || height <= 0)
        return nullptr;
    TBitmapInfo info = MakeBitmapInfo(width, -height, bitCount);
    info.bmiColors = DefaultColorTable(bitCount);
    return TDibSection::Create(info);
}

std::unique_ptr<TDibSection> CreateCompatibleBitmap(const TMemoryDC* /*dc*/, int width,
                                                    int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    return TDibSection::Create(MakeBitmapInfo(width, -height, kScreenBitCount));
}

std::unique_ptr<TDibSection> CreateDIBitmap(const TMemoryDC* dc, const TBitmapInfo& info,
                                            const void* bits) {
    TDibView source;
    if (!MakeDibView(info, bits, source))
        return nullptr;
    std::unique_ptr<TDibSection> bitmap = CreateCompatibleBitmap(dc, source.Width, source.Height);
    if (bitmap) {
        const TBlitRect all{0, 0, source.Width, source.Height};
        RasterBlit(bitmap->View(), all, source, all, SRCCOPY, {});
    }
    return bitmap;
}

std::unique_ptr<TDibSection> ConvertBitmap(const TDibSection& source, int bitCount,
                                           const TRGBQuad* colors, int count) {
    TBitmapInfo info = MakeBitmapInfo(source.Width(), -source.Height(), bitCount);
    int usable = DibColorCount(bitCount);
    if (colors) {
        usable = std::clamp(count, 1, usable);
        std::copy_n(colors, usable, info.bmiColors.begin());
    } else {
        info.bmiColors =
            bitCount == source.BitCount() ? source.ColorTable() : DefaultColorTable(bitCount);
    }
    std::unique_ptr<TDibSection> copy = TDibSection::Create(info);
    if (copy) {
        // Colours are matched against the given entries only, not the black ones after them.
        TDibView target = copy->View();
        target.ColorCount = usable;
        const TBlitRect all{0, 0, source.Width(), source.Height()};
        RasterBlit(target, all, source.View(), all, SRCCOPY, {});
    }
    return copy;
}

bool GetObject(const TDibSection* bitmap, TBitmapDesc& desc) {
    if (!bitmap)
        return false;
    desc = {bitmap->Width(), bitmap->Height(), 1, bitmap->BitCount()};
    return true;
}

int GetDIBits(const TMemoryDC* /*dc*/, const TDibSection& bitmap, int startScan, int scanLines,
              void* bits, TBitmapInfo& info) {
    TBitmapInfoHeader& h = info.bmiHeader;
    const int bitCount = h.biBitCount;
    if (bitCount <= 8) {
        if (bitCount == bitmap.BitCount())
            info.bmiColors = bitmap.ColorTable();
        else
            info.bmiColors = DefaultColorTable(bitCount);
    }
    TDibView target;
    if (!MakeDibView(info, bits, target) || target.Width != bitmap.Width() ||
        target.Height != bitmap.Height() || startScan < 0 || scanLines <= 0 ||
        startScan >= target.Height)
        return 0;
    const int lines = std::min(scanLines, target.Height - startScan);
    // Scan lines run in the layout's storage order; shift the view so that its first
    // stored row is scan line startScan, then copy whole image rows.
    TDibView window = target;
    window.Height = lines;
    const int firstImageRow = target.TopDown ? startScan : target.Height - startScan - lines;
    window.Bits = target.Row(target.TopDown ? firstImageRow : firstImageRow + lines - 1);
    // Colours cross through the colour tables: a mask read back is black and white.
    RasterBlit(window, {0, 0, target.Width, lines}, bitmap.View(),
               {0, firstImageRow, target.Width, lines}, SRCCOPY, {});
    return lines;
}

} // namespace gdi
