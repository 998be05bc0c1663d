// The list view's icon view: the same control, model and selection as the report view,
// laid out as a grid by TFbIconLayout. QTreeView lays out rows; in icon view every piece of
// geometry it would answer (where an item is, which item is at a point, where the cursor
// moves, what a drag selects, how far the content scrolls, what is painted) is answered
// here instead, and the mouse and viewport events go to QAbstractItemView's own handling,
// which asks only these virtual functions.
#include "gui/Application.h"
#include "gui/SystemImageList.h"
#include "shell/FbListModel.h"
#include "shell/FbListVw.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScrollBar>
#include <QStyleOptionRubberBand>
#include <QTextLayout>

namespace {

// Items of cut files are drawn faded, in both views.
constexpr double kCutOpacity = 0.5;
// A wheel notch scrolls three steps: most of a row of large pictures.
constexpr int kStepsPerRow = 4;
// The file type icon stands for a missing picture at half the picture's size.
constexpr int kIconShare = 2;

// The caption centred in `rect`, wrapped at word boundaries into at most the lines that
// fit, the last one elided when the text goes on.
void DrawCaption(QPainter& painter, const QRect& rect, const QString& text) {
    const QFontMetrics metrics(painter.font());
    const int lines = std::max(1, rect.height() / metrics.lineSpacing());
    QTextLayout layout(text, painter.font());
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    std::vector<std::pair<int, int>> spans; // start and length of each line shown
    for (int n = 0; n < lines; ++n) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(rect.width());
        spans.emplace_back(line.textStart(), line.textLength());
    }
    layout.endLayout();
    int y = rect.top();
    for (std::size_t n = 0; n < spans.size(); ++n, y += metrics.lineSpacing()) {
        const bool lastShown = n + 1 == spans.size();
        QString piece =
            lastShown ? text.mid(spans[n].first) : text.mid(spans[n].first, spans[n].second);
        piece = metrics.elidedText(piece.trimmed(), Qt::ElideRight, rect.width());
        painter.drawText(QRect(rect.left(), y, rect.width(), metrics.lineSpacing()),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, piece);
    }
}

} // namespace

void TFbCustomListView::SetViewStyle(TViewStyle style) {
    if (style == FViewStyle)
        return;
    // A label editor stays open: the next layout moves it to the item's caption.
    FViewStyle = style;
    setHeaderHidden(IconView());
    // The report view's scroll position counts rows, icon view's pixels.
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    scheduleDelayedItemsLayout();
    executeDelayedItemsLayout();
    updateGeometries();
    if (currentIndex().isValid())
        scrollTo(currentIndex(), PositionAtCenter);
    viewport()->update();
    ViewStyleChanged();
}

void TFbCustomListView::SetPictureSize(int size) {
    size = std::max(size, 16);
    if (size == FPictureSize)
        return;
    FPictureSize = size;
    if (!IconView())
        return;
    updateGeometries();
    if (currentIndex().isValid())
        scrollTo(currentIndex(), PositionAtCenter);
    viewport()->update();
    ViewStyleChanged();
}

TFbItemPicture TFbCustomListView::ItemPicture(TFbListItem*) {
    return {};
}

bool TFbCustomListView::ItemDropHighlighted(TFbListItem*) const {
    return false;
}

void TFbCustomListView::PicturesPainted() {
}

void TFbCustomListView::ViewStyleChanged() {
}

void TFbCustomListView::ArrangeIcons() const {
    const int lineHeight = fontMetrics().lineSpacing();
    const int width = viewport()->width();
    if (!FIconLayout.ArrangedFor(FModel->Count(), FPictureSize, lineHeight, width))
        FIconLayout.Arrange(FModel->Count(), FPictureSize, lineHeight, width);
}

const TFbIconLayout& TFbCustomListView::IconLayout() const {
    ArrangeIcons();
    return FIconLayout;
}

QRect TFbCustomListView::IconRect(int index) const {
    return IconLayout().ItemRect(index).translated(0, -verticalOffset());
}

