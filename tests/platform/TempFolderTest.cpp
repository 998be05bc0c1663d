#include "platform/TempFolder.h"
#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {


std::string Expected(const TempDir& base) {
    return base.Path() + "/jibview-" + std::to_string(::getuid()) + "/";
}

} // namespace

TEST(TempFolder, IsCreatedPrivateUnderTmpdir) {
    TempDir base;
    ScopedEnv env("TMPDIR", base.Path() + "/");
    EXPECT_EQ(platform::PrivateTempFolder(), Expected(base));
    struct stat st;
    ASSERT_EQ(::stat(Expected(base).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(platform::PrivateTempFolder(), Expected(base)); // second call reuses it
}

TEST(TempFolder, TightensAnOpenFolderOfOurs) {
    TempDir base;
    ScopedEnv env("TMPDIR", base.Path());
    const std::string folder = Expected(base);
    ::mkdir(folder.c_str(), 0777);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(platform::PrivateTempFolder(), folder);
    struct stat st;
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TempFolder, RefusesALinkOrAFilePlantedUnderItsName) {
    TempDir base;
    ScopedEnv env("TMPDIR", base.Path());
    const std::string folder = Expected(base);
    const std::string elsewhere = base.MakeDir("elsewhere");
    std::filesystem::create_symlink(elsewhere, folder.substr(0, folder.size() - 1));
    EXPECT_EQ(platform::PrivateTempFolder(), "");
    std::filesystem::remove(folder.substr(0, folder.size() - 1));
    base.Write("jibview-" + std::to_string(::getuid()), "plain file");
    EXPECT_EQ(platform::PrivateTempFolder(), "");
}

TEST(TempFolder, RefusesAFolderOwnedBySomeoneElse) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to hand a folder to another user";
    TempDir base;
    ScopedEnv env("TMPDIR", base.Path());
    const std::string folder = Expected(base);
    ::mkdir(folder.c_str(), 0700);
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    EXPECT_EQ(platform::PrivateTempFolder(), "");
}
