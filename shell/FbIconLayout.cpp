#include "shell/FbIconLayout.h"

#include <algorithm>

void TFbIconLayout::Arrange(int count, int pictureSize, int lineHeight, int width) {
    FCount = std::max(count, 0);
    FPictureSize = std::max(pictureSize, 1);
    FLineHeight = std::max(lineHeight, 1);
    FWidth = width;
    FCell = QSize(FPictureSize + 2 * kPadding,
                  kPadding + FPictureSize + kCaptionGap + kCaptionLines * FLineHeight + kPadding);
    FColumns = std::max(1, width / FCell.width());
    FSlotWidth = std::max(FCell.width(), width / FColumns);
}

QRect TFbIconLayout::ItemRect(int index) const {
    if (index < 0 || index >= FCount)
        return {};
    const int column = index % FColumns;
    const int row = index / FColumns;
    const int left = column * FSlotWidth + (FSlotWidth - FCell.width()) / 2;
    return QRect(QPoint(left, row * FCell.height()), FCell);
}

QRect TFbIconLayout::PictureRect(int index) const {
    const QRect cell = ItemRect(index);
    if (cell.isNull())
        return {};
    return QRect(cell.left() + kPadding, cell.top() + kPadding, FPictureSize, FPictureSize);
}

QRect TFbIconLayout::CaptionRect(int index) const {
    const QRect cell = ItemRect(index);
    if (cell.isNull())
        return {};
    return QRect(cell.left() + kPadding / 2, cell.top() + kPadding + FPictureSize + kCaptionGap,
                 cell.width() - kPadding, kCaptionLines * FLineHeight);
}

int TFbIconLayout::IndexAt(const QPoint& point) const {
    if (FCount == 0 || point.x() < 0 || point.y() < 0)
        return -1;
    const int column = point.x() / FSlotWidth;
    const int row = point.y() / FCell.height();
    if (column >= FColumns)
        return -1;
    const int index = row * FColumns + column;
    return index < FCount && ItemRect(index).contains(point) ? index : -1;
}

void TFbIconLayout::ItemsBetween(int top, int bottom, int& first, int& last) const {
    first = 0;
    last = -1;
    if (FCount == 0 || bottom < 0 || top >= ContentHeight())
        return;
    const int firstRow = std::max(top, 0) / FCell.height();
    const int lastRow = std::min(bottom, ContentHeight() - 1) / FCell.height();
    first = firstRow * FColumns;
    last = std::min(FCount - 1, (lastRow + 1) * FColumns - 1);
}

int TFbIconLayout::Step(int from, TFbIconMove move, int pageRows) const {
    if (FCount == 0)
        return -1;
    if (from < 0 || from >= FCount)
        return 0;
    const int last = FCount - 1;
    const int column = from % FColumns;
    // The same column `rows` rows down (negative: up), kept inside the grid.
    const auto verticalBy = [&](int rows) {
        const int to = from + rows * FColumns;
        if (to < 0)
            return column;
        if (to > last) {
            // Into a row that ends before this column: its last item.
            const int lastRowStart = last - last % FColumns;
            return from >= lastRowStart ? from : std::min(lastRowStart + column, last);
        }
        return to;
    };
    switch (move) {
    case TFbIconMove::imLeft:
        return std::max(from - 1, 0);
    case TFbIconMove::imRight:
        return std::min(from + 1, last);
    case TFbIconMove::imUp:
        return from >= FColumns ? from - FColumns : from;
    case TFbIconMove::imDown:
        return verticalBy(1);
    case TFbIconMove::imHome:
        return 0;
    case TFbIconMove::imEnd:
        return last;
    case TFbIconMove::imPageUp:
        return verticalBy(-std::max(pageRows, 1));
    case TFbIconMove::imPageDown:
        return verticalBy(std::max(pageRows, 1));
    }
    return from;
}
