// The About dialog: the logo with the version text over it and an OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmJibAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmJibAbout(QWidget* owner);

    QLabel* Image1 = nullptr;
    QLabel* lblAppVersion = nullptr;
    QPushButton* btnOK = nullptr;

private:
    void FormCreate();
    void btnOKClick();
};

// Shows a new About dialog modally; it is released once the event that ended it has been
// handled.
void ShowAboutBox();
