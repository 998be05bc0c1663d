// The list's column header: it marks the sort column with an arrow pointing up
// (ascending) or down (descending), placed at the section's left edge, just right of the
// caption, or at its right edge.
#pragma once

#include "shell/FbListVw.h"

#include <QHeaderView>

class TFbSortHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TFbSortHeader(QWidget* parent = nullptr);

    THeaderSortDisplayMode Mode() const { return FMode; }
    void SetMode(THeaderSortDisplayMode mode);
    int SortColumn() const { return FSortColumn; }
    bool Ascending() const { return FAscending; }
    void SetSortMark(int column, bool ascending);

    // Where the arrow of `section` is drawn; empty when the section has none.
    QRect MarkRect(int section) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    QRect MarkRectIn(const QRect& section, int logicalIndex) const;

    THeaderSortDisplayMode FMode = hsdmRightOfText;
    int FSortColumn = -1;
    bool FAscending = true;
};
