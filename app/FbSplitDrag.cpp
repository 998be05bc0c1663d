// Dragging the bar: live (the panes follow the mouse) or with an outline that shows where
// the bar will go when the button is released.
#include "app/FbSplit.h"
#include "app/FbSplitOutline.h"

#include <QKeyEvent>
#include <QMouseEvent>

void TFbSplitter::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || FLockBar || FDragging || !BarRect().contains(at)) {
        QWidget::mousePressEvent(event);
        return;
    }
    BeginDrag(Along(at));
}

void TFbSplitter::mouseMoveEvent(QMouseEvent* event) {
    if (FDragging)
        DragTo(Along(event->position().toPoint()));
    else
        QWidget::mouseMoveEvent(event);
}

void TFbSplitter::mouseReleaseEvent(QMouseEvent* event) {
    if (FDragging && event->button() == Qt::LeftButton)
        EndDrag();
    else
        QWidget::mouseReleaseEvent(event);
}

void TFbSplitter::keyPressEvent(QKeyEvent* event) {
    if (FDragging && event->key() == Qt::Key_Escape)
        CancelDrag();
    else
        QWidget::keyPressEvent(event);
}

void TFbSplitter::hideEvent(QHideEvent* event) {
    // A splitter that goes away mid-drag must not keep the mouse and keyboard.
    if (FDragging)
        CancelDrag();
    QWidget::hideEvent(event);
}

void TFbSplitter::BeginDrag(int mouseAlong) {
    FDragging = true;
    // Esc has to reach the splitter to cancel an outline drag.
    if (!FRealTimeDrag)
        setFocus(Qt::MouseFocusReason);
    // The split cursor stays while the mouse runs ahead of the bar or off the window.
    grabMouse(FBar->cursor());
    grabKeyboard();
    FDragStartPosition = FPosition;
    FDragStartMouse = mouseAlong;
    FLastDragPosition = FPosition;
    if (!FRealTimeDrag)
        ShowOutlineAt(FPosition);
}

void TFbSplitter::DragTo(int mouseAlong) {
    int candidate = FDragStartPosition + (mouseAlong - FDragStartMouse);
    if (BothPanesVisible())
        candidate = ClampPosition(candidate);
    if (!AllowChange(candidate))
        return;
    if (candidate != FLastDragPosition) {
        if (FRealTimeDrag)
            SetPositionPreferred(candidate);
        else
            ShowOutlineAt(candidate);
    }
    FLastDragPosition = candidate;
}

void TFbSplitter::EndDrag() {
    FDragging = false;
    releaseKeyboard();
    releaseMouse();
    HideOutline();
    if (!FRealTimeDrag)
        SetPositionPreferred(FLastDragPosition);
}

void TFbSplitter::CancelDrag() {
    FDragging = false;
    releaseKeyboard();
    releaseMouse();
    HideOutline();
    // A live drag has already moved the bar step by step; it stays where it got to.
    if (!FRealTimeDrag)
        FPreferredPosition = FPosition;
}

void TFbSplitter::ShowOutlineAt(int position) {
    if (!FOutline)
        FOutline = new TFbSplitterOutline(this);
    FOutline->setGeometry(BarRectAt(position));
    FOutline->raise();
    FOutline->show();
}

void TFbSplitter::HideOutline() {
    if (FOutline)
        FOutline->hide();
}
