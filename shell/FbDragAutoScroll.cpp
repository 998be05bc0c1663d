#include "shell/FbDragAutoScroll.h"

#include <cstdlib>

#include <QAbstractItemView>
#include <QScrollBar>

namespace {

// Moves the bar one step towards `direction` (-1 or 1); answers whether it moved.
bool StepBar(QScrollBar* bar, int direction) {
    if (bar == nullptr || direction == 0)
        return false;
    const int before = bar->value();
    bar->triggerAction(direction < 0 ? QAbstractSlider::SliderSingleStepSub
                                     : QAbstractSlider::SliderSingleStepAdd);
    return bar->value() != before;
}

// -1 near the low edge, 1 near the high edge, 0 in between.
int EdgeDirection(int at, int length, int margin) {
    if (at < margin)
        return -1;
    if (at >= length - margin)
        return 1;
    return 0;
}

} // namespace

TFbDragAutoScroll::TFbDragAutoScroll(QAbstractItemView* view) : FView(view) {
    FScrollTimer.setInterval(kScrollIntervalMs);
    QObject::connect(&FScrollTimer, &QTimer::timeout, [this] { ScrollTimerFired(); });
    FHoverTimer.setSingleShot(true);
    FHoverTimer.setInterval(kHoverTimeMs);
    QObject::connect(&FHoverTimer, &QTimer::timeout, [this] { HoverTimerFired(); });
}

void TFbDragAutoScroll::Start(const QPoint& pos) {
    FPos = pos;
    FScrollTimer.start();
    RestartHover(pos);
}

void TFbDragAutoScroll::Move(const QPoint& pos) {
    FPos = pos;
    if (!FScrollTimer.isActive())
        return Start(pos);
    if (std::abs(pos.x() - FHoverOrigin.x()) > kHoverWidth / 2 ||
        std::abs(pos.y() - FHoverOrigin.y()) > kHoverHeight / 2)
        RestartHover(pos);
}

void TFbDragAutoScroll::Stop() {
    FScrollTimer.stop();
    FHoverTimer.stop();
}

void TFbDragAutoScroll::RestartHover(const QPoint& pos) {
    FHoverOrigin = pos;
    FHoverTimer.start();
}

bool TFbDragAutoScroll::ScrollStep(const QPoint& pos) {
    const QSize size = FView->viewport()->size();
    const bool horizontal = StepBar(FView->horizontalScrollBar(),
                                    EdgeDirection(pos.x(), size.width(), kHorizontalScrollMargin));
    const bool vertical = StepBar(FView->verticalScrollBar(),
                                  EdgeDirection(pos.y(), size.height(), kVerticalScrollMargin));
    return horizontal || vertical;
}

void TFbDragAutoScroll::ScrollTimerFired() {
    // What is under a resting cursor changes with a scroll: the rest starts over.
    if (ScrollStep(FPos))
        RestartHover(FPos);
}

void TFbDragAutoScroll::HoverTimerFired() {
    if (OnHover)
        OnHover(FHoverOrigin);
}
