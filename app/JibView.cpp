// Quillbrew Free JIB Viewer: browse folders, see the thumbnails stored in JIB files.
#include "app/CommandLine.h"
#include "app/JIBMainForm.h"
#include "app/ProgramInfo.h"
#include "gui/Application.h"
#include "gui/GuiApplication.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string CurrentFolder() {
    char* folder = ::getcwd(nullptr, 0);
    // A folder removed under the shell has no path; relative paths then start at "/".
    const std::string result = folder != nullptr ? folder : "/";
    std::free(folder);
    return result;
}

// Answers --help and --version; -1 when the program is to go on.
int AnswerWithoutGui(const TCommandLine& line) {
    if (line.Action == TCommandLine::clHelp)
        return std::fputs(CommandLineHelp().c_str(), stdout) >= 0 ? 0 : 1;
    if (line.Action == TCommandLine::clVersion)
        return std::fputs(CommandLineVersion().c_str(), stdout) >= 0 ? 0 : 1;
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    // Help and version are answered before the application object exists: it needs a
    // display, and they must work in a terminal without one.
    const std::string cwd = CurrentFolder();
    if (const int result = AnswerWithoutGui(ParseCommandLine(Arguments(argc, argv), cwd));
        result >= 0)
        return result;

    TGuiApplication qtApp(argc, argv); // takes Qt's own options out of argv
    const TCommandLine line = ParseCommandLine(Arguments(argc, argv), cwd);
    if (line.Action == TCommandLine::clUsageError) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", kProgramCommand,
                     line.Error.c_str(), kProgramCommand);
        return 2;
    }
    ApplyProgramIdentity();
    Application().SetTitle("Quillbrew Free JIB Viewer");
    TfrmJIBMain mainForm;
    mainForm.SetStartPath(line.Path);
    // The window becomes the main window only once its creation, placement restore
    // included, has finished.
    Application().SetMainForm(&mainForm);
    mainForm.show();
    const int result = TGuiApplication::exec();
    Application().SetMainForm(nullptr);
    return result;
}
