// Asking the user for passwords of encrypted members.
#include "archive/PasswordDlg.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"

namespace {

TPasswordButton ButtonFor(TPasswordDlg::TAnswer answer) {
    switch (answer) {
    case TPasswordDlg::paOK:
        return pbOk;
    case TPasswordDlg::paCancel:
        return pbCancel;
    case TPasswordDlg::paCancelAll:
        return pbCancelAll;
    default:
        return pbAbort;
    }
}

} // namespace

std::string TZipExtractor::AskPassword() {
    if (FUnattended) {
        ReportError(zm::PasswordUnattended);
        return {};
    }
    std::string password;
    TPasswordDlg dialog(TPasswordDlg::pwbOK | TPasswordDlg::pwbCancel | TPasswordDlg::pwbCancelAll,
                        FOwnerWindow);
    FLastPasswordButton =
        ButtonFor(dialog.ShowModal(LoadMessageTextOr(zm::PasswordTitle, kMissingTextFallback),
                                   LoadMessageText(zm::PasswordPrompt), password));
    return password;
}

std::string TZipExtractor::AskNewPassword() {
    if (FUnattended) {
        ReportError(zm::NewPasswordUnattended);
        return {};
    }
    const std::string title = LoadMessageTextOr(zm::PasswordTitle, kMissingTextFallback);
    std::string first;
    {
        TPasswordDlg dialog(TPasswordDlg::pwbOK | TPasswordDlg::pwbCancel, FOwnerWindow);
        FLastPasswordButton =
            ButtonFor(dialog.ShowModal(title, LoadMessageText(zm::PasswordPrompt), first));
    }
    if (first.empty())
        return {};
    std::string second;
    {
        TPasswordDlg dialog(TPasswordDlg::pwbOK | TPasswordDlg::pwbCancel, FOwnerWindow);
        FLastPasswordButton =
            ButtonFor(dialog.ShowModal(title, LoadMessageText(zm::PasswordConfirm), second));
    }
    if (second.empty())
        return {};
    if (first != second) {
        ReportError(zm::PasswordMismatch);
        return {};
    }
    return first;
}
