#include "gui/GuiApplication.h"

#include "gui/Application.h"
#include "gui/ClipboardImage.h"
#include "gui/DibImage.h"
#include "gui/Exceptions.h"
#include "gui/FileClipboard.h"

TGuiApplication::TGuiApplication(int& argc, char** argv) : QApplication(argc, argv) {
    SetClipboardImageCodec({ClipboardDataToDib, DibToClipboardData});
    InstallDesktopFileClipboard();
}

bool TGuiApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        Application().HandleException(e);
    } catch (...) {
        Application().HandleException(Exception("Unknown exception"));
    }
    return false;
}
