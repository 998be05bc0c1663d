#include "platform/changenotify/ChangeNotification.h"

#include "platform/changenotify/VolumeChanges.h"
#include "tests/common/TempDir.h"

#include <cstdio>
#include <filesystem>
#include <poll.h>
#include <sys/time.h>

#include <gtest/gtest.h>

using namespace platform;
namespace fs = std::filesystem;

namespace {

using TRearm = TChangeNotification::TRearm;

// What a waiter sees: whether the descriptor became readable within a short while, and
// then what draining it says. inotify queues events during the system call that causes
// them, so a change made before the poll is always there; the time-out only bounds a
// failure.
TRearm WaitAndRearm(TChangeNotification& handle, int timeoutMs = 2000) {
    pollfd one{handle.Fd(), POLLIN, 0};
    if (::poll(&one, 1, timeoutMs) <= 0)
        return TRearm::Quiet;
    return handle.Rearm();
}

bool Readable(TChangeNotification& handle) {
    pollfd one{handle.Fd(), POLLIN, 0};
    return ::poll(&one, 1, 0) > 0;
}

} // namespace

TEST(ChangeNotification, FiltersByTheKindOfTheNameThatChanged) {
    struct Case {
        const char* what;
        std::uint32_t filter;
        bool folder; // a folder is made, else a file
        TRearm expected;
    };
    const Case cases[] = {
        {"file, files asked", FILE_NOTIFY_CHANGE_FILE_NAME, false, TRearm::Changed},
        {"file, folders asked", FILE_NOTIFY_CHANGE_DIR_NAME, false, TRearm::Quiet},
        {"folder, folders asked", FILE_NOTIFY_CHANGE_DIR_NAME, true, TRearm::Changed},
        {"folder, files asked", FILE_NOTIFY_CHANGE_FILE_NAME, true, TRearm::Quiet},
        {"folder, both asked", 0x3, true, TRearm::Changed},
    };
    for (const Case& c : cases) {
        TempDir dir;
        auto handle = TChangeNotification::Create(dir.Path(), c.filter, false);
        ASSERT_TRUE(handle) << c.what;
        EXPECT_EQ(handle->Root(), dir.Path() + "/");
        if (c.folder)
            dir.MakeDir("new");
        else
            dir.Write("new.jib", "x");
        EXPECT_EQ(WaitAndRearm(*handle), c.expected) << c.what;
        EXPECT_FALSE(Readable(*handle)) << c.what << ": re-arming drains every event";
    }
}

TEST(ChangeNotification, RenamesAndDeletionsCountContentWritesDoNot) {
    TempDir dir;
    const std::string file = dir.Write("a.jib", "x");
    auto handle = TChangeNotification::Create(dir.Path(), 0x3, false);
    ASSERT_TRUE(handle);
    dir.Write("a.jib", "rewritten"); // same name: nothing to merge
    fs::rename(file, dir.File("b.jib"));
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);
    fs::remove(dir.File("b.jib"));
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);
}

TEST(ChangeNotification, ContentWritesAndNewTimesCountWhenAskedFor) {
    TempDir dir;
    const std::string file = dir.Write("a.jib", "x");
    const std::string folder = dir.MakeDir("sub");
    auto handle =
        TChangeNotification::Create(dir.Path(), 0x3 | FILE_NOTIFY_CHANGE_LAST_WRITE, false);
    ASSERT_TRUE(handle);
    dir.Write("a.jib", "rewritten in place");
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);
    // Both times set, as touch and copies that keep times set them.
    const timeval times[2] = {{1'600'000'000, 0}, {1'600'000'000, 0}};
    ASSERT_EQ(::utimes(file.c_str(), times), 0);
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);
    // A folder's own times say nothing about what the list shows.
    ASSERT_EQ(::utimes(folder.c_str(), times), 0);
    EXPECT_EQ(WaitAndRearm(*handle, 0), TRearm::Quiet);
}

TEST(ChangeNotification, AWatchedFolderThatGoesAwayKillsTheHandle) {
    TempDir dir;
    const std::string folder = dir.MakeDir("gone");
    auto handle = TChangeNotification::Create(folder, 0x3, false);
    ASSERT_TRUE(handle);
    fs::remove(folder);
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Dead);
}

