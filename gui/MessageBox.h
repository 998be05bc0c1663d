// The one road every message box of the program takes. In the running program it shows a
// QMessageBox; a test replaces the presenter and so reads each text, caption, icon and
// button set that would have been shown, and chooses the answer, without blocking.
#pragma once

#include <functional>
#include <string>

class QWidget;

// Button sets and icons, with the numbering the classic message-box call uses.
enum TMsgButtons : unsigned {
    MB_OK = 0x0,
    MB_OKCANCEL = 0x1,
    MB_ABORTRETRYIGNORE = 0x2,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_RETRYCANCEL = 0x5,
    MB_ICONERROR = 0x10,    // also "stop" and "hand"
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100,
};
inline constexpr unsigned MB_ICONSTOP = MB_ICONERROR;
inline constexpr unsigned kMessageButtonsMask = 0xF;
inline constexpr unsigned kMessageIconMask = 0xF0;

// Answers, numbered as the classic call numbers them.
enum TMsgResult : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

struct TMessageBoxRequest {
    std::string Text;
    std::string Caption;
    unsigned Flags = MB_OK; // buttons | icon | default button
    QWidget* Owner = nullptr;

    unsigned Buttons() const { return Flags & kMessageButtonsMask; }
    unsigned Icon() const { return Flags & kMessageIconMask; }
};

using TMessageBoxPresenter = std::function<int(const TMessageBoxRequest&)>;

// Shows a modal message box and answers the button pressed (closing the box answers the
// cancel-like button of the set, or IDOK for a box with OK alone).
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                   QWidget* owner = nullptr);

// The framework's simple message: the application's title as caption, OK alone, no icon.
void ShowMessage(const std::string& text);

// Replaces the presenter; answers the one it replaced. An empty presenter restores the
// QMessageBox one.
TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter);
