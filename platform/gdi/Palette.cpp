#include "platform/gdi/Palette.h"

#include <algorithm>
#include <array>
#include <limits>

namespace gdi {

namespace {

int Distance(int r, int g, int b, TColorRef color) {
    const int dr = r - GetRValue(color);
    const int dg = g - GetGValue(color);
    const int db = b - GetBValue(color);
    return dr * dr + dg * dg + db * db;
}

template <class Entry, class Channels>
int Nearest(const Entry* entries, int count, TColorRef color, Channels channels) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < count; ++i) {
        const auto [r, g, b] = channels(entries[i]);
        const int d = Distance(r, g, b, color);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0)
                break;
        }
    }
    return best;
}

} // namespace

std::unique_ptr<TPalette> CreatePalette(const TLogPalette& log) {
    if (log.palVersion != kPaletteVersion || log.palPalEntry.empty() ||
        log.palPalEntry.size() > kMaxPaletteEntries)
        return nullptr;
    return std::make_unique<TPalette>(log.palPalEntry);
}

int GetPaletteEntries(const TPalette* palette, int start, int count, TPaletteEntry* entries) {
    if (!palette || start < 0 || count <= 0 || start >= palette->Count())
        return 0;
    const int n = std::min(count, palette->Count() - start);
    std::copy_n(palette->Entries().begin() + start, n, entries);
    return n;
}

int GetNearestPaletteIndex(const TPalette* palette, TColorRef color) {
    if (!palette || palette->Count() == 0)
        return -1;
    return Nearest(palette->Entries().data(), palette->Count(), color, [](const TPaletteEntry& e) {
        return std::array<int, 3>{e.peRed, e.peGreen, e.peBlue};
    });
}

int NearestColorIndex(const TRGBQuad* colors, int count, TColorRef color) {
    return Nearest(colors, count, color, [](const TRGBQuad& q) {
        return std::array<int, 3>{q.rgbRed, q.rgbGreen, q.rgbBlue};
    });
}

std::unique_ptr<TPalette> PaletteFromColorTable(const TRGBQuad* colors, int count) {
    std::vector<TPaletteEntry> entries(std::clamp(count, 0, kMaxPaletteEntries));
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
    return std::make_unique<TPalette>(std::move(entries));
}

} // namespace gdi
