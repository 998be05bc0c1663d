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

std::string TZipExtractor::RunPasswordDialog(unsigned buttons, const std::string& title,
                                             int promptId) {
    std::string password;
    TPasswordDlg dialog(buttons, FOwnerWindow);
    FLastPasswordButton = ButtonFor(dialog.ShowModal(title, LoadMessageText(promptId), password));
    return password;
}

std::string TZipExtractor::AskPassword() {
    if (FUnattended) {
        ReportError(zm::PasswordUnattended);
        return {};
    }
    return RunPasswordDialog(
        TPasswordDlg::pwbOK | TPasswordDlg::pwbCancel | TPasswordDlg::pwbCancelAll,
        LoadMessageTextOr(zm::PasswordTitle, kMissingTextFallback), zm::PasswordPrompt);
}

std::string TZipExtractor::AskNewPassword() {
    if (FUnattended) {
        ReportError(zm::NewPasswordUnattended);
        return {};
    }
    const unsigned buttons = TPasswordDlg::pwbOK | TPasswordDlg::pwbCancel;
    const std::string title = LoadMessageTextOr(zm::PasswordTitle, kMissingTextFallback);
    const std::string first = RunPasswordDialog(buttons, title, zm::PasswordPrompt);
    if (first.empty())
        return {};
    const std::string second = RunPasswordDialog(buttons, title, zm::PasswordConfirm);
    if (second.empty())
        return {};
    if (first != second) {
        ReportError(zm::PasswordMismatch);
        return {};
    }
    return first;
}
