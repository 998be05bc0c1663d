#include "gui/DibImage.h"

#include "platform/gdi/Bitmaps.h"

#include <cstring>

#include <QMimeData>

QImage DibToQImage(const gdi::TDibSection& bitmap) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    // A 32-bit top-down DIB row is exactly a QImage RGB32 row: blue, green, red, unused.
    gdi::TBitmapInfo info = gdi::MakeBitmapInfo(bitmap.Width(), -bitmap.Height(), 32);
    if (image.isNull() || static_cast<std::size_t>(image.bytesPerLine()) != bitmap.Width() * 4u ||
        gdi::GetDIBits(nullptr, bitmap, 0, bitmap.Height(), image.bits(), info) == 0)
        return {};
    // Qt reads the unused byte as alpha and expects it at 255 in this format. The rows are
    // packed (checked above), so the pixels are one run.
    auto* pixel = reinterpret_cast<std::uint32_t*>(image.bits());
    const std::size_t count = static_cast<std::size_t>(image.width()) * image.height();
    for (std::size_t i = 0; i < count; ++i)
        pixel[i] |= 0xFF000000u;
    return image;
}

std::unique_ptr<gdi::TDibSection> QImageToDib(const QImage& image) {
    if (image.isNull())
        return nullptr;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::unique_ptr<gdi::TDibSection> bitmap =
        gdi::CreateCompatibleBitmap(nullptr, rgb.width(), rgb.height());
    if (!bitmap)
        return nullptr;
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(bitmap->ScanLine(y), rgb.constScanLine(y), bitmap->Stride());
    return bitmap;
}

std::unique_ptr<gdi::TDibSection> ClipboardDataToDib(const QMimeData& data) {
    if (!data.hasImage())
        return nullptr;
    return QImageToDib(qvariant_cast<QImage>(data.imageData()));
}

void DibToClipboardData(QMimeData& data, const gdi::TDibSection& bitmap) {
    data.setImageData(DibToQImage(bitmap));
}
