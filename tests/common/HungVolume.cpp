#include "tests/common/HungVolume.h"

#include "tests/common/TempDir.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Set in the copy of the test that runs in a mount namespace of its own.
constexpr const char* kInOwnNamespace = "JIB_HUNG_VOLUME_NAMESPACE";
constexpr const char* kPython = "/usr/bin/python3";
constexpr int kMountWaitMs = 10000;

std::string ThisProgram() {
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// Runs a shell command; answers its output (standard error included) and exit status.
std::string RunCommand(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, got);
    status = ::pclose(pipe);
    return output;
}

bool IsMountPoint(const std::string& path) {
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        if (line.find(" " + path + " ") != std::string::npos)
            return true;
    }
    return false;
}

// The log lives outside the volume and outlives the server; one per process is enough.
std::string LogFile() {
    static TempDir dir;
    return dir.File("requests.log");
}

} // namespace

THungVolumeRun RunInOwnMountNamespace(const std::string& gtestFilter) {
    THungVolumeRun run;
    if (std::getenv(kInOwnNamespace) != nullptr)
        return run;
    run.Kind = THungVolumeRun::Skipped;
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        run.Output = "/dev/fuse is missing: no FUSE volume can be mounted here";
        return run;
    }
    RunCommand(std::string(kPython) + " -c 'import fusepy'", run.Status);
    if (run.Status != 0) {
        run.Output = "python3-fusepy is not installed";
        return run;
    }
    run.Output =
        RunCommand("unshare --mount --propagation private env " + std::string(kInOwnNamespace) +
                       "=1 '" + ThisProgram() + "' --gtest_filter='" + gtestFilter + "'",
                   run.Status);
    if (run.Output.find("unshare failed") != std::string::npos)
        run.Output = "no mount namespace may be made here: " + run.Output;
    else if (run.Output.find("[  SKIPPED ]") == std::string::npos)
        run.Kind = THungVolumeRun::RanThere;
    return run;
}

THungVolume::THungVolume() : FLog(LogFile()) {
}

THungVolume::~THungVolume() {
    if (FServer > 0) {
        ::kill(FServer, SIGKILL);
        ::waitpid(FServer, nullptr, 0);
    }
    ::umount2(kMountPoint, MNT_DETACH);
}

bool THungVolume::Mount() {
    if (::mount("jibtest", "/mnt", "tmpfs", 0, "mode=0755") != 0) {
        FWhyNot = std::string("mounting is not permitted here: ") + std::strerror(errno);
        return false;
    }
    ::mkdir(kMountPoint, 0755);
    const std::string script = std::string(std::getenv("JIB_TEST_DATA")) + "/shell/hung_volume.py";
    // Requests of the thread creating the volume, the GUI thread, are refused.
    const std::string guiThread = std::to_string(::gettid());
    FServer = ::fork();
    if (FServer == 0) {
        ::execl(kPython, kPython, script.c_str(), kMountPoint, FLog.c_str(), guiThread.c_str(),
                nullptr);
        ::_exit(127);
    }
    for (int waited = 0; waited < kMountWaitMs; waited += 10) {
        if (IsMountPoint(kMountPoint))
            return true;
        if (::waitpid(FServer, nullptr, WNOHANG) == FServer) {
            FServer = -1;
            break;
        }
        ::usleep(10000);
    }
    FWhyNot = "a FUSE volume cannot be mounted here";
    return false;
}

std::string THungVolume::Requests() const {
    return ReadFileText(FLog);
}
