// The Windows bitmap file format (".bmp"), which framework bitmaps load and save:
// a 14-byte file header, an information header, a colour table and the rows as a DIB
// stores them. Files come from anywhere, so every field is checked before memory is
// taken for the pixels.
#pragma once

#include "platform/gdi/Dib.h"

#include <cstdint>
#include <memory>

class TStream;

// The most pixels a file may declare, as for PNG images: 2^28 (16384 x 16384).
constexpr std::uint64_t kMaxBitmapFilePixels = std::uint64_t{1} << 28;

// Reads an uncompressed bitmap of 1, 4, 8, 24 or 32 bits per pixel from the stream's
// position. Raises EInvalidGraphic saying what was expected and found for anything else,
// and for a file cut short.
std::unique_ptr<gdi::TDibSection> ReadBitmapFile(TStream& stream);

// Writes `bitmap` with a 40-byte information header, rows bottom-up.
void WriteBitmapFile(TStream& stream, const gdi::TDibSection& bitmap);
