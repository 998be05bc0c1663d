#include "tests/common/GraphicSupport.h"

#include "gui/Bitmap.h"
#include "gui/Canvas.h"

#include <QImage>

std::vector<gdi::TColorRef> CanvasColors(const TCanvas& canvas) {
    std::vector<gdi::TColorRef> out;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            out.push_back(canvas.Pixels(x, y));
    return out;
}

std::vector<gdi::TColorRef> BitmapColors(TBitmap& bitmap) {
    return CanvasColors(bitmap.Canvas());
}

gdi::TColorRef ImageColor(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return gdi::RGB(static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                    static_cast<std::uint8_t>(qBlue(c)));
}

std::vector<gdi::TColorRef> ImageColors(const QImage& image) {
    std::vector<gdi::TColorRef> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.push_back(ImageColor(image, x, y));
    return out;
}
