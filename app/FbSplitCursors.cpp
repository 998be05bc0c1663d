#include "app/FbSplitCursors.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <cstring>

namespace {

// The side-by-side cursor, drawn in a 32 x 32 box around (16, 16): a bar two pixels wide
// with an arrow on each side. Symmetric about the centre column so the hot spot sits on
// the bar.
QPolygon HorizontalArrowShape() {
    return QPolygon({
        {3, 16},   {9, 10},   {9, 14},  {13, 14}, {13, 7},  {19, 7},  {19, 14}, {23, 14},
        {23, 10},  {29, 16},  {23, 22}, {23, 18}, {19, 18}, {19, 25}, {13, 25}, {13, 18},
        {9, 18},   {9, 22},
    });
}

QImage DrawSplitCursor(bool stacked) {
    QImage image(kSplitCursorSize, kSplitCursorSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Stacked panes use the same drawing mirrored across the diagonal, which keeps the
    // hot spot where it is.
    if (stacked)
        painter.setTransform(QTransform(0, 1, 1, 0, 0, 0));
    const QPolygon shape = HorizontalArrowShape();
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::white);
    painter.drawPolygon(shape);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawPolygon(shape);
    // The gap in the middle of the bar, so it reads as a splitter rather than a cross.
    painter.fillRect(QRect(15, 9, 2, 14), Qt::white);
    return image;
}

} // namespace

QCursor LoadSplitCursor(const char* name) {
    const bool horizontal = std::strcmp(name, "FBSPLIT_HORZ") == 0;
    if (!horizontal && std::strcmp(name, "FBSPLIT_VERT") != 0)
        return QCursor(Qt::ArrowCursor);
    return QCursor(QPixmap::fromImage(DrawSplitCursor(!horizontal)), kSplitCursorHotSpot,
                   kSplitCursorHotSpot);
}
