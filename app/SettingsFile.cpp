#include "app/SettingsFile.h"

#include "platform/shellns/UserDirs.h"
#include "util/plkFiles.h"
#include "util/plkStrings.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kSettingsName = "JibSettings.ini";
constexpr const char* kConfigFolderName = "jibview/";
// Installed beside the program by the install rules (packaging/installed-copy).
constexpr const char* kInstalledCopyMarker = "installed-copy";

bool RegularFileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string ProgramSettingsFile() {
    return GetExeFolder() + kSettingsName;
}

std::string UserSettingsFile() {
    return platform::shellns::ConfigHomeFolder() + kConfigFolderName + kSettingsName;
}

bool RunsAsCopyOfItsOwn() {
    const std::string folder = GetExeFolder();
    if (RegularFileExists(folder + kInstalledCopyMarker))
        return false;
    // access() asks with the real user's rights, which is who runs the program; a folder
    // on a read-only mount answers no as well.
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string SettingsFileToWrite() {
    return RunsAsCopyOfItsOwn() ? ProgramSettingsFile() : UserSettingsFile();
}

std::string SettingsFileToRead() {
    if (RunsAsCopyOfItsOwn())
        return ProgramSettingsFile();
    const std::string user = UserSettingsFile();
    if (RegularFileExists(user))
        return user;
    const std::string beside = ProgramSettingsFile();
    return RegularFileExists(beside) ? beside : user;
}

void PrepareSettingsFolder(const std::string& settingsFile) {
    if (settingsFile == UserSettingsFile())
        platform::shellns::MakePrivateFolders(ExtractFilePath(settingsFile));
}

std::string DefaultStartFolder() {
    if (RunsAsCopyOfItsOwn())
        return GetExeFolder();
    const std::string home = platform::shellns::HomeFolder();
    return FolderExists(home) ? home : GetExeFolder();
}
