#include "platform/Profile.h"

#include "tests/common/TempDir.h"

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

using platform::ReadProfileString;
using platform::WriteProfileString;

TEST(Profile, MissingFileSectionOrKeyGiveTheDefaultAndCreateNothing) {
    TempDir dir;
    const std::string ini = dir.File("missing.ini");
    EXPECT_EQ(ReadProfileString(ini, "General", "LastFolder", "fallback"), "fallback");
    EXPECT_FALSE(FileExists(ini));

    dir.Write("a.ini", "[General]\nMainSplit=300\n");
    EXPECT_EQ(ReadProfileString(dir.File("a.ini"), "Other", "MainSplit", "d"), "d");
    EXPECT_EQ(ReadProfileString(dir.File("a.ini"), "General", "Nope", "d"), "d");
}

TEST(Profile, NamesCompareWithoutCaseAndValuesLoseSurroundingBlanksAndQuotes) {
    TempDir dir;
    const std::string ini =
        dir.Write("a.ini", "[general]\r\n  mainsplit = 31 \r\nQuoted=\" x \"\r\n");
    EXPECT_EQ(ReadProfileString(ini, "GENERAL", "MainSplit", ""), "31");
    EXPECT_EQ(ReadProfileString(ini, "General", "quoted", ""), " x ");
}

TEST(Profile, TextInMemoryReadsAndChangesAsTheFileDoes) {
    TempDir dir;
    const std::string text = "top=1\n[General]\r\nMainSplit = 31\n[general]\nMainSplit=2\n"
                             "[Other\nkey=3\n[Other]\nKey='q'\n\n[Empty]";
    const std::string ini = dir.Write("a.ini", text);
    const std::pair<const char*, const char*> keys[] = {
        {"General", "MainSplit"}, {"Other", "key"}, {"other", "KEY"}, {"Empty", "x"}, {"", "top"}};
    for (const auto& [section, key] : keys) {
        EXPECT_EQ(platform::ReadProfileStringFromText(text, section, key, "d", 2),
                  ReadProfileString(ini, section, key, "d", 2));
        EXPECT_EQ(platform::ReadProfileStringFromText(text, section, key, "d"),
                  ReadProfileString(ini, section, key, "d"))
            << section << " " << key;
        EXPECT_EQ(platform::ProfileTextHasSection(text, section),
                  platform::ProfileSectionExists(ini, section));

        const std::string copy = dir.Write("b.ini", text);
        const auto written = platform::ProfileTextWithString(text, section, key, "v");
        EXPECT_EQ(written.has_value(), WriteProfileString(copy, section, key, "v"));
        EXPECT_EQ(written.value_or(text), ReadFileText(copy)) << section << " " << key;
        dir.Write("b.ini", text);
        ASSERT_TRUE(platform::DeleteProfileKey(copy, section, key));
        EXPECT_EQ(platform::ProfileTextWithoutKey(text, section, key), ReadFileText(copy));
        dir.Write("b.ini", text);
        ASSERT_TRUE(platform::DeleteProfileSection(copy, section));
        EXPECT_EQ(platform::ProfileTextWithoutSection(text, section), ReadFileText(copy));
    }
}

TEST(Profile, LongValuesComeBackCutToTheBuffer) {
    TempDir dir;
    const std::string value(3000, 'v');
    const std::string ini = dir.Write("a.ini", "[General]\nLastFolder=" + value + "\n");
    EXPECT_EQ(ReadProfileString(ini, "General", "LastFolder", ""), value.substr(0, 2047));
    EXPECT_EQ(ReadProfileString(ini, "General", "LastFolder", "", 10), value.substr(0, 9));
}

