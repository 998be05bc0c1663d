// Quillbrew Free JIB Viewer: browse folders, see the thumbnails stored in JIB files.
#include "app/JIBMainForm.h"
#include "gui/Application.h"
#include "gui/GuiApplication.h"

int main(int argc, char** argv) {
    TGuiApplication qtApp(argc, argv);
    Application().SetTitle("Quillbrew Free JIB Viewer");
    TfrmJIBMain mainForm;
    // The window becomes the main window only once its creation, placement restore
    // included, has finished.
    Application().SetMainForm(&mainForm);
    mainForm.show();
    const int result = TGuiApplication::exec();
    Application().SetMainForm(nullptr);
    return result;
}