void TFbCustomListView::VisibleItems(int& first, int& last) const {
    if (!IconView()) {
        const QModelIndex top = indexAt(QPoint(1, 1));
        const QModelIndex bottom = indexAt(QPoint(1, viewport()->height() - 2));
        first = top.isValid() ? top.row() : 0;
        last = bottom.isValid() ? bottom.row() : ItemCount() - 1;
        return;
    }
    IconLayout().ItemsBetween(verticalOffset(), verticalOffset() + viewport()->height() - 1, first,
                              last);
}

QRect TFbCustomListView::visualRect(const QModelIndex& index) const {
    if (!IconView())
        return QTreeView::visualRect(index);
    // Every column of an item is its one cell: an update of any of its texts redraws it.
    return index.isValid() ? IconRect(index.row()) : QRect();
}

QModelIndex TFbCustomListView::indexAt(const QPoint& point) const {
    if (!IconView())
        return QTreeView::indexAt(point);
    const int index = IconLayout().IndexAt(point + QPoint(0, verticalOffset()));
    return index >= 0 ? FModel->index(index, 0) : QModelIndex();
}

void TFbCustomListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!IconView())
        return QTreeView::scrollTo(index, hint);
    const QRect rect = IconLayout().ItemRect(index.row());
    if (rect.isNull())
        return;
    const int height = viewport()->height();
    const int top = verticalOffset();
    int value = top;
    switch (hint) {
    case PositionAtTop:
        value = rect.top();
        break;
    case PositionAtBottom:
        value = rect.bottom() + 1 - height;
        break;
    case PositionAtCenter:
        value = rect.center().y() - height / 2;
        break;
    case EnsureVisible:
        if (rect.top() < top)
            value = rect.top();
        else if (rect.bottom() >= top + height)
            value = std::min(rect.top(), rect.bottom() + 1 - height);
        break;
    }
    verticalScrollBar()->setValue(value);
}

QModelIndex TFbCustomListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (!IconView())
        return QTreeView::moveCursor(action, modifiers);
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return FModel->Count() > 0 ? FModel->index(0, 0) : QModelIndex();
    TFbIconMove move = TFbIconMove::imRight;
    switch (action) {
    case MoveLeft:
    case MovePrevious:
        move = isRightToLeft() ? TFbIconMove::imRight : TFbIconMove::imLeft;
        break;
    case MoveRight:
    case MoveNext:
        move = isRightToLeft() ? TFbIconMove::imLeft : TFbIconMove::imRight;
        break;
    case MoveUp:
        move = TFbIconMove::imUp;
        break;
    case MoveDown:
        move = TFbIconMove::imDown;
        break;
    case MoveHome:
        move = TFbIconMove::imHome;
        break;
    case MoveEnd:
        move = TFbIconMove::imEnd;
        break;
    case MovePageUp:
        move = TFbIconMove::imPageUp;
        break;
    case MovePageDown:
        move = TFbIconMove::imPageDown;
        break;
    }
    const int pageRows =
        std::max(1, viewport()->height() / std::max(IconLayout().Cell().height(), 1));
    const int to = IconLayout().Step(current.row(), move, pageRows);
    return to >= 0 ? FModel->index(to, 0) : current;
}

int TFbCustomListView::horizontalOffset() const {
    return IconView() ? 0 : QTreeView::horizontalOffset();
}

int TFbCustomListView::verticalOffset() const {
    return IconView() ? verticalScrollBar()->value() : QTreeView::verticalOffset();
}

