#include "app/FbSplit.h"

#include "app/FbSplitCursors.h"
#include "app/FbSplitOutline.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>

namespace {

constexpr int kCreatedWidth = 200;
constexpr int kCreatedHeight = 100;

// numerator / denominator rounded to the nearest integer, halves to even (so 37.5 % is 38
// and 36.5 % is 36), clamped into int. The denominator must be positive.
int RoundHalfEven(std::int64_t numerator, std::int64_t denominator) {
    std::int64_t quotient = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    if (remainder < 0) { // floor division for negative numerators
        --quotient;
        remainder += denominator;
    }
    const std::int64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && quotient % 2 != 0))
        ++quotient;
    return static_cast<int>(std::clamp<std::int64_t>(quotient, INT_MIN, INT_MAX));
}

// Only a pane hidden on purpose counts: before the splitter is first shown, Qt reports
// every child as hidden.
bool PaneHidden(const QWidget* pane) {
    return pane->testAttribute(Qt::WA_WState_ExplicitShowHide) && pane->isHidden();
}

} // namespace

TFbSplitterPane::TFbSplitterPane(TFbSplitter* splitter) : QWidget(splitter), FSplitter(splitter) {
    setFocusPolicy(Qt::NoFocus);
}

bool TFbSplitterPane::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // One visible pane takes the whole splitter; both visible share it again at the
    // position, fitted to the room there is now.
    const bool shownOrHidden =
        event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent;
    if (shownOrHidden && FSplitter)
        FSplitter->RefitIfLoaded();
    return handled;
}

TFbSplitter::TFbSplitter(TOrientation orientation, QWidget* parent)
    : QWidget(parent), FOrientation(orientation), FColor(palette().color(QPalette::Button)),
      FUpperLeft(new TFbSplitterPane(this)), FLowerRight(new TFbSplitterPane(this)),
      FBar(new QWidget(this)) {
    resize(kCreatedWidth, kCreatedHeight);
    FBar->setObjectName("bar");
    FBar->installEventFilter(this);
    LayoutPanes();
}

TFbSplitter::~TFbSplitter() {
    // The panes outlive this part of the splitter while Qt deletes its children; nothing
    // they see then may reach back into it.
    FUpperLeft->FSplitter = nullptr;
    FLowerRight->FSplitter = nullptr;
}

void TFbSplitter::BeginLoading() {
    FLoading = true;
}

void TFbSplitter::Loaded() {
    FLoading = false;
    FPreferredPosition = FPosition;
    LayoutPanes();
}

int TFbSplitter::Size() const {
    return FOrientation == orHorizontal ? width() : height();
}

int TFbSplitter::Along(const QPoint& p) const {
    return FOrientation == orHorizontal ? p.x() : p.y();
}

bool TFbSplitter::BothPanesVisible() const {
    return !PaneHidden(FUpperLeft) && !PaneHidden(FLowerRight);
}

QRect TFbSplitter::BarRectAt(int position) const {
    return FOrientation == orHorizontal ? QRect(position, 0, FSplitterWidth, height())
                                        : QRect(0, position, width(), FSplitterWidth);
}

QRect TFbSplitter::BarRect() const {
    return BothPanesVisible() ? BarRectAt(FPosition) : QRect();
}

const QWidget* TFbSplitter::Outline() const {
    return FOutline;
}

int TFbSplitter::ClampPosition(int position) const {
    // The upper limit comes last, so a splitter too small for both margins ends there;
    // but never before the edge, where the upper-left pane would get a negative size.
    position = std::max(position, FMarginMin);
    const std::int64_t limit = static_cast<std::int64_t>(Size()) - FMarginMax - FSplitterWidth;
    if (position > limit)
        position = static_cast<int>(std::max<std::int64_t>(limit, INT_MIN));
    return std::max(position, 0);
}

int TFbSplitter::KeepPaneRoom(int position) const {
    if (FMinPaneSize <= 0 || !BothPanesVisible())
        return position;
    const int room = std::max(Size() - FSplitterWidth, 0);
    return std::max(std::min(position, room - std::min(FMinPaneSize, room / 2)), 0);
}

int TFbSplitter::SpanForPercent() const {
    return Size() - FSplitterWidth / 2;
}

int TFbSplitter::PositionForPercent(int percent) const {
    const int span = SpanForPercent();
    return span <= 0 ? 0 : RoundHalfEven(static_cast<std::int64_t>(percent) * span, 100);
}

bool TFbSplitter::AllowChange(int position) {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, position, allow);
    return allow;
}

// The plain setter's work; false when a handler refused the change.
bool TFbSplitter::ApplyPosition(int position) {
    if (position == FPosition && !FResizing)
        return true;
    // While a pane is hidden the position has no room to be fitted into; it is fitted
    // when the pane comes back.
    if (BothPanesVisible())
        position = ClampPosition(position);
    if (!AllowChange(position))
        return false;
    FPosition = position;
    const int span = SpanForPercent();
    FPercent = span <= 0 ? 0 : RoundHalfEven(static_cast<std::int64_t>(position) * 100, span);
    if (!FLoading)
        LayoutPanes();
    FFixedSize = FFixedPane == fpUpperLeft ? position : Size() - position - FSplitterWidth;
    if (OnChange)
        OnChange(this);
    return true;
}

void TFbSplitter::SetPosition(int position) {
    ApplyPosition(position);
}

