// Feeds arbitrary bytes to the bitmap file reader. Any outcome but a bitmap or one of the
// framework's exceptions is a finding. A bitmap that loads is drawn, converted and written;
// reading what was written must give the same pixels.
#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "gui/Stream.h"
#include "platform/gdi/Bitmaps.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

bool SamePixels(const gdi::TDibSection& a, const gdi::TDibSection& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount())
        return false;
    const std::size_t bytes = (static_cast<std::size_t>(a.Width()) * a.BitCount() + 7) / 8;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0)
            return false;
    return a.BitCount() > 8 || a.ColorTable() == b.ColorTable();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream stream;
    if (size > 0)
        stream.WriteBuffer(data, size);
    stream.SetPosition(0);
    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    auto surface = gdi::CreateCompatibleBitmap(nullptr, 32, 32);
    TCanvas canvas(surface.get());
    canvas.StretchDraw(Bounds(-1, -1, 40, 9), bitmap);
    bitmap.SetTransparent(true);
    canvas.StretchDraw(Bounds(3, 2, bitmap.Width(), bitmap.Height()), bitmap);

    TMemoryStream saved;
    bitmap.SaveToStream(saved);
    saved.SetPosition(0);
    TBitmap reread;
    reread.LoadFromStream(saved);
    if (!SamePixels(*bitmap.Handle(), *reread.Handle()))
        std::abort();
    return 0;
}
