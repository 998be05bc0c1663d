// The command record's options and the callback conversation: which members are chosen,
// when a file is replaced, what is asked and reported, in which order.
#include "tests/common/TempDir.h"
#include "tests/engine/EngineDriver.h"
#include "tests/engine/ZipBuilder.h"

#include <cstring>
#include <sys/stat.h>
#include <utime.h>

#include <gtest/gtest.h>

namespace {

class ExtractOptions : public ::testing::Test {
protected:
    void SetUp() override {
        Preview = MakeContent(5000, 7, false);
        Dir.Write("src/preview.png", Preview);
        Dir.Write("src/layers/base.txt", MakeContent(20000, 8, true));
        Dir.Write("src/layers/Top.TXT", "top\n");
        Dir.Write("src/readme.txt", "read me\n");
        Archive = Dir.File("doc.jib");
        EXPECT_EQ(RunShell("cd '" + Dir.File("src") + "' && zip -q -r '" + Archive +
                           "' preview.png layers readme.txt"),
                  0);
        Out = Dir.MakeDir("out");
    }
    TEngineDriver Driver() {
        TEngineDriver run;
        run.Archive = Archive;
        run.BaseDir = Out;
        return run;
    }
    TempDir Dir;
    std::string Preview, Archive, Out;
};

TEST_F(ExtractOptions, TheViewersRoadWritesExactlyThePreview) {
    Dir.Write("out/preview.png", "stale preview from an earlier file");
    TEngineDriver run = Driver();
    run.Specs = {"preview.png"};
    run.Overwrite = true;
    EXPECT_EQ(run.Exec(), 1);
    auto tree = ListTree(Out);
    ASSERT_EQ(tree.size(), 1u);
    EXPECT_EQ(tree[0].first, "preview.png");
    EXPECT_EQ(tree[0].second, Preview);
    EXPECT_TRUE(run.Errors().empty());
}

TEST_F(ExtractOptions, AnArchiveWithoutThePreviewWritesNothing) {
    std::string other = Dir.File("other.jib");
    ASSERT_EQ(RunShell("cd '" + Dir.File("src") + "' && zip -q '" + other + "' readme.txt"), 0);
    TEngineDriver run = Driver();
    run.Archive = other;
    run.Specs = {"preview.png"};
    run.Overwrite = true;
    EXPECT_EQ(run.Exec(), 0);
    EXPECT_TRUE(ListTree(Out).empty());
    auto messages = run.Of(uaMessage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Code, ueNoMatch);
}

TEST_F(ExtractOptions, SpecsSelectMembersByNameAndWildcard) {
    struct {
        std::vector<std::string> Specs;
        std::vector<std::string> Expected;
    } cases[] = {
        {{"*.txt"}, {"Top.TXT", "base.txt", "readme.txt"}},
        {{"layers/????.txt"}, {"base.txt"}},
        {{"PREVIEW.PNG"}, {"preview.png"}},
        {{"layers\\top.txt"}, {"Top.TXT"}},
        {{"*"}, {"Top.TXT", "base.txt", "preview.png", "readme.txt"}},
        {{"preview.png", "*.png"}, {"preview.png"}},
        {{"layers"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Specs[0]);
        TempDir out;
        TEngineDriver run = Driver();
        run.BaseDir = out.Path();
        run.Specs = c.Specs;
        EXPECT_EQ(run.Exec(), static_cast<int32_t>(c.Expected.size()));
        std::vector<std::string> names;
        for (const auto& [name, content] : ListTree(out.Path()))
            names.push_back(name);
        EXPECT_EQ(names, c.Expected);
    }
}

TEST_F(ExtractOptions, AnExistingFileIsReplacedOnlyWhenAllowed) {
    struct {
        bool OverwriteAll;
        int Answer; // -1: leave the proposal alone
        bool Replaced;
    } cases[] = {{true, -1, true}, {false, -1, false}, {false, 1, true}, {true, 0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.OverwriteAll) + "/" + std::to_string(c.Answer));
        Dir.Write("out/readme.txt", "mine");
        TEngineDriver run = Driver();
        run.Specs = {"readme.txt"};
        run.Overwrite = c.OverwriteAll;
        run.Answer = [&](TUnzCallbackRecord& r) {
            if (r.RequestCode == uaOverwrite && c.Answer >= 0)
                r.SizeValue = c.Answer;
            return 0;
        };
        EXPECT_EQ(run.Exec(), c.Replaced ? 1 : 0);
        EXPECT_EQ(ReadFileText(Dir.File("out/readme.txt")), c.Replaced ? "read me\n" : "mine");
        auto asked = run.Of(uaOverwrite);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].Text, "readme.txt");
        EXPECT_EQ(asked[0].Size, c.OverwriteAll ? 1 : 0);
        EXPECT_EQ(asked[0].Code & 0xFFFF, 4); // after preview, layers/ and its two files
        EXPECT_EQ(run.SkipTypes(),
                  c.Replaced ? std::vector<int>{} : std::vector<int>{stNoOverwrite});
    }
}

