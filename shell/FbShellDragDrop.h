// The drag and drop machinery the folder tree and the file list share: noticing that a
// press became a drag, running the drag, and following a drag over the control from one
// shell drop target to the next until the drop is handed to one of them.
#pragma once

#include "platform/shellns/ShellFolder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPoint>
#include <Qt>

class QDropEvent;
class QMimeData;
class QMouseEvent;
class QWidget;

// Notices when the mouse, pressed with the left or right button, has moved far enough for
// a drag.
class TFbDragStartTracker {
public:
    void Pressed(const QMouseEvent* event);
    void Released() { FButton = Qt::NoButton; }
    // The button that starts a drag at this move; Qt::NoButton when none does.
    Qt::MouseButton DragButtonAt(const QMouseEvent* event);
    QPoint PressPosition() const { return FPressPos; }

private:
    Qt::MouseButton FButton = Qt::NoButton;
    QPoint FPressPos;
};

// Runs the modal drag of `data` (taken over) with the allowed `effects`; `dragging` is set
// meanwhile. Answers whether a drop happened.
bool ExecShellDrag(QWidget* source, QMimeData* data, std::uint32_t effects, Qt::MouseButton button,
                   bool& dragging);
// The button of the drag this process runs now; Qt::NoButton when it runs none.
Qt::MouseButton ActiveDragButton();

// Answers a drag event with one effect: accepted with its action, or ignored for none.
void AnswerDragEvent(QDropEvent* event, std::uint32_t effect);
// The key state of a drag event; a drop, which arrives with the buttons already up, gets
// the button that started the drag (the left one for drags from other programs).
std::uint32_t DragEventKeyState(const QDropEvent* event);

// Follows one drag over a control: the shell drop target under the cursor (entered when
// the cursor reaches it, left when the cursor leaves it) and what it answers.
class TFbShellDropTracker {
public:
    using TTargetFactory = std::function<std::unique_ptr<platform::shellns::IDropTarget>()>;

    // A drag entered with `data`: its paths and the effects it allows (also within what
    // the source offers).
    void Begin(const QMimeData* data, Qt::DropActions offered);
    bool Active() const { return FActive; }
    const std::vector<std::string>& Paths() const { return FPaths; }
    std::uint32_t Allowed() const { return FAllowed; }

    // The effect over the place `key` (a node, an item, or null for the folder itself),
    // whose target `make` gives (null: none).
    std::uint32_t Over(const void* key, const TTargetFactory& make, std::uint32_t keyState);
    // The cursor is over no place: the target before is left.
    void LeaveTarget();
    // Drops at `key` under a busy cursor; answers the effect performed (none on failure).
    // The drag is over afterwards.
    std::uint32_t Drop(const void* key, const TTargetFactory& make, std::uint32_t keyState);
    // The drag left the control or ended.
    void End();

private:
    bool FActive = false;
    std::vector<std::string> FPaths;
    std::uint32_t FAllowed = 0;
    const void* FKey = nullptr;
    bool FHasTarget = false; // FKey names where FTarget belongs
    std::unique_ptr<platform::shellns::IDropTarget> FTarget;
};