TEST(ChangeNotification, NoHandleForWhatCannotBeWatched) {
    TempDir dir;
    EXPECT_FALSE(TChangeNotification::Create("", 0x3, false));
    EXPECT_FALSE(TChangeNotification::Create("relative/path", 0x3, false));
    EXPECT_FALSE(TChangeNotification::Create(dir.File("missing"), 0x3, false));
    EXPECT_FALSE(TChangeNotification::Create(dir.Write("file", "x"), 0x3, false));
}

TEST(ChangeNotification, ASubtreeWatchReportsNamedSubfoldersOnly) {
    TempDir dir;
    dir.MakeDir("shown/deeper");
    dir.MakeDir("outside");
    TempDir elsewhere;
    auto handle = TChangeNotification::Create(dir.Path(), FILE_NOTIFY_CHANGE_DIR_NAME, true);
    ASSERT_TRUE(handle);
    // Folders outside the root and the root itself are not subfolders to watch.
    handle->SetWatchedSubfolders(
        {dir.File("shown"), elsewhere.Path() + "/", dir.Path() + "/", dir.File("missing")});
    EXPECT_EQ(handle->WatchedSubfolders(), std::vector<std::string>{dir.File("shown") + "/"});

    dir.MakeDir("shown/deeper/new");
    EXPECT_EQ(WaitAndRearm(*handle, 0), TRearm::Quiet) << "a folder nobody named";
    dir.MakeDir("shown/new");
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);
    dir.MakeDir("rootnew");
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);

    // Naming another set drops the watches no longer named.
    handle->SetWatchedSubfolders({dir.File("outside/")});
    EXPECT_EQ(handle->WatchedSubfolders(), std::vector<std::string>{dir.File("outside") + "/"});
    dir.MakeDir("shown/other");
    EXPECT_EQ(WaitAndRearm(*handle, 0), TRearm::Quiet);
    dir.MakeDir("outside/new");
    EXPECT_EQ(WaitAndRearm(*handle), TRearm::Changed);
}

TEST(ChangeNotification, APlainWatchIgnoresNamedSubfolders) {
    TempDir dir;
    dir.MakeDir("sub");
    auto handle = TChangeNotification::Create(dir.Path(), 0x3, false);
    ASSERT_TRUE(handle);
    handle->SetWatchedSubfolders({dir.File("sub")});
    EXPECT_TRUE(handle->WatchedSubfolders().empty());
}

TEST(VolumeChanges, ReportsUserVolumesThatCameAndWent) {
    // mountinfo lines: id parent major:minor root mountpoint options - fstype source.
    const char* before = "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                         "23 22 0:21 / /proc rw - proc proc rw\n"
                         "26 22 8:17 / /media/me/OLD rw - vfat /dev/sdb1 rw\n"
                         "27 22 8:33 / /media/me/SAME rw - vfat /dev/sdc1 rw\n";
    const char* after = "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                        "27 22 8:33 / /media/me/SAME rw - vfat /dev/sdc1 rw\n"
                        "31 22 0:45 / /run/user/1000/doc rw - fuse.portal portal rw\n"
                        "32 22 8:49 / /media/me/NEW rw - ext4 /dev/sdd1 rw\n"
                        "33 22 0:50 / /mnt/share rw - nfs4 server:/export rw\n";
    TempDir sys; // no removable flags: classification plays no part here
    const auto was = ParseMountInfo(before, sys.Path());
    const auto is = ParseMountInfo(after, sys.Path());
    const std::vector<TVolumeChange> expected = {
        {DBT_DEVICEREMOVECOMPLETE, "/media/me/OLD"},
        {DBT_DEVICEARRIVAL, "/media/me/NEW"},
        {DBT_DEVICEARRIVAL, "/mnt/share"},
    };
    EXPECT_EQ(DiffUserVolumes(was, is), expected);
    EXPECT_TRUE(DiffUserVolumes(is, is).empty());

    // Another medium in the same place: the old one went and the new one came.
    const char* swapped = "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                          "27 22 8:65 / /media/me/SAME rw - vfat /dev/sde1 rw\n";
    const std::vector<TVolumeChange> swap = {
        {DBT_DEVICEREMOVECOMPLETE, "/media/me/SAME"},
        {DBT_DEVICEARRIVAL, "/media/me/SAME"},
    };
    const auto one = ParseMountInfo("22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                    "27 22 8:33 / /media/me/SAME rw - vfat /dev/sdc1 rw\n",
                                    sys.Path());
    EXPECT_EQ(DiffUserVolumes(one, ParseMountInfo(swapped, sys.Path())), swap);
}