void TFbCustomListView::setSelection(const QRect& rect,
                                     QItemSelectionModel::SelectionFlags command) {
    if (!IconView())
        return QTreeView::setSelection(rect, command);
    const QPoint offset(0, verticalOffset());
    ArrangeIcons();
    QItemSelection selection;
    const auto addRange = [&](int first, int last) {
        if (first <= last)
            selection.select(FModel->index(first, 0),
                             FModel->index(last, std::max(FModel->columnCount() - 1, 0)));
    };
    // The rectangle runs from where a selection started to where it goes now. Extended
    // with the keyboard or Shift and a click, the items between its two ends in reading
    // order are meant, as in the report view; a band dragged over empty space takes the
    // cells it touches.
    const int from = FIconLayout.IndexAt(rect.topLeft() + offset);
    const int to = FIconLayout.IndexAt(rect.bottomRight() + offset);
    if (state() != DragSelectingState && from >= 0 && to >= 0) {
        addRange(std::min(from, to), std::max(from, to));
    } else {
        const QRect band = rect.normalized().translated(offset);
        int first = 0, last = -1;
        FIconLayout.ItemsBetween(band.top(), band.bottom(), first, last);
        int runStart = -1;
        for (int i = first; i <= last + 1; ++i) {
            const bool hit = i <= last && FIconLayout.ItemRect(i).intersects(band);
            if (hit && runStart < 0)
                runStart = i;
            if (!hit && runStart >= 0) {
                addRange(runStart, i - 1);
                runStart = -1;
            }
        }
    }
    selectionModel()->select(selection, command);
}

QRegion TFbCustomListView::visualRegionForSelection(const QItemSelection& selection) const {
    if (!IconView())
        return QTreeView::visualRegionForSelection(selection);
    int first = 0, last = -1;
    VisibleItems(first, last);
    QRegion region;
    for (const QItemSelectionRange& range : selection)
        for (int row = std::max(range.top(), first); row <= std::min(range.bottom(), last); ++row)
            region += IconRect(row);
    return region;
}

void TFbCustomListView::updateGeometries() {
    if (!IconView())
        return QTreeView::updateGeometries();
    setViewportMargins(0, 0, 0, 0);
    ArrangeIcons();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(std::max(1, FIconLayout.Cell().height() / kStepsPerRow));
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, FIconLayout.ContentHeight() - viewport()->height()));
    horizontalScrollBar()->setRange(0, 0);
    // Editors and the base's own bookkeeping, which only ask the functions above.
    QAbstractItemView::updateGeometries();
}

void TFbCustomListView::scrollContentsBy(int dx, int dy) {
    if (!IconView())
        return QTreeView::scrollContentsBy(dx, dy);
    QAbstractItemView::scrollContentsBy(0, dy);
}

void TFbCustomListView::paintEvent(QPaintEvent* event) {
    if (!IconView())
        return QTreeView::paintEvent(event);
    PaintIcons(event);
}

bool TFbCustomListView::viewportEvent(QEvent* event) {
    if (!IconView())
        return QTreeView::viewportEvent(event);
    return QAbstractItemView::viewportEvent(event);
}

void TFbCustomListView::mousePressEvent(QMouseEvent* event) {
    if (!IconView())
        return QTreeView::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    FBanding = false;
    FBandOrigin = FBandEnd = pos + QPoint(0, verticalOffset());
    QAbstractItemView::mousePressEvent(event);
}

void TFbCustomListView::mouseMoveEvent(QMouseEvent* event) {
    if (!IconView())
        return QTreeView::mouseMoveEvent(event);
    QAbstractItemView::mouseMoveEvent(event);
    const bool banding = state() == DragSelectingState;
    if (banding || FBanding) {
        const QRect before = BandRect();
        FBanding = banding;
        FBandEnd = event->position().toPoint() + QPoint(0, verticalOffset());
        viewport()->update(before.united(BandRect()).adjusted(-2, -2, 2, 2));
    }
}

void TFbCustomListView::mouseReleaseEvent(QMouseEvent* event) {
    if (!IconView())
        return QTreeView::mouseReleaseEvent(event);
    if (FBanding) {
        FBanding = false;
        viewport()->update();
    }
    QAbstractItemView::mouseReleaseEvent(event);
}

QRect TFbCustomListView::BandRect() const {
    return QRect(FBandOrigin, FBandEnd).normalized().translated(0, -verticalOffset());
}

QRect TFbCustomListView::EditorRect(const QModelIndex& index) const {
    const QRect caption = IconLayout().CaptionRect(index.row()).translated(0, -verticalOffset());
    return QRect(
        caption.left(), caption.top(), caption.width(),
        std::max(fontMetrics().height() + 6, caption.height() / TFbIconLayout::kCaptionLines));
}

