#include "platform/MountTable.h"

#include "tests/common/TempDir.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace platform;

namespace {

// A mountinfo excerpt in the kernel's format: id parent major:minor root mountpoint opts
// [optional fields] - fstype source superopts. 8:16 is a USB stick's partition, 8:0 a
// fixed disk, 11:0 a CD drive.
constexpr const char* kMountInfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
    "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
    "24 22 0:5 / /dev rw - devtmpfs udev rw\n"
    "25 22 0:26 / /tmp rw - tmpfs tmpfs rw\n"
    "26 22 8:17 / /media/me/USB\\040STICK rw shared:5 master:2 - vfat /dev/sdb1 rw\n"
    "27 22 11:0 / /media/me/CDROM ro - iso9660 /dev/sr0 ro\n"
    "28 22 0:50 / /mnt/share rw - nfs4 server:/export rw\n"
    "29 22 8:3 / /home rw - ext4 /dev/sda3 rw\n"
    "garbage line\n"
    "30 22 0:60 / relative rw - ext4 /dev/x rw\n";

} // namespace

TEST(MountTable, ParsesAndClassifiesTheKernelsTable) {
    TempDir sys;
    sys.Write("dev/block/8:16/removable", "1\n");
    sys.Write("dev/block/8:17/partition", "1\n");
    sys.Write("dev/block/8:17/../removable", "1\n");
    sys.Write("dev/block/8:2/removable", "0\n");
    const auto mounts = ParseMountInfo(kMountInfo, sys.Path());
    ASSERT_EQ(mounts.size(), 8u);
    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].kind, MountKind::Fixed);
    EXPECT_EQ(mounts[1].kind, MountKind::Pseudo);
    EXPECT_EQ(mounts[2].kind, MountKind::Pseudo);
    EXPECT_EQ(mounts[3].kind, MountKind::RamDisk);
    EXPECT_EQ(mounts[4].mountPoint, "/media/me/USB STICK");
    EXPECT_EQ(mounts[4].source, "/dev/sdb1");
    EXPECT_EQ(mounts[5].kind, MountKind::Optical);
    EXPECT_EQ(mounts[6].kind, MountKind::Remote);
    EXPECT_EQ(mounts[7].mountPoint, "/home");
}

TEST(MountTable, FindsTheMountHoldingAPathAndTheUserVolumes) {
    const auto mounts = ParseMountInfo(kMountInfo, "/nonexistent");
    EXPECT_EQ(FindMountFor(mounts, "/home/me/a.jib")->mountPoint, "/home");
    EXPECT_EQ(FindMountFor(mounts, "/homework")->mountPoint, "/");
    EXPECT_EQ(FindMountFor(mounts, "/media/me/USB STICK/x")->mountPoint, "/media/me/USB STICK");
    EXPECT_EQ(FindMountFor({}, "/x"), nullptr);

    std::vector<std::string> volumes;
    for (const auto& m : mounts) {
        if (IsUserVolume(m))
            volumes.push_back(m.mountPoint);
    }
    EXPECT_EQ(volumes, (std::vector<std::string>{"/", "/media/me/USB STICK", "/media/me/CDROM",
                                                 "/mnt/share"}));
}

TEST(MountTable, ReadsThisMachinesTable) {
    const auto mounts = ReadMountTable();
    ASSERT_FALSE(mounts.empty());
    ASSERT_NE(FindMountFor(mounts, "/"), nullptr);
}

// The table is kept between calls; a mount or unmount made since shows in the next one. A
// child process in a mount namespace of its own mounts a tmpfs, so the machine's table is
// left alone; it answers through its exit status.
TEST(MountTable, AMountOrUnmountShowsInTheNextRead) {
    TempDir dir;
    const std::string point = dir.MakeDir("point");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 && ::unshare(CLONE_NEWNS) != 0)
            ::_exit(77);
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        const auto holds = [&point] {
            const auto mounts = ReadMountTable();
            const MountEntry* m = FindMountFor(mounts, point + "/x");
            return m != nullptr && m->mountPoint == point;
        };
        if (holds() || ReadMountTable().empty())
            ::_exit(1);
        if (::mount("tmpfs", point.c_str(), "tmpfs", 0, nullptr) != 0)
            ::_exit(77);
        if (!holds())
            ::_exit(2);
        if (!holds()) // read again, from the kept table
            ::_exit(3);
        if (::umount(point.c_str()) != 0 || holds())
            ::_exit(4);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no mount namespace of its own can be made here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
