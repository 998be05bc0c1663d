// Where a list view in icon view puts its items: a grid of equal cells, each a picture of
// the chosen size with the caption below it in at most two lines, filled row by row in
// the items' order and re-flowed to the width it is given. Pure geometry, in content
// coordinates (the top of the first row is 0); the view adds its scroll offset.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

enum class TFbIconMove { imLeft, imRight, imUp, imDown, imHome, imEnd, imPageUp, imPageDown };

class TFbIconLayout {
public:
    // Room around the picture and between it and the caption.
    static constexpr int kPadding = 6;
    static constexpr int kCaptionGap = 4;
    static constexpr int kCaptionLines = 2;

    // Lays `count` items out with pictures of `pictureSize` and captions of `lineHeight`
    // pixels a line, in a grid `width` pixels wide.
    void Arrange(int count, int pictureSize, int lineHeight, int width);

    int Count() const { return FCount; }
    // The width, picture size and line height it was arranged for.
    int Width() const { return FWidth; }
    bool ArrangedFor(int count, int pictureSize, int lineHeight, int width) const {
        return count == FCount && pictureSize == FPictureSize && lineHeight == FLineHeight &&
               width == FWidth;
    }
    int Columns() const { return FColumns; }
    int Rows() const { return FCount == 0 ? 0 : (FCount + FColumns - 1) / FColumns; }
    QSize Cell() const { return FCell; }
    int PictureSize() const { return FPictureSize; }
    int ContentHeight() const { return Rows() * FCell.height(); }

    // The cell of item `index`; the picture's square and the caption's room inside it.
    QRect ItemRect(int index) const;
    QRect PictureRect(int index) const;
    QRect CaptionRect(int index) const;
    // The item whose cell holds `point`; -1 over empty space.
    int IndexAt(const QPoint& point) const;
    // The first and last items whose rows meet the band from `top` to `bottom`; first >
    // last when none does.
    void ItemsBetween(int top, int bottom, int& first, int& last) const;
    // Where the focus goes from `from` by `move`; `pageRows` rows make a page. Left and
    // right run on across rows in reading order; up and down keep the column, and down
    // into a shorter last row lands on its last item.
    int Step(int from, TFbIconMove move, int pageRows) const;

private:
    int FCount = 0;
    int FColumns = 1;
    int FPictureSize = 0;
    int FLineHeight = 0;
    int FWidth = -1;
    QSize FCell;
    // Width of each column's slot: the cell plus its share of what the width leaves over,
    // so the cells spread over the whole width.
    int FSlotWidth = 0;
};