void SetMtime(const std::string& path, time_t when) {
    struct utimbuf times {
        when, when
    };
    utime(path.c_str(), &times);
}

TEST_F(ExtractOptions, FreshenAndUpdateCompareDates) {
    const time_t longAgo = 86400;     // 1970
    const time_t future = 4102444800; // 2100
    struct {
        const char* Label;
        bool Freshen, Update;
        int Existing; // 0 none, 1 older than the member, 2 newer
        bool Written;
    } cases[] = {
        {"freshen, none", true, false, 0, false},   {"freshen, older", true, false, 1, true},
        {"freshen, newer", true, false, 2, false},  {"update, none", false, true, 0, true},
        {"update, older", false, true, 1, true},    {"update, newer", false, true, 2, false},
        {"both means update", true, true, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TempDir out;
        if (c.Existing) {
            out.Write("readme.txt", "mine");
            SetMtime(out.File("readme.txt"), c.Existing == 1 ? longAgo : future);
        }
        TEngineDriver run = Driver();
        run.BaseDir = out.Path();
        run.Specs = {"readme.txt"};
        run.Freshen = c.Freshen;
        run.Update = c.Update;
        EXPECT_EQ(run.Exec(), c.Written ? 1 : 0);
        EXPECT_EQ(ReadFileText(out.File("readme.txt")),
                  c.Written ? "read me\n" : (c.Existing ? "mine" : ""));
        if (c.Existing == 1) {
            EXPECT_EQ(run.Of(uaOverwrite).at(0).Code & 0x10000, 0x10000); // "older" bit
        }
    }
}

TEST_F(ExtractOptions, FreshenCreatesNoFolders) {
    TEngineDriver run = Driver();
    run.Freshen = true;
    run.DirNames = true;
    EXPECT_EQ(run.Exec(), 0);
    EXPECT_FALSE(FileExists(Dir.File("out/layers")));
    EXPECT_EQ(run.SkipTypes(), std::vector<int>(4, stOnFreshen)); // the four files
}

TEST_F(ExtractOptions, ExtractedFilesKeepTheMembersTime) {
    SetMtime(Dir.File("src/readme.txt"), 1000000000);
    ASSERT_EQ(RunShell("cd '" + Dir.File("src") + "' && zip -q '" + Archive + "' readme.txt"), 0);
    TEngineDriver run = Driver();
    run.Specs = {"readme.txt"};
    EXPECT_EQ(run.Exec(), 1);
    struct stat st {};
    ASSERT_EQ(stat(Dir.File("out/readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);
}

TEST_F(ExtractOptions, TestOnlyChecksEveryMemberAndWritesNothing) {
    TEngineDriver run = Driver();
    run.TestOnly = true;
    run.Verbose = true;
    EXPECT_EQ(run.Exec(), 5);
    EXPECT_TRUE(ListTree(Out).empty());
    EXPECT_TRUE(run.Errors().empty());
    int tested = 0;
    for (const auto& m : run.Of(uaMessage))
        tested += m.Text.find("testing:") != std::string::npos;
    EXPECT_EQ(tested, 5);
}

TEST_F(ExtractOptions, CallbacksArriveInTheOrderOfARealRun) {
    TEngineDriver run = Driver();
    run.Specs = {"layers/base.txt"};
    EXPECT_EQ(run.Exec(), 1);
    std::vector<int> actions;
    for (const auto& e : run.Events)
        if (actions.empty() || actions.back() != e.Action)
            actions.push_back(e.Action);
    EXPECT_EQ(actions, (std::vector<int>{uaTotalCount, uaTotalSize, uaNewName, uaNewMember,
                                         uaProgress, uaEndOfBatch}));
    EXPECT_EQ(run.Of(uaTotalCount)[0].Size, 1);
    EXPECT_EQ(run.Of(uaNewMember)[0].Text, "layers/base.txt");
    EXPECT_EQ(run.Of(uaNewMember)[0].Size, 20000);
    EXPECT_EQ(run.Of(uaTotalSize)[0].Size, 20000);
}

TEST_F(ExtractOptions, ACallbackMayRenameAMemberButNotOutOfTheFolder) {
    for (const char* newName : {"renamed.txt", "../escaped.txt"}) {
        SCOPED_TRACE(newName);
        TempDir out;
        TEngineDriver run = Driver();
        run.BaseDir = out.Path();
        run.Specs = {"readme.txt"};
        run.Answer = [&](TUnzCallbackRecord& r) {
            if (r.RequestCode == uaNewName) {
                std::strcpy(r.TextBuffer, newName);
                r.CodeValue = 1;
            }
            return 0;
        };
        bool safe = newName[0] != '.';
        EXPECT_EQ(run.Exec(), safe ? 1 : 0);
        auto tree = ListTree(out.Path());
        EXPECT_EQ(tree.size(), safe ? 1u : 0u);
        if (safe) {
            EXPECT_EQ(tree[0].first, "renamed.txt");
        }
        EXPECT_FALSE(FileExists(Dir.File("escaped.txt")));
    }
}

TEST_F(ExtractOptions, AStopAnswerEndsTheRunAndLeavesNoPartialFile) {
    TEngineDriver run = Driver();
    run.Specs = {"layers/base.txt", "readme.txt"};
    run.DirNames = true;
    run.Answer = [](TUnzCallbackRecord& r) {
        return r.RequestCode == uaProgress ? -1 : 0;
    };
    EXPECT_EQ(run.Exec(), 0);
    EXPECT_TRUE(ListTree(Out).size() == 0);
    auto errors = run.Of(uaMessage);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.back().Code, ueAborted);
    EXPECT_EQ(run.Events.back().Action, uaEndOfBatch);
    EXPECT_TRUE(run.Of(uaNewMember).size() == 1); // readme.txt never started
}

TEST(ExtractNames, OemNamesAreConvertedAndMatchedAsUtf8) {
    // Byte 0x82 is "é" in code page 437, which MS-DOS and Windows hosts wrote; a Unix host's
    // bytes are kept as they are.
    TempDir dir;
    std::string archive = dir.File("names.zip");
    WriteFile(archive, BuildZip({{.Name = "caf\x82.txt", .Plain = "dos", .Host = 0},
                                 {.Name = "na\xc3\xafve.txt", .Plain = "unix", .Host = 3}}));
    TEngineDriver run;
    run.Archive = archive;
    run.BaseDir = dir.MakeDir("out");
    run.Specs = {"café.txt", "naïve.txt"};
    EXPECT_EQ(run.Exec(), 2);
    EXPECT_EQ(ReadFileText(dir.File("out/café.txt")), "dos");
    EXPECT_EQ(ReadFileText(dir.File("out/naïve.txt")), "unix");
}

TEST(ExtractRecord, RecordsTheEngineCannotServeAreRefused) {
    TempDir dir;
    WriteFile(dir.File("a.zip"), BuildZip({{.Name = "a.txt", .Plain = "a"}}));
    struct {
        const char* Label;
        void (*Change)(TUnzCommandRecord&);
    } cases[] = {
        {"to memory",
         [](TUnzCommandRecord& c) {
             c.ToMemory = -1;
         }},
        {"from memory",
         [](TUnzCommandRecord& c) {
             c.FromMemory = -1;
         }},
        {"negative spec count",
         [](TUnzCommandRecord& c) {
             c.SpecCount = -1;
         }},
        {"specs without a list",
         [](TUnzCommandRecord& c) {
             c.SpecCount = 2;
         }},
        {"no archive",
         [](TUnzCommandRecord& c) {
             c.ArchiveName = nullptr;
         }},
        {"missing base folder",
         [](TUnzCommandRecord& c) {
             c.ExtractBaseDir = "/nonexistent/x";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        std::string archive = dir.File("a.zip");
        TUnzCommandRecord cmd{};
        cmd.ArchiveName = archive.c_str();
        cmd.ExtractBaseDir = dir.Path().c_str();
        cmd.EndMarker = UNZ_END_MARKER;
        c.Change(cmd);
        EXPECT_LT(UnzEngineExec(&cmd), 0);
        EXPECT_FALSE(FileExists(dir.File("a.txt")));
    }
    TUnzCommandRecord wrongLayout{};
    wrongLayout.EndMarker = 8;
    EXPECT_LT(UnzEngineExec(&wrongLayout), 0);
    EXPECT_LT(UnzEngineExec(nullptr), 0);
}

} // namespace
