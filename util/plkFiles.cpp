#include "util/plkFiles.h"

#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "platform/Launcher.h"
#include "platform/ModulePath.h"
#include "platform/TempFolder.h"
#include "platform/TextCase.h"
#include "util/plkStrings.h"

#include <unistd.h>

namespace {

// Launch paths were limited by the fixed buffers of the launch call; the limit stays so
// that a path that would have been cut is refused instead of launching the wrong file.
constexpr std::size_t kMaxLaunchPath = 255;

} // namespace

std::string GetModuleFolder() {
    try {
        return ExtractFilePath(platform::ModuleFileName());
    } catch (...) {
        return {};
    }
}

std::string GetExeFolder() {
    std::string folder = GetModuleFolder();
    if (folder.empty())
        folder = IncludeTrailingPathDelimiter(ExtractFilePath(Application().ExeName()));
    return folder;
}

std::string GetTempFolder() {
    return platform::PrivateTempFolder();
}

bool IsExtInList(const std::string& fileName, const std::string& extList) {
    std::string pattern(1, '*');
    pattern.append(platform::LowerAscii(ExtractFileExt(fileName))).push_back(';');
    return platform::LowerAscii(extList).find(pattern) != std::string::npos;
}

void DeleteFileQuiet(const std::string& fileName) {
    if (!fileName.empty())
        ::unlink(fileName.c_str());
}

int ExecuteFile(const std::string& fileName, const std::string& params,
                const std::string& defaultDir, int /*showCommand*/) {
    if (fileName.size() > kMaxLaunchPath) {
        ShowMessageBox(
            "The path to the file is too long, please ensure the path is less than 255 characters.",
            "Information", MB_OK | MB_ICONINFORMATION);
        return platform::kLaunchFileNotFound;
    }
    return platform::ShellOpen(fileName, params, defaultDir);
}

std::string ExecuteErrorText(int code, const std::string& fileName) {
    switch (code) {
    case 0:
        return "The operating system is out of memory or resources.";
    case 2:
        return fileName + "\n\nThe specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied access to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred.";
    case 27:
        return "The filename association is incomplete or invalid.";
    case 28:
        return "The DDE transaction could not be completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not be completed because other DDE transactions were "
               "being processed.";
    case 31:
        // In the words of a Linux desktop, naming what was to be opened when it is known.
        return "No application is set up to open " +
               (fileName.empty() ? std::string("files of this type") : fileName) + ".";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return "An unknown error occurred when trying to load file in associated application.";
    }
}

void ShowExecuteError(int code, QWidget* /*owner*/, const std::string& fileName) {
    if (code > 32)
        return;
    ShowMessageBox("Unable to execute file:\n\n" + ExecuteErrorText(code, fileName),
                   Application().Title(), MB_OK);
}

void OpenURL(const std::string& url, QWidget* owner) {
    const int code = ExecuteFile(url, "", "", SW_SHOWNOACTIVATE);
    // Without a browser the address is what could not be opened, and is named.
    ShowExecuteError(code, owner, code == platform::kLaunchNoAssociation ? url : "");
}
