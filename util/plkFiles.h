// File and launch helpers: the program's own folder, the private temporary folder, the
// extension test, a delete that never fails, and opening documents and web pages in the
// desktop's associated application with readable failure messages.
#pragma once

#include <string>

class QWidget;

// Show commands a launch asks for (the desktop launchers cannot honour them all; the
// request is kept so callers say what they mean).
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWNOACTIVATE = 4;

// The running executable's folder, ending with "/"; empty when it cannot be found.
std::string GetModuleFolder();
// GetModuleFolder, or the folder of the executable name the application was started
// under when that is empty.
std::string GetExeFolder();
// The per-user private temporary folder, ending with "/"; empty when it is unusable.
std::string GetTempFolder();

// True when the file name's extension (from its last "." after its last "/", compared
// without regard to ASCII case) appears in `extList` as "*<ext>;", as in "*.jib;*.png;".
// A name without an extension matches only a list holding "*;".
bool IsExtInList(const std::string& fileName, const std::string& extList);

// Deletes the file if it can; every failure is silent.
void DeleteFileQuiet(const std::string& fileName);

// Opens `fileName` with the "open" verb. A name longer than 255 characters is refused
// with an information box and code 2. Answers the launch code (above 32 is success).
int ExecuteFile(const std::string& fileName, const std::string& params,
                const std::string& defaultDir, int showCommand);

// Shows the failure message for a launch code of 32 or less; success shows nothing.
void ShowExecuteError(int code, QWidget* owner, const std::string& fileName);

// The failure text for a launch code (without the "Unable to execute file:" heading).
std::string ExecuteErrorText(int code, const std::string& fileName);

// Opens a web address in the default browser; a failure shows its message.
void OpenURL(const std::string& url, QWidget* owner);
