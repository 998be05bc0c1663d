#include "platform/Launcher.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

TEST(Launcher, MissingLocalTargetsFailBeforeAnythingStarts) {
    TempDir dir;
    EXPECT_EQ(ShellOpen(dir.File("absent.jib"), "", ""), kLaunchFileNotFound);
    EXPECT_EQ(ShellOpen(dir.File("no/such/folder/file.jib"), "", ""), kLaunchPathNotFound);
    EXPECT_EQ(ShellOpen("", "", ""), kLaunchFileNotFound);
}

TEST(Launcher, XdgOpenStatusesMapOntoLaunchCodes) {
    EXPECT_GT(LaunchCodeFromXdgOpenStatus(0), 32);
    EXPECT_EQ(LaunchCodeFromXdgOpenStatus(1), kLaunchAssociationIncomplete);
    EXPECT_EQ(LaunchCodeFromXdgOpenStatus(2), kLaunchFileNotFound);
    EXPECT_EQ(LaunchCodeFromXdgOpenStatus(3), kLaunchNoAssociation);
    EXPECT_EQ(LaunchCodeFromXdgOpenStatus(4), kLaunchNoAssociation);
}

TEST(Launcher, ExecutablesRunWithTheirParametersInTheDefaultFolder) {
    TempDir dir;
    const std::string script =
        dir.Write("record.sh", "#!/bin/sh\npwd > \"$1\"\necho \"$2\" >> \"$1\"\n");
    ::chmod(script.c_str(), 0755);
    const std::string work = dir.MakeDir("work");
    EXPECT_GT(ShellOpen(script, dir.File("out.txt") + " second", work), 32);
    // The script runs detached; poll for its output rather than sleeping a fixed time.
    for (int i = 0; i < 500 && ReadFileText(dir.File("out.txt")).find("second") == std::string::npos; ++i)
        ::usleep(10000);
    EXPECT_EQ(ReadFileText(dir.File("out.txt")), work + "\nsecond\n");
}
