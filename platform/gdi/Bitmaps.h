// Making bitmaps and reading them back: monochrome masks, bitmaps in the screen's format,
// device-dependent copies of DIB pixels, and a bitmap's pixels converted into a layout the
// caller prepares.
//
// Every device context here stands for the same 32-bit true-colour screen, so a
// "device-dependent" or "compatible" bitmap is a 32-bit top-down bitmap, whatever context
// it is made for. Colour then survives every copy, which a palette device would not give.
#pragma once

#include "platform/gdi/MemoryDC.h"

#include <array>
#include <memory>

namespace gdi {

constexpr int kScreenBitCount = 32;

// A bitmap information header for an uncompressed bitmap (negative height: top-down) with
// an empty colour table.
TBitmapInfo MakeBitmapInfo(int width, int height, int bitCount);

// The colours an indexed bitmap gets when nothing better is known: black and white; the
// sixteen standard colours; a 6 × 6 × 6 colour cube followed by 40 greys.
const std::array<TRGBQuad, kMaxColorTableEntries>& DefaultColorTable(int bitCount);

// A bitmap of one plane: at 1 bit per pixel a monochrome mask (black, white), at other
// depths a bitmap with the default colour table. Null for more planes, an unusable depth
// or size.
std::unique_ptr<TDibSection> CreateBitmap(int width, int height, int planes, int bitCount);

// A bitmap in the screen's format, zeroed (black).
std::unique_ptr<TDibSection> CreateCompatibleBitmap(const TMemoryDC* dc, int width, int height);

// A bitmap in the screen's format holding the pixels `bits` laid out and coloured as
// `info` says (what CreateDIBitmap with CBM_INIT and DIB_RGB_COLORS makes).
std::unique_ptr<TDibSection> CreateDIBitmap(const TMemoryDC* dc, const TBitmapInfo& info,
                                            const void* bits);

// A copy of `source` at `bitCount` bits per pixel, colours matched by nearness (never by
// the two-colour mask rule). An indexed copy takes the first `count` entries of `colors`
// as its colour table (the rest black, never chosen) or, when `colors` is null, the source's own
// table at the source's depth and the default table at any other. Null when the depth or the memory
// is not to be had.
std::unique_ptr<TDibSection> ConvertBitmap(const TDibSection& source, int bitCount,
                                           const TRGBQuad* colors = nullptr, int count = 0);

struct TBitmapDesc {
    int bmWidth = 0;
    int bmHeight = 0;
    int bmPlanes = 0;
    int bmBitsPixel = 0;
};

// The size and depth of `bitmap`; false for a null one.
bool GetObject(const TDibSection* bitmap, TBitmapDesc& desc);

// Converts scan lines startScan to startScan + scanLines - 1 of `bitmap` into `bits`,
// laid out as `info` prepares them: its width and height must be the bitmap's, its depth
// any this library draws. Scan lines are counted in the storage order of `info` (from the
// bottom row for a positive height), as `bits` holds them. An indexed layout of the
// bitmap's own depth receives the bitmap's colour table and its values unchanged; another
// indexed layout receives the default colour table and the nearest colours. Answers the
// number of scan lines copied, 0 on failure.
int GetDIBits(const TMemoryDC* dc, const TDibSection& bitmap, int startScan, int scanLines,
              void* bits, TBitmapInfo& info);

} // namespace gdi
