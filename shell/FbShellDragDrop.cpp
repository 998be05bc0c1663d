#include "shell/FbShellDragDrop.h"

#include "gui/Application.h"
#include "platform/shellns/ShellTypes.h"
#include "shell/FbShellDragData.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>

namespace sh = platform::shellns;

namespace {
Qt::MouseButton gActiveDragButton = Qt::NoButton;
}

void TFbDragStartTracker::Pressed(const QMouseEvent* event) {
    const Qt::MouseButton button = event->button();
    FButton = button == Qt::LeftButton || button == Qt::RightButton ? button : Qt::NoButton;
    FPressPos = event->position().toPoint();
}

Qt::MouseButton TFbDragStartTracker::DragButtonAt(const QMouseEvent* event) {
    if (FButton == Qt::NoButton || !event->buttons().testFlag(FButton))
        return Qt::NoButton;
    if ((event->position().toPoint() - FPressPos).manhattanLength() <
        QApplication::startDragDistance())
        return Qt::NoButton;
    const Qt::MouseButton button = FButton;
    FButton = Qt::NoButton; // one press starts one drag
    return button;
}

bool ExecShellDrag(QWidget* source, QMimeData* data, std::uint32_t effects, Qt::MouseButton button,
                   bool& dragging) {
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    dragging = true;
    gActiveDragButton = button;
    const Qt::DropAction done = drag->exec(DropActionsOf(effects));
    gActiveDragButton = Qt::NoButton;
    dragging = false;
    return done != Qt::IgnoreAction;
}

Qt::MouseButton ActiveDragButton() {
    return gActiveDragButton;
}

void AnswerDragEvent(QDropEvent* event, std::uint32_t effect) {
    const Qt::DropAction action = DropActionOf(effect);
    if (action == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

std::uint32_t DragEventKeyState(const QDropEvent* event) {
    std::uint32_t state = DragKeyState(event->modifiers(), event->buttons());
    if (event->type() == QEvent::Drop) {
        const Qt::MouseButton started =
            ActiveDragButton() != Qt::NoButton ? ActiveDragButton() : Qt::LeftButton;
        state |= DragKeyState({}, started);
    }
    return state;
}

void TFbShellDropTracker::Begin(const QMimeData* data, Qt::DropActions offered) {
    End();
    FActive = true;
    FPaths = DroppedPaths(data);
    FAllowed = EffectsAllowedByData(data) & EffectsOf(offered);
}

std::uint32_t TFbShellDropTracker::Over(const void* key, const TTargetFactory& make,
                                        std::uint32_t keyState) {
    if (!FActive)
        return sh::DROPEFFECT_NONE;
    std::uint32_t effect = FAllowed;
    if (!FHasTarget || key != FKey) {
        LeaveTarget();
        FKey = key;
        FHasTarget = true;
        FTarget = make();
        if (!FTarget || sh::Failed(FTarget->DragEnter(FPaths, keyState, effect)))
            return sh::DROPEFFECT_NONE;
    } else if (!FTarget || sh::Failed(FTarget->DragOver(keyState, effect))) {
        return sh::DROPEFFECT_NONE;
    }
    return effect & FAllowed;
}

void TFbShellDropTracker::LeaveTarget() {
    if (FTarget)
        FTarget->DragLeave();
    FTarget.reset();
    FHasTarget = false;
    FKey = nullptr;
}

std::uint32_t TFbShellDropTracker::Drop(const void* key, const TTargetFactory& make,
                                        std::uint32_t keyState) {
    const std::uint32_t allowed = FAllowed;
    std::uint32_t effect = Over(key, make, keyState);
    if (effect != sh::DROPEFFECT_NONE && FTarget) {
        TWaitCursor busy;
        effect = FAllowed;
        std::unique_ptr<sh::IDropTarget> target = std::move(FTarget);
        FHasTarget = false;
        if (sh::Failed(target->Drop(FPaths, keyState, effect)))
            effect = sh::DROPEFFECT_NONE;
    }
    End();
    return effect & allowed;
}

void TFbShellDropTracker::End() {
    LeaveTarget();
    FActive = false;
    FPaths.clear();
    FAllowed = 0;
}
