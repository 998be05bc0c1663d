// TPasswordDlg: the small dialog the archive component asks passwords with. It is built
// in code with fixed pixel geometry, so its look does not depend on a layout file.
#pragma once

#include <string>
#include <vector>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TPasswordDlg : public QDialog {
public:
    // Buttons, as bits of the set given to the constructor. OK is always there.
    enum TButton : unsigned { pwbOK = 1, pwbCancel = 2, pwbCancelAll = 4, pwbAbort = 8 };

    // How the dialog was left, as the component's callback handler counts it.
    enum TAnswer : int { paOK = 0, paCancel = 1, paCancelAll = 2, paOther = 3 };

    explicit TPasswordDlg(unsigned buttons, QWidget* parent = nullptr);

    // Shows the dialog modally with `title` and `prompt`; answers how it was left and
    // puts the entered text into `password` when that was OK (else empties it).
    TAnswer ShowModal(const std::string& title, const std::string& prompt, std::string& password);

    QLabel* PromptLabel() const { return FPrompt; }
    QLineEdit* PasswordEdit() const { return FEdit; }
    // The buttons present, in the order OK, Cancel, Cancel all, Abort.
    const std::vector<QPushButton*>& Buttons() const { return FButtons; }

private:
    QLabel* FPrompt;
    QLineEdit* FEdit;
    std::vector<QPushButton*> FButtons;
};
