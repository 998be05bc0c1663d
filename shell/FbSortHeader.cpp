#include "shell/FbSortHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace {

constexpr int kMarkSize = 8;
constexpr int kMarkGap = 4;
constexpr int kTextMargin = 4;

} // namespace

TFbSortHeader::TFbSortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    // The arrow is ours, placed as the mode says; the style's own would sit elsewhere.
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TFbSortHeader::SetMode(THeaderSortDisplayMode mode) {
    FMode = mode;
    viewport()->update();
}

void TFbSortHeader::SetSortMark(int column, bool ascending) {
    FSortColumn = column;
    FAscending = ascending;
    viewport()->update();
}

QRect TFbSortHeader::MarkRect(int section) const {
    const QRect rect(sectionViewportPosition(section), 0, sectionSize(section), height());
    return MarkRectIn(rect, section);
}

QRect TFbSortHeader::MarkRectIn(const QRect& section, int logicalIndex) const {
    if (FMode == hsdmNone || logicalIndex != FSortColumn)
        return {};
    const int top = section.center().y() - kMarkSize / 2;
    int left;
    switch (FMode) {
    case hsdmLeftAlign:
        left = section.left() + kTextMargin;
        break;
    case hsdmRightAlign:
        left = section.right() - kTextMargin - kMarkSize;
        break;
    default: {
        const QString caption = model() != nullptr
                                    ? model()->headerData(logicalIndex, orientation()).toString()
                                    : QString();
        left = section.left() + kTextMargin + fontMetrics().horizontalAdvance(caption) + kMarkGap;
        left = std::min(left, section.right() - kTextMargin - kMarkSize);
        break;
    }
    }
    return QRect(left, top, kMarkSize, kMarkSize);
}

void TFbSortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid())
        return;
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    option.text = model() != nullptr ? model()->headerData(logicalIndex, orientation()).toString()
                                     : QString();
    option.textAlignment =
        model() != nullptr
            ? Qt::Alignment(
                  model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole).toInt())
            : Qt::AlignLeft;
    option.sortIndicator = QStyleOptionHeader::None;
    painter->save();
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
    const QRect mark = MarkRectIn(rect, logicalIndex);
    // The caption keeps clear of an arrow at the left edge.
    QStyleOptionHeader label = option;
    label.rect = rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    if (FMode == hsdmLeftAlign && mark.isValid())
        label.rect.setLeft(mark.right() + kMarkGap);
    else if (FMode == hsdmRightAlign && mark.isValid())
        label.rect.setRight(mark.left() - kMarkGap);
    style()->drawControl(QStyle::CE_HeaderLabel, &label, painter, this);
    if (mark.isValid()) {
        QStyleOptionHeader arrow = option;
        arrow.rect = mark;
        arrow.sortIndicator =
            FAscending ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
        style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &arrow, painter, this);
    }
    painter->restore();
}

QSize TFbSortHeader::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (logicalIndex == FSortColumn && FMode != hsdmNone)
        size.rwidth() += kMarkSize + kMarkGap;
    return size;
}
