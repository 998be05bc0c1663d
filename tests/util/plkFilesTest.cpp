#include "util/plkFiles.h"

#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <unistd.h>

#include <gtest/gtest.h>

TEST(plkFiles, ExtensionTestMatchesWholeExtensionsWithoutCase) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"/home/me/Logo.JIB", "*.jib;", true},         {"/home/me/logo.jib.old", "*.jib;", false},
        {"/home/me/Data.jib/readme", "*.jib;", false}, {"/home/me/logo.jibx", "*.jib;", false},
        {"/home/me/logo.ji", "*.jib;", false},         {"/home/me/shot.jib", "*.png;*.jib;", true},
        {"/home/me/shot.PNG", "*.png;*.jib;", true},   {"/home/me/readme", "*.jib;", false},
        {"/home/me/readme", "*.jib;*;", true},         {"/home/me/.jib", "*.JIB;", true},
    };
    for (const auto& [name, list, expected] : cases)
        EXPECT_EQ(IsExtInList(name, list), expected) << name << " in " << list;
}

TEST(plkFiles, FoldersEndWithASlash) {
    const std::string exe = GetExeFolder();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    EXPECT_EQ(exe, GetModuleFolder());
    EXPECT_EQ(::access((exe + "util_tests").c_str(), X_OK), 0);
    const std::string temp = GetTempFolder();
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), '/');
}

TEST(plkFiles, DeleteFileQuietDeletesOrSaysNothing) {
    TempDir dir;
    const std::string file = dir.Write("preview.png", "x");
    DeleteFileQuiet(file);
    EXPECT_FALSE(FileExists(file));
    DeleteFileQuiet(file);
    DeleteFileQuiet("");
    DeleteFileQuiet(dir.Path()); // a folder is not deleted, and nothing is raised
    EXPECT_TRUE(FileExists(dir.Path()));
}

TEST(plkFiles, LaunchErrorTextsFollowTheCodeTable) {
    MessageCapture capture;
    ShowExecuteError(42, nullptr, "x");
    EXPECT_TRUE(capture.Shown().empty());

    ShowExecuteError(31, nullptr, "");
    ShowExecuteError(2, nullptr, "/home/me/a.jib");
    ShowExecuteError(2, nullptr, "");
    ShowExecuteError(0, nullptr, "");
    ShowExecuteError(17, nullptr, "");
    ShowExecuteError(-1, nullptr, "");
    ShowExecuteError(32, nullptr, "");
    const std::vector<std::string> expected = {
        "Unable to execute file:\n\nNo application is set up to open files of this type.",
        "Unable to execute file:\n\n/home/me/a.jib\n\nThe specified file was not found.",
        "Unable to execute file:\n\n\n\nThe specified file was not found.",
        "Unable to execute file:\n\nThe operating system is out of memory or resources.",
        "Unable to execute file:\n\nAn unknown error occurred when trying to load file in "
        "associated application.",
        "Unable to execute file:\n\nAn unknown error occurred when trying to load file in "
        "associated application.",
        "Unable to execute file:\n\nThe specified dynamic-link library was not found.",
    };
    EXPECT_EQ(capture.Texts(), expected);
    for (const auto& shown : capture.Shown()) {
        EXPECT_EQ(shown.Caption, "Quillbrew Free JIB Viewer");
        EXPECT_EQ(shown.Flags, MB_OK); // plain box: no icon
    }
    EXPECT_EQ(ExecuteErrorText(31, "/home/me/a.jib"),
              "No application is set up to open /home/me/a.jib.");
    EXPECT_EQ(ExecuteErrorText(5, ""), "The operating system denied access to the specified file.");
    EXPECT_EQ(ExecuteErrorText(26, ""), "A sharing violation occurred.");
    EXPECT_EQ(ExecuteErrorText(30, ""), "The DDE transaction could not be completed because other "
                                        "DDE transactions were being processed.");
}

TEST(plkFiles, LaunchPathsLongerThan255CharactersAreRefused) {
    MessageCapture capture;
    TempDir dir;
    // Both names lie in an existing folder but name no file, so nothing is started.
    const std::string prefix = dir.Path() + "/";
    const std::string name255 = prefix + std::string(255 - prefix.size(), 'a');
    const std::string name256 = name255 + "a";
    EXPECT_EQ(ExecuteFile(name255, "", "", SW_SHOWNORMAL), 2); // not found, but tried
    EXPECT_TRUE(capture.Shown().empty());
    EXPECT_EQ(ExecuteFile(name256, "", "", SW_SHOWNORMAL), 2);
    ASSERT_EQ(capture.Shown().size(), 1u);
    EXPECT_EQ(capture.Shown()[0].Text,
              "The path to the file is too long, please ensure the path is less than 255 "
              "characters.");
    EXPECT_EQ(capture.Shown()[0].Caption, "Information");
    EXPECT_EQ(capture.Shown()[0].Flags, MB_OK | MB_ICONINFORMATION);
}

TEST(plkFiles, OpenURLWithAnOverlongAddressShowsTwoMessages) {
    MessageCapture capture;
    OpenURL("https://www.quillbrew.com/" + std::string(300, 'x'), nullptr);
    ASSERT_EQ(capture.Shown().size(), 2u);
    EXPECT_EQ(capture.Shown()[0].Caption, "Information");
    EXPECT_EQ(capture.Shown()[1].Text,
              "Unable to execute file:\n\n\n\nThe specified file was not found.");
}
