#include "platform/gdi/MemoryDC.h"

namespace gdi {

TDibSection* TMemoryDC::SelectObject(TDibSection* bitmap) {
    TDibSection* previous = FBitmap;
    FBitmap = bitmap;
    return previous;
}

TColorRef TMemoryDC::SetBkColor(TColorRef color) {
    const TColorRef previous = FBkColor;
    FBkColor = color;
    return previous;
}

TColorRef TMemoryDC::SetTextColor(TColorRef color) {
    const TColorRef previous = FTextColor;
    FTextColor = color;
    return previous;
}

std::unique_ptr<TMemoryDC> CreateCompatibleDC(const TMemoryDC* /*reference*/) {
    return std::make_unique<TMemoryDC>();
}

} // namespace gdi
