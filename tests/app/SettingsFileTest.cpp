// Where the settings live: beside a program whose folder the user may write, else in the
// user's configuration folder. The ReadOnlySettings cases run through run-readonly.sh,
// from a copy of this binary in a folder the process may not write (as the unprivileged
// user "nobody" when the suite runs as root), and again from a writable copy marked as an
// installed one (as root runs an installed copy); ReadOnlySettingsBeside also finds a
// settings file beside a read-only copy.
#include "app/SettingsFile.h"

#include "app/FbSplit.h"
#include "app/JIBMainForm.h"
#include "gui/Application.h"
#include "tests/common/HomeSandbox.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>

#include <gtest/gtest.h>

namespace {

// Opens the window as the program's entry does and closes it again, which writes every
// setting; answers the splitter position it opened with.
int OpenAndClose() {
    TfrmJIBMain form;
    Application().SetMainForm(&form);
    form.show();
    QApplication::processEvents();
    form.FormActivate();
    const int position = form.splitMain->Position();
    form.close();
    Application().SetMainForm(nullptr);
    return position;
}

int Mode(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

bool ProgramFolderReadOnly() {
    return !RunsAsCopyOfItsOwn();
}

} // namespace

TEST(SettingsFile, AWritableProgramFolderKeepsItsFileBesideTheProgram) {
    HomeSandbox home;
    const std::string beside = GetExeFolder() + "JibSettings.ini";
    const std::string user = home.Home() + "/.config/jibview/JibSettings.ini";
    home.Dir().Write(".config/jibview/JibSettings.ini", "[General]\nMainSplit=111\n");
    IniWriteString(beside, "General", "MainSplit", "222");
    EXPECT_EQ(SettingsFileToRead(), beside);
    EXPECT_EQ(SettingsFileToWrite(), beside);
    EXPECT_EQ(DefaultStartFolder(), GetExeFolder());

    MessageCapture capture;
    EXPECT_EQ(OpenAndClose(), 222);
    EXPECT_EQ(IniReadString(beside, "General", "LastFolder", ""), GetExeFolder());
    EXPECT_EQ(ReadFileText(user), "[General]\nMainSplit=111\n");
    EXPECT_TRUE(capture.Shown().empty());
    DeleteFileQuiet(beside);
}

TEST(ReadOnlySettings, AnInstalledCopyWritesThePerUserFileInPrivateFolders) {
    if (!ProgramFolderReadOnly())
        GTEST_SKIP() << "the executable's folder is writable; run through run-readonly.sh";
    HomeSandbox home;
    // Unset, or not absolute (which the base-directory rules say to ignore): ~/.config.
    for (const char* configHome : {"", "relative/config"}) {
        SCOPED_TRACE(configHome);
        std::optional<ScopedEnv> env;
        if (*configHome != '\0')
            env.emplace("XDG_CONFIG_HOME", configHome);
        EXPECT_EQ(UserSettingsFile(), home.Home() + "/.config/jibview/JibSettings.ini");
    }
    TempDir config;
    ScopedEnv configHome("XDG_CONFIG_HOME", config.File("made/on/close"));
    const std::string user = config.File("made/on/close/jibview/JibSettings.ini");
    ASSERT_EQ(UserSettingsFile(), user);
    EXPECT_EQ(SettingsFileToWrite(), user);
    // A first run opens the user's home, not the program's system folder.
    EXPECT_EQ(DefaultStartFolder(), home.Home() + "/");

    MessageCapture capture;
    EXPECT_EQ(OpenAndClose(), 300);
    EXPECT_EQ(IniReadString(user, "General", "LastFolder", ""), home.Home() + "/");
    EXPECT_EQ(IniReadInteger(user, "General", "MainSplit", -1), 300);
    EXPECT_NE(IniReadInteger(user, "frmJIBMainPosition", "Right", -1), -1);
    for (const std::string folder : {"made", "made/on", "made/on/close", "made/on/close/jibview"})
        EXPECT_EQ(Mode(config.File(folder)), 0700) << folder;
    EXPECT_FALSE(FileExists(ProgramSettingsFile()));

    // What was written is what the next start reads.
    IniWriteString(user, "General", "MainSplit", "150");
    EXPECT_EQ(OpenAndClose(), 150);
    EXPECT_TRUE(capture.Shown().empty());
}

TEST(ReadOnlySettings, AnUnwritableSettingsFileShowsNoError) {
    if (!ProgramFolderReadOnly())
        GTEST_SKIP() << "the executable's folder is writable; run through run-readonly.sh";
    // Neither beside the program nor under a home folder that does not exist can anything
    // be written; the window carries on without a word.
    ScopedEnv home("HOME", "/nonexistent");
    ScopedEnv configHome("XDG_CONFIG_HOME", "/nonexistent/.config");
    MessageCapture capture;
    EXPECT_EQ(OpenAndClose(), 300);
    EXPECT_TRUE(capture.Shown().empty());
    EXPECT_FALSE(FileExists(TfrmJIBMain::SettingsFileName()));
    EXPECT_FALSE(FileExists(ProgramSettingsFile()));
}

TEST(ReadOnlySettingsBeside, TheFileBesideIsReadUntilTheUsersOwnExists) {
    if (!ProgramFolderReadOnly() || !FileExists(ProgramSettingsFile()))
        GTEST_SKIP() << "needs run-readonly.sh --beside with a settings file";
    const std::string beside = ProgramSettingsFile();
    const std::string shipped = ReadFileText(beside);
    ASSERT_EQ(IniReadInteger(beside, "General", "MainSplit", -1), 222);
    HomeSandbox home;
    const std::string user = UserSettingsFile();
    EXPECT_EQ(SettingsFileToRead(), beside);

    MessageCapture capture;
    EXPECT_EQ(OpenAndClose(), 222);
    // The first close wrote every key into the user's file; the one beside is untouched.
    EXPECT_EQ(SettingsFileToRead(), user);
    EXPECT_EQ(IniReadInteger(user, "General", "MainSplit", -1), 222);
    EXPECT_EQ(ReadFileText(beside), shipped);

    // From now on the user's file wins, whole.
    IniWriteString(user, "General", "MainSplit", "150");
    EXPECT_EQ(OpenAndClose(), 150);
    EXPECT_EQ(ReadFileText(beside), shipped);
    EXPECT_TRUE(capture.Shown().empty());
}
