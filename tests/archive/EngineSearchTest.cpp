// The engine library where nothing finds it. This program runs from a folder without an
// engine and has no RUNPATH, so neither the folder beside it nor the dynamic loader's
// search for the bare name finds one, as on a system without the engine: an engine is
// found only where DLLDirectory points.
#include "archive/UnzEngine.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/EngineTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

TEST(EngineSearch, AMissingEngineIsReportedWithThePathTried) {
    TempDir dir;
    dir.Write("preview.png", "picture");
    Zip(dir.Path(), "a.zip preview.png");
    const std::string out = dir.MakeDir("out") + "/";
    struct Case {
        const char* label;
        std::string folder;
        bool found;
    };
    const Case cases[] = {
        {"none set", "", false},
        {"a folder without it", dir.Path(), false},
        {"below the program, nothing there", "./no-engine-here", false},
        {"the program's folder", ".", false},
        // Found through DLLDirectory alone: the dots are the program's folder.
        {"above the program", "..", true},
        {"above the program, by name", "../../bin", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        MessageCapture boxes;
        TZipExtractor zip;
        zip.OnZipStr = [](TZipExtractor*, int id, std::string& text) {
            if (id == zm::EngineLoad)
                text = "cannot load %s";
        };
        zip.SetZipFileName(dir.File("a.zip"));
        zip.FSpecArgs().push_back("preview.png");
        zip.SetExtrBaseDir(out);
        zip.SetExtrOptions(ExtrOverWrite);
        zip.SetDLLDirectory(c.folder);
        const int result = zip.Extract();
        if (c.found) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(boxes.Shown().empty());
            EXPECT_EQ(ReadBytes(out + "preview.png"), "picture");
        } else {
            EXPECT_EQ(result, zm::EngineLoad);
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"cannot load libunzengine.so"});
            EXPECT_FALSE(FileExists(out + "preview.png"));
            EXPECT_EQ(zip.FSpecArgs(), std::vector<std::string>{"preview.png"});
            EXPECT_EQ(zip.UnzEngine().LoadReasons(), 0u);
        }
        ::unlink((out + "preview.png").c_str());
    }
}