TEST(Profile, WritesCreateFileAndSectionsAndKeepOrder) {
    TempDir dir;
    const std::string ini = dir.File("new.ini");
    ASSERT_TRUE(WriteProfileString(ini, "General", "LastFolder", "/home/me/"));
    ASSERT_TRUE(WriteProfileString(ini, "General", "MainSplit", "300"));
    ASSERT_TRUE(WriteProfileString(ini, "frmJIBMainPosition", "State", "0"));
    ASSERT_TRUE(WriteProfileString(ini, "GENERAL", "mainsplit", "250")); // replaces in place
    ASSERT_TRUE(WriteProfileString(ini, "General", "BrowserSplit", "250"));
    EXPECT_EQ(ReadFileText(ini), "[General]\n"
                                 "LastFolder=/home/me/\n"
                                 "mainsplit=250\n"
                                 "BrowserSplit=250\n"
                                 "\n"
                                 "[frmJIBMainPosition]\n"
                                 "State=0\n");
}

// Found by fuzzing: a line ending in two carriage returns lost one on every rewrite, so
// writing one key changed the value of another.
TEST(Profile, WritingOneKeyLeavesTheOthersReadingTheSameWhateverTheirLineEnds) {
    TempDir dir;
    const std::string ini =
        dir.Write("a.ini", "[General]\r\nA=1\r\r\nB=2\r\nC=3\rD\nE= 5 \r\r\r\n[Other]\rF=6");
    const char* keys[] = {"A", "B", "C", "E", "F"};
    std::vector<std::string> before;
    for (const char* key : keys)
        before.push_back(ReadProfileString(ini, "General", key, "-"));
    EXPECT_EQ(before, (std::vector<std::string>{"1", "2", "3\rD", "5", "-"}));
    ASSERT_TRUE(WriteProfileString(ini, "General", "New", "7"));
    for (std::size_t i = 0; i < std::size(keys); ++i)
        EXPECT_EQ(ReadProfileString(ini, "General", keys[i], "-"), before[i]) << keys[i];
}

TEST(Profile, WritesKeepForeignLinesAndLeaveNoTemporaryFiles) {
    TempDir dir;
    const std::string ini = dir.Write("a.ini", "; kept comment\n[General]\nx=1\n\n[Other]\ny=2\n");
    ASSERT_TRUE(WriteProfileString(ini, "Other", "y", "3"));
    ASSERT_TRUE(WriteProfileString(ini, "General", "z", "4"));
    EXPECT_EQ(ReadFileText(ini), "; kept comment\n[General]\nx=1\nz=4\n\n[Other]\ny=3\n");
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1);
}

TEST(Profile, DeletesRemoveKeysAndSections) {
    TempDir dir;
    const std::string ini = dir.Write("a.ini", "[A]\nx=1\ny=2\n[B]\nz=3\n");
    ASSERT_TRUE(platform::DeleteProfileKey(ini, "a", "X"));
    ASSERT_TRUE(platform::DeleteProfileSection(ini, "b"));
    EXPECT_EQ(ReadFileText(ini), "[A]\ny=2\n");
    EXPECT_TRUE(platform::ProfileSectionExists(ini, "A"));
    EXPECT_FALSE(platform::ProfileSectionExists(ini, "B"));
}

TEST(Profile, RefusedWritesAnswerFalseAndChangeNothing) {
    TempDir dir;
    const std::string notAFolder = dir.Write("plain", "x");
    EXPECT_FALSE(WriteProfileString(notAFolder + "/JibSettings.ini", "General", "k", "v"));
    EXPECT_FALSE(WriteProfileString(dir.File("a.ini"), "General", "k", "two\nlines"));
    EXPECT_FALSE(WriteProfileString(dir.File("a.ini"), "Gen]eral", "k", "v"));
    EXPECT_FALSE(WriteProfileString(dir.File("a.ini"), "General", "k=", "v"));
    EXPECT_FALSE(FileExists(dir.File("a.ini")));
}

TEST(Profile, WritesGoThroughALinkToItsTarget) {
    TempDir dir;
    const std::string real = dir.Write("real.ini", "[A]\nx=1\n");
    std::filesystem::create_symlink(real, dir.File("link.ini"));
    ASSERT_TRUE(WriteProfileString(dir.File("link.ini"), "A", "x", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(ReadFileText(real), "[A]\nx=2\n");
}
