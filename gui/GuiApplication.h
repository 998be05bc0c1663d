// The Qt application with the framework's exception rule: an exception that leaves an
// event handler goes to the default error report and the program goes on, instead of
// unwinding through Qt (which is undefined behaviour) and ending the process.
#pragma once

#include <QApplication>

class TGuiApplication : public QApplication {
public:
    TGuiApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
