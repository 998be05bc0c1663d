#include "platform/gdi/RasterOps.h"

#include "platform/gdi/DibPixels.h"
#include "platform/gdi/Palette.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace gdi {

namespace {

// The source offset, 0 to sourceExtent - 1, whose pixel lies under the centre of
// destination offset i.
int SourceOffset(int i, int destExtent, int sourceExtent) {
    return static_cast<int>((2 * std::int64_t{i} + 1) * sourceExtent /
                            (2 * std::int64_t{destExtent}));
}

// For every destination offset inside [0, limit) of the destination: the source
// coordinate to sample, or -1 when it falls outside the source. `first` answers the
// destination coordinate of entry 0.
std::vector<int> SampleMap(int origin, int extent, int sourceOrigin, int sourceExtent,
                           int destLimit, int sourceLimit, int& first) {
    const int destCount = std::abs(extent);
    const int sourceCount = std::abs(sourceExtent);
    const int destStart = extent > 0 ? origin : origin + extent;
    const int sourceStart = sourceExtent > 0 ? sourceOrigin : sourceOrigin + sourceExtent;
    const bool mirrored = (extent < 0) != (sourceExtent < 0);
    const int from = std::max(0, -destStart);
    const int to = std::min(destCount, destLimit - destStart);
    first = destStart + from;
    std::vector<int> map;
    if (to <= from)
        return map;
    map.reserve(static_cast<std::size_t>(to - from));
    for (int i = from; i < to; ++i) {
        int j = SourceOffset(i, destCount, sourceCount);
        if (mirrored)
            j = sourceCount - 1 - j;
        const int s = sourceStart + j;
        map.push_back(s >= 0 && s < sourceLimit ? s : -1);
    }
    return map;
}

std::uint32_t Combine(TRasterOp rop, std::uint32_t s, std::uint32_t d, std::uint32_t mask) {
    switch (rop) {
    case NOTSRCCOPY:
        return ~s & mask;
    case SRCAND:
        return s & d;
    case SRCPAINT:
        return s | d;
    default:
        return s;
    }
}

// True when a pixel value means the same colour in both bitmaps, so values can be copied
// without a colour lookup (which would also turn duplicate table entries into one).
bool SameValueMeaning(const TDibView& a, const TDibView& b) {
    if (a.BitCount > 8 && b.BitCount > 8)
        return true;
    return a.BitCount == b.BitCount && a.BitCount <= 8 &&
           std::equal(a.Colors, a.Colors + a.ColorCount, b.Colors);
}

// The copies every repaint makes (a PNG bitmap onto the canvas, the canvas into the blend's
// scratch bitmap and back, the canvas to Qt) put colours into 32-bit bitmaps without raster
// arithmetic. They take this road: the source depth fixed at compile time, indexed colours
// looked up in a table made once, whole spans where a 32-bit source is not stretched. The
// fourth byte of a 32-bit pixel carries no colour; such copies bring the source's along.
template <int Bits>
void CopyColorsTo32(const TDibView& dest, const TDibView& source, const std::vector<int>& columns,
                    const std::vector<int>& rows, int firstColumn, int firstRow, bool unstretched) {
    std::array<std::uint32_t, kMaxColorTableEntries> table{};
    if constexpr (Bits <= 8)
        for (int i = 0; i < kMaxColorTableEntries; ++i)
            table[i] = DirectValue(QuadToColor(source.Colors[i]));
    // An unstretched copy samples one unbroken run of source columns; only its ends can
    // fall outside the source.
    const auto valid = std::find_if(columns.begin(), columns.end(), [](int c) { return c >= 0; });
    const auto count = std::count_if(columns.begin(), columns.end(), [](int c) { return c >= 0; });
    const bool span = Bits == 32 && unstretched && count > 0;
    const std::size_t spanStart = static_cast<std::size_t>(valid - columns.begin());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r] < 0)
            continue;
        const std::uint8_t* from = source.Row(rows[r]);
        // `dest` views writable memory (see RasterBlit's declaration).
        auto* to = const_cast<std::uint8_t*>(dest.Row(firstRow + static_cast<int>(r))) +
                   4 * static_cast<std::size_t>(firstColumn);
        if (span) {
            std::memcpy(to + 4 * spanStart, from + 4 * static_cast<std::size_t>(*valid),
                        4 * static_cast<std::size_t>(count));
            continue;
        }
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c] < 0)
                continue;
            const auto x = static_cast<std::size_t>(columns[c]);
            std::uint32_t v;
            if constexpr (Bits <= 8)
                v = table[ReadPixelValue(from, x, Bits)];
            else if constexpr (Bits == 24)
                v = from[3 * x] | from[3 * x + 1] << 8 | from[3 * x + 2] << 16;
            else
                std::memcpy(&v, from + 4 * x, 4);
            std::memcpy(to + 4 * c, &v, 4);
        }
    }
}

