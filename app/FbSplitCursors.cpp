#include "app/FbSplitCursors.h"

#include <cstring>

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

namespace {

// The side-by-side cursor, drawn in a 32 x 32 box around (16, 16): a bar two pixels wide
// with an arrow on each side. Symmetric about the centre column so the hot spot sits on
// the bar.
QPolygon HorizontalArrowShape() {
    return QPolygon({
        {3, 16},
        {9, 10},
        {9, 14},
        {13, 14},
        {13, 7},
        {19, 7},
        {19, 14},
        {23, 14},
        {23, 10},
        {29, 16},
        {23, 22},
        {23, 18},
        {19, 18},
        {19, 25},
        {13, 25},
        {13, 18},
        {9, 18},
        {9, 22},
    });
}

// A one-pixel white rim around every black pixel keeps the cursor visible on dark panes.
// The image is ARGB32 premultiplied, so a pixel is one word and a drawn one has alpha.
void AddWhiteRim(QImage& image) {
    const QImage shape = image.copy();
    const int width = shape.width();
    const int height = shape.height();
    const auto black = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height &&
               qAlpha(reinterpret_cast<const QRgb*>(shape.constScanLine(y))[x]) != 0;
    };
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            if (black(x, y))
                continue;
            bool touches = false;
            for (int dy = -1; dy <= 1 && !touches; ++dy)
                for (int dx = -1; dx <= 1 && !touches; ++dx)
                    touches = black(x + dx, y + dy);
            if (touches)
                row[x] = 0xFFFFFFFFu;
        }
    }
}

QImage DrawSideBySideCursor() {
    QImage image(kSplitCursorSize, kSplitCursorSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(HorizontalArrowShape());
    painter.end();
    AddWhiteRim(image);
    // The white gap down the middle of the bar makes it read as a splitter, not a cross.
    for (int y = 10; y < 22; ++y)
        for (int x = 15; x < 17; ++x)
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = 0xFFFFFFFFu;
    return image;
}

// Stacked panes use the same drawing mirrored across the diagonal, which keeps the hot
// spot where it is.
QImage Transposed(const QImage& image) {
    QImage result(image.height(), image.width(), image.format());
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            reinterpret_cast<QRgb*>(result.scanLine(x))[y] = row[x];
    }
    return result;
}

} // namespace

QCursor LoadSplitCursor(const char* name) {
    const bool horizontal = std::strcmp(name, "FBSPLIT_HORZ") == 0;
    if (!horizontal && std::strcmp(name, "FBSPLIT_VERT") != 0)
        return QCursor(Qt::ArrowCursor);
    // Drawn once for both bars: a painter on an image costs more than the rest of making
    // a splitter. An image needs no display, so it may outlive the application.
    static const QImage sideBySide = DrawSideBySideCursor();
    return QCursor(QPixmap::fromImage(horizontal ? sideBySide : Transposed(sideBySide)),
                   kSplitCursorHotSpot, kSplitCursorHotSpot);
}