void TFbSplitter::SetPositionPreferred(int position) {
    // The request, not only what fits now: a position remembered from a wider window
    // comes back once the window is that wide again.
    if (ApplyPosition(KeepPaneRoom(position)))
        FPreferredPosition = std::max(FPosition, position);
}

void TFbSplitter::SetPercent(int percent) {
    if (FLoading) {
        FPercent = percent;
        return;
    }
    FUsePercent = true;
    percent = std::clamp(percent, 0, 100);
    const int target = PositionForPercent(percent);
    // Keep the number asked for when the bar went where it says, rather than the value
    // rounded back from whole pixels.
    if (ApplyPosition(target) && FPosition == target)
        FPercent = percent;
}

void TFbSplitter::Refit() {
    const QScopedValueRollback<bool> resizing(FResizing, true);
    if (FUsePercent) {
        const int span = std::max(SpanForPercent(), 0);
        FMarginMin = PositionForPercent(std::clamp(FPercentMin, 0, 100));
        FMarginMax = std::max(0, span - PositionForPercent(std::clamp(FPercentMax, 0, 100)));
        const int percent = FPercent;
        const int target = PositionForPercent(percent);
        if (ApplyPosition(target) && FPosition == target)
            FPercent = percent;
    } else if (FFixedPane == fpLowerRight) {
        ApplyPosition(Size() - FSplitterWidth - FFixedSize);
    } else if (ApplyPosition(KeepPaneRoom(FPosition)) && FPreferredPosition > FPosition) {
        // A window smaller than the remembered position leaves both panes usable rather
        // than pushing the lower-right one out of sight.
        ApplyPosition(KeepPaneRoom(FPreferredPosition));
    }
    // The panes follow the new size even when a handler kept the bar where it was.
    LayoutPanes();
}

void TFbSplitter::RefitIfLoaded() {
    if (!FLoading)
        Refit();
}

void TFbSplitter::LayoutPanes() {
    if (FLoading)
        return;
    const bool horizontal = FOrientation == orHorizontal;
    const int length = Size();
    const int across = horizontal ? height() : width();
    // Geometry given along the dragging axis, turned into a rectangle for either axis.
    const auto span = [&](int start, int size) {
        size = std::max(size, 0);
        return horizontal ? QRect(start, 0, size, across) : QRect(0, start, across, size);
    };
    if (BothPanesVisible()) {
        const int after = FPosition + FSplitterWidth;
        FUpperLeft->setGeometry(span(0, FPosition));
        FBar->setGeometry(BarRectAt(FPosition));
        FLowerRight->setGeometry(span(after, length - after));
    } else {
        FBar->setGeometry(QRect());
        (PaneHidden(FUpperLeft) ? FLowerRight : FUpperLeft)->setGeometry(rect());
    }
}

// The drawn cursor is given to the bar when the mouse first comes over it, not with the
// splitter: drawing it and making a cursor of it cost more than the rest of a splitter at
// start-up, and many bars are never touched. Once given, it follows the orientation.
void TFbSplitter::UpdateBarCursor() {
    if (FLockBar)
        FBar->unsetCursor();
    else if (FBar->testAttribute(Qt::WA_SetCursor) || FBar->underMouse())
        GiveBarCursor();
}

void TFbSplitter::GiveBarCursor() {
    FBar->setCursor(
        LoadSplitCursor(FOrientation == orHorizontal ? "FBSPLIT_HORZ" : "FBSPLIT_VERT"));
}

bool TFbSplitter::eventFilter(QObject* watched, QEvent* event) {
    // Qt shows the cursor of the widget under the mouse after that widget's enter event.
    if (watched == FBar && event->type() == QEvent::Enter && !FLockBar &&
        !FBar->testAttribute(Qt::WA_SetCursor))
        GiveBarCursor();
    return QWidget::eventFilter(watched, event);
}

void TFbSplitter::SetOrientation(TOrientation orientation) {
    if (orientation == FOrientation)
        return;
    FOrientation = orientation;
    UpdateBarCursor();
    RefitIfLoaded();
}

void TFbSplitter::SetMinPaneSize(int size) {
    FMinPaneSize = std::max(size, 0);
    RefitIfLoaded();
}

void TFbSplitter::SetMarginMin(int margin) {
    FMarginMin = margin;
    RefitIfLoaded();
}

void TFbSplitter::SetMarginMax(int margin) {
    FMarginMax = margin;
    RefitIfLoaded();
}

void TFbSplitter::SetFixedPane(TFixedPane pane) {
    FFixedPane = pane;
    FFixedSize = pane == fpUpperLeft ? FPosition : Size() - FPosition - FSplitterWidth;
}

void TFbSplitter::SetSplitterWidth(std::uint16_t width) {
    FSplitterWidth = width;
    RefitIfLoaded();
}

void TFbSplitter::SetLockBar(bool lock) {
    FLockBar = lock;
    if (lock && FDragging)
        CancelDrag();
    UpdateBarCursor();
}

void TFbSplitter::SetColor(const QColor& color) {
    FColor = color;
    update();
}

void TFbSplitter::paintEvent(QPaintEvent* event) {
    // The standard style: the bar is simply the background between the panes.
    QPainter painter(this);
    painter.fillRect(event->rect(), FColor);
}

void TFbSplitter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RefitIfLoaded();
}
