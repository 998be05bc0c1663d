#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"
#include "util/plkIni.h"

#include <gtest/gtest.h>

TEST(plkIni, IntegersAcceptHexInBothSpellingsBlanksAndSigns) {
    TempDir dir;
    const std::string ini = dir.Write("s.ini", "[General]\n"
                                               "A=0x1F\nB=$1F\nC= 42\nD=42px\nE=0X10\nF=0x\n"
                                               "G=-5\nH=99999999999\nI=\nJ=abc\n");
    const std::pair<const char*, int> cases[] = {{"A", 31}, {"B", 31}, {"C", 42},  {"D", -1},
                                                 {"E", 16}, {"F", -1}, {"G", -5},  {"H", -1},
                                                 {"I", -1}, {"J", -1}, {"Missing", -1}};
    for (const auto& [key, expected] : cases)
        EXPECT_EQ(IniReadInteger(ini, "General", key, -1), expected) << key;
}

TEST(plkIni, EmptyStringsReadAsTheDefaultAndLongOnesAreCut) {
    TempDir dir;
    const std::string longValue(3000, 'x');
    const std::string ini =
        dir.Write("s.ini", "[General]\nLastFolder=\nLong=" + longValue + "\nName=value\n");
    EXPECT_EQ(IniReadString(ini, "General", "LastFolder", "/exe/"), "/exe/");
    EXPECT_EQ(IniReadString(ini, "General", "Long", ""), longValue.substr(0, 2047));
    EXPECT_EQ(IniReadString(ini, "general", "NAME", ""), "value");
}

TEST(plkIni, ReadingAMissingFileGivesDefaultsAndCreatesNothing) {
    TempDir dir;
    const std::string ini = dir.File("JibSettings.ini");
    EXPECT_EQ(IniReadString(ini, "General", "LastFolder", "/exe/"), "/exe/");
    EXPECT_EQ(IniReadInteger(ini, "General", "MainSplit", 300), 300);
    EXPECT_FALSE(FileExists(ini));
}

TEST(plkIni, WritesAnswerTrueAndRoundTrip) {
    TempDir dir;
    const std::string ini = dir.File("JibSettings.ini");
    EXPECT_TRUE(IniWriteString(ini, "General", "LastFolder", "/home/me/My JIBs/"));
    EXPECT_TRUE(IniWriteInteger(ini, "General", "MainSplit", INT32_MIN));
    EXPECT_EQ(IniReadString(ini, "General", "LastFolder", ""), "/home/me/My JIBs/");
    EXPECT_EQ(IniReadInteger(ini, "General", "MainSplit", 0), INT32_MIN);
}

TEST(plkIni, RefusedWritesAnswerFalseAndShowNothing) {
    MessageCapture capture;
    TempDir dir;
    const std::string ini = dir.Write("plain", "x") + "/JibSettings.ini";
    EXPECT_FALSE(IniWriteString(ini, "General", "LastFolder", "/"));
    EXPECT_FALSE(IniWriteInteger(ini, "General", "MainSplit", 1));
    EXPECT_FALSE(IniWriteString(dir.File("ok.ini"), "General", "LastFolder", "a\nb"));
    EXPECT_TRUE(capture.Shown().empty());
}
