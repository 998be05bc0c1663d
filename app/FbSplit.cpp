#include "app/FbSplit.h"

#include <QMouseEvent>
#include <algorithm>
#include <cmath>

TFbSplitter::TFbSplitter(TOrientation orientation, QWidget* parent)
    : QWidget(parent), FOrientation(orientation), FUpperLeft(new QWidget(this)),
      FLowerRight(new QWidget(this)) {
    resize(200, 100);
    setCursor(FOrientation == orHorizontal ? Qt::SplitHCursor : Qt::SplitVCursor);
    // The panes keep the normal cursor; only the bar between them shows the split one.
    FUpperLeft->setCursor(Qt::ArrowCursor);
    FLowerRight->setCursor(Qt::ArrowCursor);
    LayoutPanes();
}

int TFbSplitter::Size() const {
    return FOrientation == orHorizontal ? width() : height();
}

int TFbSplitter::Along(const QPoint& p) const {
    return FOrientation == orHorizontal ? p.x() : p.y();
}

QRect TFbSplitter::BarRect() const {
    return FOrientation == orHorizontal ? QRect(FPosition, 0, FSplitterWidth, height())
                                        : QRect(0, FPosition, width(), FSplitterWidth);
}

void TFbSplitter::SetPosition(int position) {
    const int limit = std::max(0, Size() - FSplitterWidth);
    position = std::clamp(position, 0, limit);
    if (position == FPosition)
        return;
    FPosition = position;
    const int span = Size() - FSplitterWidth / 2;
    // Rounded to the nearest integer, halves to even, as the stored layouts expect.
    FPercent = span == 0 ? 0 : static_cast<int>(std::nearbyint(100.0 * position / span));
    LayoutPanes();
}

void TFbSplitter::LayoutPanes() {
    const int after = FPosition + FSplitterWidth;
    if (FOrientation == orHorizontal) {
        FUpperLeft->setGeometry(0, 0, FPosition, height());
        FLowerRight->setGeometry(after, 0, std::max(0, width() - after), height());
    } else {
        FUpperLeft->setGeometry(0, 0, width(), FPosition);
        FLowerRight->setGeometry(0, after, width(), std::max(0, height() - after));
    }
}

void TFbSplitter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A position beyond the new size is pulled back inside; otherwise it stays put.
    const int limit = std::max(0, Size() - FSplitterWidth);
    if (FPosition > limit)
        SetPosition(limit);
    LayoutPanes();
}

void TFbSplitter::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !BarRect().contains(event->position().toPoint())) {
        QWidget::mousePressEvent(event);
        return;
    }
    FDragging = true;
    FDragStartPosition = FPosition;
    FDragStartMouse = Along(event->position().toPoint());
}

void TFbSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (FDragging)
        SetPosition(FDragStartPosition + Along(event->position().toPoint()) - FDragStartMouse);
}

void TFbSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        FDragging = false;
}
