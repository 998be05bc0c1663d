// A network volume whose server is gone: every request to it waits for ever. The tree
// shows it under Computer and its watcher tries to watch it, but nothing on the GUI thread
// may wait for it, or the window freezes. The volume is a FUSE file system that holds
// every request (tests/data/shell/hung_volume.py) and answers those of the GUI thread at
// once with an error, after writing them down: a request from the GUI thread is a failure
// of this test, not a hang.
#include "platform/MountTable.h"
#include "platform/shellns/Volumes.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"
#include "tests/shell/BrowserTest.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>

namespace shellns_test {
namespace {

using platform::MountEntry;
using platform::MountKind;

// Set in the copy of this test that runs in a mount namespace of its own.
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

// The FUSE server, killed (which fails every request it holds) and its volume detached
// when the test ends.
class THungVolume {
public:
    THungVolume(const std::string& mountPoint, const std::string& log) : FMountPoint(mountPoint) {
        const std::string script =
            std::string(std::getenv("JIB_TEST_DATA")) + "/shell/hung_volume.py";
        const std::string guiThread = std::to_string(::gettid());
        FServer = ::fork();
        if (FServer == 0) {
            ::execl(kPython, kPython, script.c_str(), mountPoint.c_str(), log.c_str(),
                    guiThread.c_str(), nullptr);
            ::_exit(127);
        }
    }
    ~THungVolume() {
        if (FServer > 0) {
            ::kill(FServer, SIGKILL);
            ::waitpid(FServer, nullptr, 0);
        }
        ::umount2(FMountPoint.c_str(), MNT_DETACH);
    }
    // Waits for the volume to appear; false when the server ended first (mounting is not
    // permitted) or it took too long.
    bool WaitMounted() {
        for (int waited = 0; waited < kMountWaitMs; waited += 10) {
            if (IsMountPoint(FMountPoint))
                return true;
            if (::waitpid(FServer, nullptr, WNOHANG) == FServer) {
                FServer = -1;
                return false;
            }
            ::usleep(10000);
        }
        return false;
    }

private:
    std::string FMountPoint;
    pid_t FServer = -1;
};

using HungVolumeTest = BrowserTest;

TEST_F(HungVolumeTest, NothingOnTheGuiThreadWaitsForAVolumeThatHangs) {
    if (std::getenv(kInOwnNamespace) == nullptr) {
        // The volume is mounted in a namespace of this test's own, so no other program on
        // the machine ever meets it.
        if (::access("/dev/fuse", R_OK | W_OK) != 0)
            GTEST_SKIP() << "/dev/fuse is missing: no FUSE volume can be mounted here";
        int status = 0;
        RunCommand(std::string(kPython) + " -c 'import fusepy'", status);
        if (status != 0)
            GTEST_SKIP() << "python3-fusepy is not installed";
        const std::string output =
            RunCommand("unshare --mount --propagation private env " + std::string(kInOwnNamespace) +
                           "=1 '" + ThisProgram() + "' --gtest_filter=HungVolumeTest.*",
                       status);
        if (output.find("unshare failed") != std::string::npos)
            GTEST_SKIP() << "no mount namespace may be made here: " << output;
        if (output.find("[  SKIPPED ]") != std::string::npos)
            GTEST_SKIP() << output;
        EXPECT_EQ(status, 0) << output;
        return;
    }

    // A tmpfs of this namespace's own over /mnt, where disk volumes are shown from.
    if (::mount("jibtest", "/mnt", "tmpfs", 0, "mode=0755") != 0)
        GTEST_SKIP() << "mounting is not permitted here: " << std::strerror(errno);
    const std::string mountPoint = "/mnt/gone";
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0755), 0);
    TempDir dir;
    const std::string log = dir.File("requests.log");
    THungVolume volume(mountPoint, log);
    if (!volume.WaitMounted())
        GTEST_SKIP() << "a FUSE volume cannot be mounted here";

    // The volume as a network share (watched), a disk (watched, and searched for
    // sub-folders where it is listed) and a removable disk (searched only).
    for (const MountKind kind : {MountKind::Remote, MountKind::Fixed, MountKind::Removable}) {
        SCOPED_TRACE(static_cast<int>(kind));
        sh::SetMountTableSource([&mountPoint, kind] {
            std::vector<MountEntry> table = platform::ReadMountTable();
            for (MountEntry& entry : table) {
                if (entry.mountPoint == mountPoint)
                    entry.kind = kind;
            }
            return table;
        });
        const std::size_t seen = ReadFileText(log).size();
        const auto requests = [&log, seen] {
            return ReadFileText(log).substr(seen);
        };
        MessageCapture capture;
        {
            // As the viewer starts: the tree from the desktop, watching, open at a folder
            // elsewhere, which expands Computer and lists the volume there.
            TFbShellTree tree;
            TFbShellList list;
            tree.SetOptions(stoDefaultKeyHandling | stoDynamicRefresh | stoShowHidden);
            list.SetOptions(sloDefaultKeyHandling | sloDynamicRefresh |
                            sloHideFoldersWhenLinkedToTree | sloShowHidden);
            list.SetFileFilter("*.jib");
            tree.show();
            list.show();
            OpenLinked(tree, list, TreeFolder());
            QCoreApplication::processEvents();
            ASSERT_EQ(SelectedPath(tree), TreeFolder());
            EXPECT_NE(NodeOf(tree, mountPoint + "/"), nullptr) << "the volume shows";

            // A watched volume is tried off the GUI thread, which is held there.
            if (kind != MountKind::Removable) {
                EXPECT_TRUE(WaitFor([&] { return requests().find(" held") != std::string::npos; }))
                    << requests();
            }
            // Refreshes, watches dropped and made again, another folder in the list: the
            // GUI thread goes on while the first attempt is still held.
            tree.RefreshTree();
            tree.SetOptions(tree.Options() & ~TFbShellTreeOptions(stoDynamicRefresh));
            tree.SetOptions(tree.Options() | stoDynamicRefresh);
            tree.CurrentFolder()->SetFolderPath(FHome.Home() + "/");
            QCoreApplication::processEvents();
            EXPECT_EQ(ListFolder(list), FHome.Home() + "/");
        } // the controls end their watchers, whatever the volume holds
        sh::SetMountTableSource({});
        EXPECT_EQ(requests().find("refused"), std::string::npos)
            << "requests made on the GUI thread:\n"
            << requests();
        EXPECT_TRUE(capture.Shown().empty());
    }
}

} // namespace
} // namespace shellns_test
