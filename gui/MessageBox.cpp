#include "gui/MessageBox.h"

#include "gui/Application.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon ToQtIcon(unsigned icon) {
    switch (icon) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int result;
};

std::vector<ButtonSpec> ButtonsFor(unsigned set) {
    switch (set) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY},
                {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO},
                {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

int ShowWithQt(const TMessageBoxRequest& request) {
    QMessageBox box(ToQtIcon(request.Icon()), QString::fromStdString(request.Caption),
                    QString::fromStdString(request.Text), QMessageBox::NoButton, request.Owner);
    const auto specs = ButtonsFor(request.Buttons());
    const std::size_t defaultIndex = (request.Flags & MB_DEFBUTTON2) != 0 ? 1 : 0;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        box.addButton(specs[i].button);
        if (i == defaultIndex)
            box.setDefaultButton(specs[i].button);
    }
    const int pressed = box.exec();
    for (const auto& spec : specs) {
        if (pressed == spec.button)
            return spec.result;
    }
    // Closed with Esc or the title bar: the box's way out.
    return specs.size() == 1 ? specs.front().result : IDCANCEL;
}

TMessageBoxPresenter& Presenter() {
    static TMessageBoxPresenter presenter = ShowWithQt;
    return presenter;
}

} // namespace

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags,
                   QWidget* owner) {
    return Presenter()(TMessageBoxRequest{text, caption, flags, owner});
}

void ShowMessage(const std::string& text) {
    ShowMessageBox(text, Application().Title(), MB_OK);
}

TMessageBoxPresenter SetMessageBoxPresenter(TMessageBoxPresenter presenter) {
    TMessageBoxPresenter previous = std::move(Presenter());
    Presenter() = presenter ? std::move(presenter) : TMessageBoxPresenter(ShowWithQt);
    return previous;
}
