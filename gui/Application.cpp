#include "gui/Application.h"

#include "gui/ErrorReport.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

TApplication& Application() {
    static TApplication app;
    return app;
}

void TApplication::SetTitle(std::string title) {
    FTitle = std::move(title);
    if (QCoreApplication::instance() != nullptr)
        QGuiApplication::setApplicationDisplayName(QString::fromStdString(FTitle));
}

std::string TApplication::ExeName() const {
    if (QCoreApplication::instance() == nullptr)
        return {};
    return QCoreApplication::applicationFilePath().toStdString();
}

void TApplication::ProcessMessages() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleException(const std::exception& e) {
    if (FOnException)
        FOnException(e);
    else
        ShowErrorReport(e);
}

TApplication::TExceptionHandler TApplication::SetOnException(TExceptionHandler handler) {
    TExceptionHandler previous = std::move(FOnException);
    FOnException = std::move(handler);
    return previous;
}

TWaitCursor::TWaitCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        FActive = true;
    }
}

TWaitCursor::~TWaitCursor() {
    if (FActive)
        QGuiApplication::restoreOverrideCursor();
}
