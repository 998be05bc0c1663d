// Logical palettes: up to 256 colours handed between graphics and the drawing code, and
// the nearest-colour search that maps a colour into a palette or a colour table.
#pragma once

#include "platform/gdi/Dib.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {

constexpr std::uint16_t kPaletteVersion = 0x300;
constexpr int kMaxPaletteEntries = 256;

struct TPaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;

    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

struct TLogPalette {
    std::uint16_t palVersion = kPaletteVersion;
    std::vector<TPaletteEntry> palPalEntry;
};

class TPalette {
public:
    explicit TPalette(std::vector<TPaletteEntry> entries) : FEntries(std::move(entries)) {}

    int Count() const { return static_cast<int>(FEntries.size()); }
    const TPaletteEntry& Entry(int index) const { return FEntries[index]; }
    const std::vector<TPaletteEntry>& Entries() const { return FEntries; }

private:
    std::vector<TPaletteEntry> FEntries;
};

// Null when the version is not 0x300 or the palette holds no entry or more than 256.
std::unique_ptr<TPalette> CreatePalette(const TLogPalette& log);

// Copies up to `count` entries from `start` into `entries`; answers how many were copied
// (0 for a null palette or a start beyond its end).
int GetPaletteEntries(const TPalette* palette, int start, int count, TPaletteEntry* entries);

// The index of the entry closest to `color` (smallest squared distance in red, green and
// blue; the lowest index on a tie); -1 for a null or empty palette.
int GetNearestPaletteIndex(const TPalette* palette, TColorRef color);

// The same search over the first `count` entries of a colour table; 0 when `count` is 0.
int NearestColorIndex(const TRGBQuad* colors, int count, TColorRef color);

// A palette holding the colours of the first `count` entries of a colour table.
std::unique_ptr<TPalette> PaletteFromColorTable(const TRGBQuad* colors, int count);

} // namespace gdi
