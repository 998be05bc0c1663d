#include "shell/FbControlSupport.h"

#include "gui/Application.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

namespace {

constexpr int kFocusedRefreshDelay = 400;
constexpr int kUnfocusedRefreshDelay = 2000;
constexpr const char* kBlanks = " \t\r\n";

} // namespace

TFbFillEvents::TFbFillEvents(QObject* sender, const TNotifyEvent& start,
                             const TNotifyEvent& complete)
    : FSender(sender), FComplete(complete) {
    if (start)
        start(FSender);
}

TFbFillEvents::~TFbFillEvents() {
    if (!FComplete)
        return;
    try {
        FComplete(FSender);
    } catch (const std::exception& e) {
        // This may run while the fill's own failure unwinds: that one is reported by
        // whoever catches it, and a second exception here would end the program.
        Application().HandleException(e);
    }
}

int RefreshDelayFor(const QWidget* control) {
    return control->hasFocus() ? kFocusedRefreshDelay : kUnfocusedRefreshDelay;
}

bool AcceptChange(bool& skipNextChange, bool dragging) {
    if (skipNextChange || dragging) {
        skipNextChange = false;
        return false;
    }
    return true;
}

bool HandleControlEvent(QEvent* event, const std::function<void()>& changed,
                        const std::function<void()>& fill) {
    if (event->type() == kChangeNotifyEvent) {
        changed();
        return true;
    }
    if (event->type() == kDeferredFillEvent) {
        fill();
        return true;
    }
    return false;
}

void PostDeferredFill(QObject* control) {
    QCoreApplication::postEvent(control, new QEvent(kDeferredFillEvent));
}

std::string TrimName(const std::string& text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

void AfterEditorClosed(QObject* control, std::function<void()> action) {
    QMetaObject::invokeMethod(control, std::move(action), Qt::QueuedConnection);
}
