#include "platform/Launcher.h"

#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <chrono>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace platform {
namespace {

// How long the launch waits for xdg-open's verdict. xdg-open normally hands the target to
// the desktop and exits at once; in its generic mode it may instead run the browser in the
// foreground, and the window must not freeze for that.
constexpr auto kVerdictWait = std::chrono::milliseconds(1500);

bool HasUrlScheme(const std::string& target) {
    const auto colon = target.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = target[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok)
            return false;
    }
    return true;
}

// A local target that is not there fails now, with the code for what is missing, rather
// than after a launcher has shown its own error somewhere.
int CheckLocalTarget(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return kLaunchOk;
    if (errno == EACCES)
        return kLaunchAccessDenied;
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        const std::string parent = path.substr(0, slash);
        if (::stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return kLaunchPathNotFound;
    }
    return kLaunchFileNotFound;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitAtBlanks(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

int CodeFromSpawnError(int err) {
    switch (err) {
    case ENOENT:
        return kLaunchNoAssociation;
    case EACCES:
    case EPERM:
        return kLaunchAccessDenied;
    case ENOMEM:
        return kLaunchOutOfMemory;
    default:
        return kLaunchOutOfResources;
    }
}

// Starts argv[0] from PATH in `folder` (when given); answers the child's pid or -errno.
pid_t Spawn(const std::vector<std::string>& args, const std::string& folder) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // The child must not inherit the GUI's stdin; a launcher that reads it would hang.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int err = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return err == 0 ? pid : -err;
}

// Waits briefly for the child's exit status; a child still running is reaped later by a
// detached thread so it never lingers as a zombie.
std::optional<int> AwaitStatus(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + kVerdictWait;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            return status;
        if (done < 0 && errno != EINTR)
            return std::nullopt;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return std::nullopt;
}

} // namespace

int LaunchCodeFromXdgOpenStatus(int exitStatus) {
    switch (exitStatus) {
    case 0:
        return kLaunchOk;
    case 2:
        return kLaunchFileNotFound;
    case 3:
    case 4:
        return kLaunchNoAssociation;
    default:
        return kLaunchAssociationIncomplete;
    }
}

int ShellOpen(const std::string& target, const std::string& parameters,
              const std::string& defaultFolder) {
    if (target.empty())
        return kLaunchFileNotFound;
    const bool isUrl = HasUrlScheme(target);
    if (!isUrl) {
        if (const int code = CheckLocalTarget(target); code != kLaunchOk)
            return code;
    }

    std::vector<std::string> args;
    if (!isUrl && IsExecutableFile(target)) {
        args.push_back(target.find('/') == std::string::npos ? "./" + target : target);
        for (auto& p : SplitAtBlanks(parameters))
            args.push_back(std::move(p));
        const pid_t pid = Spawn(args, defaultFolder);
        if (pid < 0)
            return CodeFromSpawnError(static_cast<int>(-pid));
        AwaitStatus(pid); // a program's own exit code says nothing about the launch
        return kLaunchOk;
    }

    pid_t pid = Spawn({"xdg-open", target}, defaultFolder);
    bool viaGio = false;
    if (pid == -ENOENT) {
        pid = Spawn({"gio", "open", target}, defaultFolder);
        viaGio = true;
    }
    if (pid < 0)
        return CodeFromSpawnError(static_cast<int>(-pid));
    const auto status = AwaitStatus(pid);
    if (!status)
        return kLaunchOk;
    if (!WIFEXITED(*status))
        return kLaunchAssociationIncomplete;
    const int exitCode = WEXITSTATUS(*status);
    if (viaGio)
        return exitCode == 0 ? kLaunchOk : kLaunchNoAssociation;
    return LaunchCodeFromXdgOpenStatus(exitCode);
}

} // namespace platform
