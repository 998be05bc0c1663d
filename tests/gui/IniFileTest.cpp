#include "gui/IniFile.h"

#include "gui/Exceptions.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

TEST(IniFile, ReadsAndWritesTypedValues) {
    TempDir dir;
    TIniFile ini(dir.File("a.ini"));
    ini.WriteInteger("General", "MainSplit", -12);
    ini.WriteBool("General", "Flag", true);
    ini.WriteString("General", "Name", "caf\xC3\xA9");
    EXPECT_EQ(ini.ReadInteger("general", "mainsplit", 0), -12);
    EXPECT_TRUE(ini.ReadBool("General", "Flag", false));
    EXPECT_EQ(ini.ReadString("General", "Name", ""), "caf\xC3\xA9");
    EXPECT_EQ(ini.ReadInteger("General", "Name", 7), 7);
    EXPECT_TRUE(ini.SectionExists("GENERAL"));
    ini.EraseSection("General");
    EXPECT_FALSE(ini.SectionExists("General"));
}

TEST(IniFile, AWriteTheFileRefusesRaisesUnableToWrite) {
    TempDir dir;
    const std::string path = dir.Write("plain", "x") + "/JibSettings.ini";
    TIniFile ini(path);
    try {
        ini.WriteString("General", "LastFolder", "/");
        FAIL() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + path);
    }
}