void TFbCustomListView::PaintIcons(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    ArrangeIcons();
    int first = 0, last = -1;
    FIconLayout.ItemsBetween(area.top() + verticalOffset(), area.bottom() + verticalOffset(), first,
                             last);
    const QModelIndex hover =
        underMouse() ? indexAt(viewport()->mapFromGlobal(QCursor::pos())) : QModelIndex();
    for (int i = first; i <= last; ++i)
        if (IconRect(i).intersects(area))
            PaintIconItem(painter, i, hover.isValid() && hover.row() == i);
    if (FBanding) {
        QStyleOptionRubberBand band;
        band.initFrom(viewport());
        band.shape = QRubberBand::Rectangle;
        band.opaque = false;
        band.rect = BandRect();
        style()->drawControl(QStyle::CE_RubberBand, &band, &painter, this);
    }
    painter.end();
    if (first <= last)
        PicturesPainted();
}

void TFbCustomListView::PaintIconItem(QPainter& painter, int index, bool hovered) {
    TFbListItem* item = Item(index);
    const QModelIndex modelIndex = FModel->index(index, 0);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = IconRect(index);
    option.index = modelIndex;
    option.showDecorationSelected = true;
    option.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    const bool selected = selectionModel()->isSelected(modelIndex) || ItemDropHighlighted(item);
    if (selected)
        option.state |= QStyle::State_Selected;
    if (modelIndex == currentIndex() && hasFocus())
        option.state |= QStyle::State_HasFocus;
    if (hovered)
        option.state |= QStyle::State_MouseOver;
    if (!isEnabled())
        option.state &= ~QStyle::State_Enabled;
    style()->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, &painter, this);

    painter.save();
    if (item->Cut())
        painter.setOpacity(kCutOpacity);
    PaintPicture(painter, item, FIconLayout.PictureRect(index).translated(0, -verticalOffset()));
    painter.restore();

    const QPalette::ColorGroup group = !isEnabled()                     ? QPalette::Disabled
                                       : isActiveWindow() || hasFocus() ? QPalette::Active
                                                                        : QPalette::Inactive;
    painter.setPen(palette().color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect caption = FIconLayout.CaptionRect(index).translated(0, -verticalOffset());
    // The label editor covers the caption while it is open.
    if (!(IsEditing() && modelIndex == currentIndex()))
        DrawCaption(painter, caption, QString::fromStdString(ItemCaption(item)));

    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor =
            palette().color(group, selected ? QPalette::Highlight : QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void TFbCustomListView::PaintPicture(QPainter& painter, TFbListItem* item, const QRect& box) {
    const TFbItemPicture picture = ItemPicture(item);
    switch (picture.Kind) {
    case TFbItemPicture::ipImage: {
        QSize size = picture.Image.size();
        if (size.width() > box.width() || size.height() > box.height())
            size.scale(box.size(), Qt::KeepAspectRatio);
        const QRect target(box.left() + (box.width() - size.width()) / 2,
                           box.top() + (box.height() - size.height()) / 2, size.width(),
                           size.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform, size != picture.Image.size());
        painter.drawImage(target, picture.Image);
        break;
    }
    case TFbItemPicture::ipPending: {
        // A quiet square where the picture will be: no motion, no colour of its own.
        const int side = box.width() * 3 / 4;
        const QRect square(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(palette().color(QPalette::Mid));
        painter.setBrush(palette().color(QPalette::Window));
        painter.drawRoundedRect(QRectF(square).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        break;
    }
    case TFbItemPicture::ipIcon: {
        const int side = std::max(box.width() / kIconShare, TSystemImageList::kLargeSize);
        const QPixmap icon = SystemIconOfSize(ItemImage(item), side, item->OverlayIndex());
        painter.drawPixmap(box.center().x() - side / 2, box.center().y() - side / 2, icon);
        break;
    }
    }
}
