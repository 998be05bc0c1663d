// A memory device context: the drawing surface a bitmap is selected into before raster
// operations read or write it. Like the platform's, it does not own the bitmap it holds;
// whoever created the bitmap deletes it after selecting the previous one back.
#pragma once

#include "platform/gdi/Dib.h"

#include <memory>

namespace gdi {

class TMemoryDC {
public:
    TMemoryDC() = default;
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;

    // Selects `bitmap` (may be null) and answers the one selected before.
    TDibSection* SelectObject(TDibSection* bitmap);
    TDibSection* Bitmap() const { return FBitmap; }

    // The colour that marks 1-bits when colour pixels are copied into a monochrome bitmap.
    TColorRef BkColor() const { return FBkColor; }
    // Answers the previous background colour.
    TColorRef SetBkColor(TColorRef color);

    // When a monochrome bitmap is copied into a colour one, its 0-bits take the text colour
    // of the destination context and its 1-bits the background colour.
    TColorRef TextColor() const { return FTextColor; }
    // Answers the previous text colour.
    TColorRef SetTextColor(TColorRef color);

private:
    TDibSection* FBitmap = nullptr;
    TColorRef FBkColor = RGB(255, 255, 255);
    TColorRef FTextColor = RGB(0, 0, 0);
};

// A memory context for `reference` or, given none, for the screen. Every context here
// draws into plain memory, so the reference only matters to callers that keep it.
std::unique_ptr<TMemoryDC> CreateCompatibleDC(const TMemoryDC* reference);

} // namespace gdi
