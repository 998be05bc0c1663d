#include "app/ProgramInfo.h"

#include <QGuiApplication>
#include <QIcon>

const char* const kDesktopId = JIB_APP_ID;
const char* const kProgramVersion = JIB_VERSION;

// Q_INIT_RESOURCE names a function of the global namespace, so it cannot be called from
// inside one.
static void InitResources() {
    Q_INIT_RESOURCE(jibview);
}

void RegisterProgramResources() {
    static const bool registered = [] {
        InitResources();
        return true;
    }();
    (void)registered;
}

QIcon ProgramIcon() {
    RegisterProgramResources();
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/jibview/icons/%1.png").arg(size), QSize(size, size));
    return icon;
}

void ApplyProgramIdentity() {
    QCoreApplication::setApplicationName(kProgramCommand);
    QCoreApplication::setApplicationVersion(kProgramVersion);
    QGuiApplication::setDesktopFileName(kDesktopId);
    QGuiApplication::setWindowIcon(ProgramIcon());
}
