// The application object: the program's title, its main window, the message pump and the
// busy cursor. One per process; it exists before the Qt application does, so settings
// code and tests can use it without a running event loop.
#pragma once

#include <exception>
#include <functional>
#include <string>

class QWidget;

class TApplication {
public:
    const std::string& Title() const { return FTitle; }
    void SetTitle(std::string title);

    // The main window: the first form created and registered once its creation finished.
    QWidget* MainForm() const { return FMainForm; }
    void SetMainForm(QWidget* form) { FMainForm = form; }

    // Full path of the running executable as the run-time library reports it (argv[0]
    // made absolute by Qt); empty before the Qt application exists.
    std::string ExeName() const;

    // Handles every pending event, then returns. Handlers may therefore run nested inside
    // the caller; callers that allow this must be ready for it.
    void ProcessMessages();

    // Default error report: a modal box with the title as caption, the error icon and the
    // exception's text; EAbort shows nothing. Tests may replace the handler.
    void HandleException(const std::exception& e);
    using TExceptionHandler = std::function<void(const std::exception&)>;
    TExceptionHandler SetOnException(TExceptionHandler handler);

private:
    std::string FTitle;
    QWidget* FMainForm = nullptr;
    TExceptionHandler FOnException;
};

TApplication& Application();

// Runs an event handler that the GUI framework's own code called (a signal, a virtual
// event function). An exception it lets out is reported here, as one escaping an event
// handler, instead of unwinding through the framework's frames, which are not built for
// it and leak or corrupt their state.
template <class THandler>
void InvokeHandler(THandler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        Application().HandleException(e);
    }
}

// The busy cursor for as long as the object lives; nests.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool FActive = false;
};
