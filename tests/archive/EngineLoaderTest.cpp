// Finding and checking the engine library: stand-in libraries of every version the loader
// must accept or refuse, DLLDirectory's rules, and the load reasons.
#include "archive/UnzEngine.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/EngineTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Shows the path a load message carries, where a linked text would show it.
void ShowPaths(TZipExtractor& zip) {
    zip.OnZipStr = [](TZipExtractor*, int id, std::string& text) {
        if (id == zm::EngineLoad || id == zm::EngineVersion)
            text = "engine %s";
    };
}

class EngineLoading : public ::testing::Test {
protected:
    void SetUp() override {
        FDir.Write("preview.png", "picture");
        Zip(FDir.Path(), "a.zip preview.png");
        FOut = FDir.MakeDir("out") + "/";
    }
    void Prepare(TZipExtractor& zip) {
        zip.SetZipFileName(FDir.File("a.zip"));
        zip.FSpecArgs().push_back("preview.png");
        zip.SetExtrBaseDir(FOut);
    }
    TempDir FDir;
    std::string FOut;
};

} // namespace

TEST_F(EngineLoading, OnlyVersionsFrom172To300Extract) {
    struct Case {
        const char* folder;
        bool accepted;
    };
    // 153 to 171 load but are too old to extract; the others are refused at load.
    const Case cases[] = {{"v152", false}, {"v153", false}, {"v171", false},     {"v172", true},
                          {"v300", true},  {"v301", false}, {"noversion", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const std::string library = StandInFolder(c.folder) + "/libunzengine.so";
        MessageCapture boxes;
        TZipExtractor zip;
        ShowPaths(zip);
        MessageLog log(zip);
        Prepare(zip);
        zip.SetDLLDirectory(StandInFolder(c.folder));
        zip.Extract();
        if (c.accepted) {
            EXPECT_EQ(zip.ErrCode(), 0);
            EXPECT_TRUE(boxes.Shown().empty());
            EXPECT_TRUE(zip.FSpecArgs().empty());
        } else {
            EXPECT_EQ(zip.ErrCode(), zm::EngineVersion);
            EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"engine " + library});
            EXPECT_EQ(zip.FSpecArgs(), std::vector<std::string>{"preview.png"});
        }
        EXPECT_EQ(zip.UnzEngine().LoadReasons(), 0u);
        EXPECT_FALSE(LibraryMapped(library));
    }
}

TEST_F(EngineLoading, WithoutLinkedTextsTheUserSeesTheMessageNumber) {
    LinkedTexts none({});
    MessageCapture boxes;
    TZipExtractor zip;
    Prepare(zip);
    zip.SetDLLDirectory(StandInFolder("v171"));
    EXPECT_EQ(zip.Extract(), zm::EngineVersion);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{FallbackText(zm::EngineVersion)});
}

TEST_F(EngineLoading, TheEngineFolderIsLookedInFirst) {
    const std::string bin = BinFolder();
    const std::string broken = FDir.Write("broken/libunzengine.so", "not a library");
    struct Case {
        const char* label;
        std::string folder;
        std::string loaded; // the library's path, or the message shown
    };
    const Case cases[] = {
        {"absolute", StandInFolder("v172"), "loaded " + StandInFolder("v172") + "/libunzengine.so"},
        {"trailing slash", StandInFolder("v300") + "/",
         "loaded " + StandInFolder("v300") + "/libunzengine.so"},
        // A leading dot means below the program's folder, not the current one.
        {"below the program", "./test-engines/v172",
         "loaded " + StandInFolder("v172") + "/libunzengine.so"},
        {"beside the program", "../bin/test-engines/v300",
         "loaded " + StandInFolder("v300") + "/libunzengine.so"},
        // No engine there: the dynamic loader's search finds the one beside the program.
        {"empty folder", FDir.MakeDir("empty"), "loaded " + bin + "libunzengine.so"},
        {"no such folder", "./no/such/folder", "loaded " + bin + "libunzengine.so"},
        {"none set", "", "loaded " + bin + "libunzengine.so"},
        // A file that is there but is no library is reported with the path tried.
        {"broken library", FDir.File("broken"), "engine " + broken},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        MessageCapture boxes;
        TZipExtractor zip;
        ShowPaths(zip);
        zip.SetVerbose(true);
        MessageLog log(zip);
        Prepare(zip);
        zip.SetDLLDirectory(c.folder);
        zip.Extract();
        ASSERT_FALSE(log.Events().empty());
        EXPECT_EQ(log.Events().front().text, c.loaded);
    }
}

TEST(EngineLoader, ReasonsKeepTheLibraryLoaded) {
    TZipExtractor zip;
    zip.SetDLLDirectory(StandInFolder("v153"));
    TUnzEngine& loader = zip.UnzEngine();
    EXPECT_EQ(loader.LibPath(), "libunzengine.so");
    EXPECT_EQ(loader.LibKind(), 0);

    EXPECT_EQ(loader.LoadEngine(TEngineLoader::lrHeld), 153);
    EXPECT_EQ(loader.LibPath(), StandInFolder("v153") + "/libunzengine.so");
    EXPECT_EQ(loader.PrivVersion(), 1);
    EXPECT_EQ(loader.LoadEngine(TEngineLoader::lrOperation), 153);
    EXPECT_EQ(loader.UnloadEngine(TEngineLoader::lrHeld), 153);
    EXPECT_TRUE(loader.Loaded());
    EXPECT_EQ(loader.ReleaseHold(false), 0);
    EXPECT_FALSE(loader.Loaded());

    // Too old for extraction: unloaded for every reason, then refused.
    loader.LoadEngine(TEngineLoader::lrHeld);
    try {
        loader.RequireVersion(TUnzEngine::kMinExtractVersion, true);
        ADD_FAILURE() << "accepted version 153";
    } catch (const EZipExtractor& e) {
        EXPECT_EQ(e.MessageId(), zm::EngineVersion);
        EXPECT_EQ(e.TextArg(), StandInFolder("v153") + "/libunzengine.so");
    }
    EXPECT_FALSE(loader.Loaded());
    EXPECT_EQ(loader.LoadReasons(), 0u);

    // A failed load leaves no reason behind.
    zip.SetDLLDirectory(StandInFolder("v301"));
    EXPECT_THROW(loader.LoadEngine(TEngineLoader::lrHeld), EZipExtractor);
    EXPECT_EQ(loader.LoadReasons(), 0u);
    EXPECT_EQ(loader.Version(), 0);
    EXPECT_EQ(loader.LoadLibraryFile(StandInFolder("noversion") + "/libunzengine.so", false), 0);
    EXPECT_FALSE(loader.Loaded());
}
