// The answers of the bounded look-ups on a file system that answers; one that does not is
// the hung-volume tests' (shell and app).
#include "platform/FolderProbe.h"

#include "tests/common/TempDir.h"

#include <cerrno>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using platform::FolderProbe;
using namespace std::chrono_literals;

TEST(FolderProbeTest, AnswersWhatAStatAndAnOpenWouldHaveAnswered) {
    TempDir dir;
    const std::string folder = dir.MakeDir("Projects");
    const std::string file = dir.Write("Harbour.jib", "PK");
    ::symlink(folder.c_str(), dir.File("link").c_str());
    struct Case {
        std::string path;
        FolderProbe probe;
        int openError; // 0: opened
    };
    const Case cases[] = {
        {folder, FolderProbe::Folder, 0},
        {folder + "/", FolderProbe::Folder, 0},
        {dir.File("link"), FolderProbe::Folder, 0},
        {file, FolderProbe::NotFolder, ENOTDIR},
        {dir.File("gone"), FolderProbe::NotFolder, ENOENT},
        {"", FolderProbe::NotFolder, ENOENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(platform::ProbeFolder(c.path, 5s), c.probe);
        errno = 0;
        const int fd = platform::OpenFolderWithin(c.path, 5s);
        EXPECT_EQ(fd >= 0 ? 0 : errno, c.openError);
        if (fd >= 0)
            ::close(fd);
    }
}

} // namespace
