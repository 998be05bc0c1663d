#include "tests/archive/DialogScript.h"

#include "archive/PasswordDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

DialogScript::DialogScript(std::vector<DialogAnswer> answers) : FAnswers(std::move(answers)) {
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
    FTimer.start(5);
}

void DialogScript::Poll() {
    auto* dialog = dynamic_cast<TPasswordDlg*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible() || dialog->property("answered").toBool() ||
        FNext >= FAnswers.size())
        return;
    dialog->setProperty("answered", true);
    const DialogAnswer& a = FAnswers[FNext++];
    FTitles.push_back(dialog->windowTitle().toStdString());
    FPrompts.push_back(dialog->PromptLabel()->text().toStdString());
    dialog->PasswordEdit()->setText(QString::fromStdString(a.text));
    if (a.button < 0)
        dialog->reject();
    else
        dialog->Buttons().at(static_cast<std::size_t>(a.button))->click();
}
