// What the folder tree and the file list share in how they fill and refresh themselves:
// the guards around a fill, the wait after a change on disk, and the clean-up of a name
// typed into a label editor.
#pragma once

#include "shell/FbShellTypes.h"

#include <functional>
#include <string>

class QEvent;
class QWidget;

// Raises a control's updating counter for as long as it lives: selection changes are not
// passed on and navigation requests are ignored while the control rearranges itself.
class TFbCounterGuard {
public:
    explicit TFbCounterGuard(int& counter) : FCounter(counter) { ++FCounter; }
    ~TFbCounterGuard() { --FCounter; }
    TFbCounterGuard(const TFbCounterGuard&) = delete;
    TFbCounterGuard& operator=(const TFbCounterGuard&) = delete;

private:
    int& FCounter;
};

// Raises OnFillStart now and OnFillComplete at the end, however the fill ends.
class TFbFillEvents {
public:
    TFbFillEvents(QObject* sender, const TNotifyEvent& start, const TNotifyEvent& complete);
    ~TFbFillEvents();
    TFbFillEvents(const TFbFillEvents&) = delete;
    TFbFillEvents& operator=(const TFbFillEvents&) = delete;

private:
    QObject* FSender;
    const TNotifyEvent& FComplete;
};

// How long a control waits after a change on disk before it refreshes: the focused one
// soon, one in the background long enough for a burst of changes (an unpacked archive, a
// build) to cost one refresh.
int RefreshDelayFor(const QWidget* control);

// Whether a change notification should start a refresh: the one a control's own rename
// causes (`skipNextChange`, used up here) and those during a drag are dropped.
bool AcceptChange(bool& skipNextChange, bool dragging);

// Runs `changed` for a change notification and `fill` for the deferred fill, the events
// a control posts to itself; answers whether `event` was one of them.
bool HandleControlEvent(QEvent* event, const std::function<void()>& changed,
                        const std::function<void()>& fill);
// Asks for the deferred fill once the event loop turns, so the window appears at once.
void PostDeferredFill(QObject* control);

// A typed name without the blanks around it.
std::string TrimName(const std::string& text);
// How a label edit reaches the shell: a name typed over the editing name, so the parts of
// a name that is not UTF-8 which the user left alone keep their bytes.
inline constexpr std::uint32_t kRenameFlags =
    platform::shellns::SHGDN_INFOLDER | platform::shellns::SHGDN_FOREDITING;

// Runs `action` once the label editor of `control` has closed and the event loop turns.
void AfterEditorClosed(QObject* control, std::function<void()> action);