// Answers false when the copy is not one CopyColorsTo32 takes.
bool TryCopyColorsTo32(const TDibView& dest, const TDibView& source,
                       const std::vector<int>& columns, const std::vector<int>& rows,
                       int firstColumn, int firstRow, bool unstretched, TRasterOp rop,
                       const TBlitRules& rules) {
    if (dest.BitCount != 32 || rop != SRCCOPY || rules.SourceMono || rules.DestMono)
        return false;
    const auto copy = [&](auto copier) {
        copier(dest, source, columns, rows, firstColumn, firstRow, unstretched);
        return true;
    };
    switch (source.BitCount) {
    case 1:
        return copy(CopyColorsTo32<1>);
    case 4:
        return copy(CopyColorsTo32<4>);
    case 8:
        return copy(CopyColorsTo32<8>);
    case 24:
        return copy(CopyColorsTo32<24>);
    case 32:
        return copy(CopyColorsTo32<32>);
    default:
        return false;
    }
}

} // namespace

bool IsKnownRasterOp(std::uint32_t rop) {
    return rop == SRCCOPY || rop == NOTSRCCOPY || rop == SRCAND || rop == SRCPAINT;
}

std::uint32_t TColorMapper::Value(TColorRef color) {
    if (FDest.BitCount > 8)
        return DirectValue(color);
    if (color != FLastColor) {
        FLastColor = color;
        FLastValue =
            static_cast<std::uint32_t>(NearestColorIndex(FDest.Colors, FDest.ColorCount, color));
    }
    return FLastValue;
}

void RasterBlit(const TDibView& dest, const TBlitRect& to, const TDibView& source,
                const TBlitRect& from, TRasterOp rop, const TBlitRules& rules) {
    if (to.W == 0 || to.H == 0 || from.W == 0 || from.H == 0 || !dest.Bits || !source.Bits)
        return;
    int firstColumn = 0, firstRow = 0;
    const std::vector<int> columns =
        SampleMap(to.X, to.W, from.X, from.W, dest.Width, source.Width, firstColumn);
    const std::vector<int> rows =
        SampleMap(to.Y, to.H, from.Y, from.H, dest.Height, source.Height, firstRow);
    const bool unstretched = to.W == from.W && to.W > 0;
    if (TryCopyColorsTo32(dest, source, columns, rows, firstColumn, firstRow, unstretched, rop,
                          rules))
        return;

    const std::uint32_t mask = PixelValueMask(dest.BitCount);
    const bool sameValues =
        (rules.SourceMono && rules.DestMono) ||
        (!rules.SourceMono && !rules.DestMono && SameValueMeaning(source, dest));
    const bool readsDest = rop == SRCAND || rop == SRCPAINT;
    TColorMapper mapper(dest);
    const auto convert = [&](std::uint32_t sv) -> std::uint32_t {
        if (sameValues)
            return sv;
        if (rules.SourceMono) {
            if (rules.DestMono)
                return sv;
            return mapper.Value(sv ? rules.DestBkColor : rules.DestTextColor);
        }
        const TColorRef color = PixelColor(source, sv);
        if (rules.DestMono)
            return color == rules.SourceBkColor ? 1 : 0;
        return mapper.Value(color);
    };

    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows[r] < 0)
            continue;
        const std::uint8_t* sourceRow = source.Row(rows[r]);
        // `dest` views writable memory (see the declaration).
        auto* destRow = const_cast<std::uint8_t*>(dest.Row(firstRow + static_cast<int>(r)));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (columns[c] < 0)
                continue;
            const std::size_t x = static_cast<std::size_t>(firstColumn) + c;
            const std::uint32_t s = convert(
                ReadPixelValue(sourceRow, static_cast<std::size_t>(columns[c]), source.BitCount));
            const std::uint32_t d = readsDest ? ReadPixelValue(destRow, x, dest.BitCount) : 0;
            WritePixelValue(destRow, x, dest.BitCount, Combine(rop, s, d, mask));
        }
    }
}

} // namespace gdi
