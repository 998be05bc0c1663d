// While something is dragged over a view: scrolls it when the cursor nears an edge, and
// reports when the cursor has rested on one spot (the tree then opens the node there).
// Driven by the drag's move events and two timers, so a cursor held still near an edge
// keeps scrolling without any event from the drag.
#pragma once

#include <functional>

#include <QPoint>
#include <QTimer>

class QAbstractItemView;

class TFbDragAutoScroll {
public:
    // The shortest time between two scroll steps.
    static constexpr int kScrollIntervalMs = 100;
    // How near an edge the cursor must be for a step: left/right, top/bottom.
    static constexpr int kHorizontalScrollMargin = 26;
    static constexpr int kVerticalScrollMargin = 20;
    // The rectangle the cursor must stay inside, and for how long, to count as resting.
    static constexpr int kHoverWidth = 2;
    static constexpr int kHoverHeight = 2;
    static constexpr int kHoverTimeMs = 400;

    explicit TFbDragAutoScroll(QAbstractItemView* view);

    // The cursor rested at this position (in viewport coordinates) with nothing scrolled.
    std::function<void(const QPoint& pos)> OnHover;

    void Start(const QPoint& pos);
    void Move(const QPoint& pos);
    void Stop();
    bool Running() const { return FScrollTimer.isActive(); }

    // One scroll step for the cursor at `pos`; answers whether the view moved.
    bool ScrollStep(const QPoint& pos);
    // What the timers run.
    void ScrollTimerFired();
    void HoverTimerFired();

private:
    void RestartHover(const QPoint& pos);

    QAbstractItemView* FView;
    QTimer FScrollTimer;
    QTimer FHoverTimer;
    QPoint FPos;
    QPoint FHoverOrigin;
};
