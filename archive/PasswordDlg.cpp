#include "archive/PasswordDlg.h"

#include "archive/ZipMessages.h"
#include "archive/ZipStrings.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

// Geometry, in pixels: a column of 124 pixels per button.
constexpr int kButtonPitch = 124;
constexpr int kFormExtraWidth = 35;
constexpr int kFormHeight = 137;
constexpr int kMargin = 20;
constexpr int kPromptTop = 8;
constexpr int kPromptWidth = 297;
constexpr int kPromptHeight = 18;
constexpr int kEditTop = 40;
constexpr int kEditWidthReduction = 10;
constexpr int kButtonTop = 72;
constexpr int kButtonWidth = 114;
constexpr int kButtonHeight = 28;
constexpr int kMaxPasswordLength = 80;
constexpr int kFontPixels = 12;

// The results the buttons end the dialog with; closing the window is a Cancel.
enum : int {
    kResultCancel = QDialog::Rejected,
    kResultOK = QDialog::Accepted,
    kResultNoToAll,
    kResultAbort
};

struct ButtonKind {
    TPasswordDlg::TButton bit;
    int captionId;
    QStyle::StandardPixmap glyph;
    const char* name; // tooltip and accessible name: the caption may well be empty
    int result;
};

constexpr ButtonKind kButtonKinds[] = {
    {TPasswordDlg::pwbOK, zm::ButtonOK, QStyle::SP_DialogOkButton, "OK", kResultOK},
    {TPasswordDlg::pwbCancel, zm::ButtonCancel, QStyle::SP_DialogCancelButton, "Cancel",
     kResultCancel},
    {TPasswordDlg::pwbCancelAll, zm::ButtonCancelAll, QStyle::SP_DialogNoButton, "Cancel all",
     kResultNoToAll},
    {TPasswordDlg::pwbAbort, zm::ButtonAbort, QStyle::SP_DialogAbortButton, "Abort", kResultAbort},
};

} // namespace

TPasswordDlg::TPasswordDlg(unsigned buttons, QWidget* parent) : QDialog(parent) {
    buttons |= pwbOK;
    int count = 0;
    for (const auto& kind : kButtonKinds)
        count += (buttons & kind.bit) != 0 ? 1 : 0;

    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kButtonPitch * count + kFormExtraWidth, kFormHeight);
    QFont font("Arial");
    font.setPixelSize(kFontPixels);
    font.setBold(true);
    setFont(font);

    FPrompt = new QLabel(this);
    FPrompt->setGeometry(kMargin, kPromptTop, kPromptWidth, kPromptHeight);
    FEdit = new QLineEdit(this);
    FEdit->setGeometry(kMargin, kEditTop, kButtonPitch * count - kEditWidthReduction,
                       FEdit->sizeHint().height());
    FEdit->setEchoMode(QLineEdit::Password);
    FEdit->setMaxLength(kMaxPasswordLength);

    for (const auto& kind : kButtonKinds) {
        if ((buttons & kind.bit) == 0)
            continue;
        auto* button =
            new QPushButton(style()->standardIcon(kind.glyph),
                            QString::fromStdString(ZipResourceString(kind.captionId)), this);
        button->setGeometry(kMargin + kButtonPitch * static_cast<int>(FButtons.size()), kButtonTop,
                            kButtonWidth, kButtonHeight);
        button->setToolTip(QString::fromUtf8(kind.name));
        button->setAccessibleName(QString::fromUtf8(kind.name));
        button->setAutoDefault(false);
        const int result = kind.result;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        FButtons.push_back(button);
    }
    FButtons.front()->setDefault(true);
}

TPasswordDlg::TAnswer TPasswordDlg::ShowModal(const std::string& title, const std::string& prompt,
                                              std::string& password) {
    setWindowTitle(QString::fromStdString(title));
    FPrompt->setText(QString::fromStdString(prompt));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    FEdit->setFocus();
    const int result = exec();
    password = result == kResultOK ? FEdit->text().toStdString() : std::string();
    switch (result) {
    case kResultOK:
        return paOK;
    case kResultCancel:
        return paCancel;
    case kResultNoToAll:
        return paCancelAll;
    default:
        return paOther;
    }
}
