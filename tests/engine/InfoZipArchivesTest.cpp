// Archives written by Info-ZIP zip in every form it produces, extracted by the engine and
// compared byte for byte with the files they were made from.
#include "tests/common/TempDir.h"
#include "tests/engine/EngineDriver.h"

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

namespace {

class InfoZipArchives : public ::testing::Test {
protected:
    void SetUp() override {
        Dir.Write("src/preview.png", MakeContent(3000, 1, false));
        Dir.Write("src/notes.txt", MakeContent(50000, 2, true));
        Dir.Write("src/data/big.bin", MakeContent(300000, 3, true) + MakeContent(70000, 4, false));
        Dir.Write("src/data/empty.txt", "");
        // Blocks are sized to the member: one byte, and one past a whole block.
        Dir.Write("src/data/one.txt", "1");
        Dir.Write("src/data/block-and-one.bin", MakeContent(65537, 5, false));
        Dir.Write("src/data/deep/x.txt", "deep\n");
    }
    std::string Zip(const std::string& args) {
        std::string archive = Dir.File("a.zip");
        // "%" stands for the archive, so streamed forms can pipe through cat.
        std::string cmd = args;
        cmd.replace(cmd.find('%'), 1, "'" + archive + "'");
        EXPECT_EQ(RunShell("cd '" + Dir.File("src") + "' && " + cmd), 0) << cmd;
        return archive;
    }
    // Extracts every member of `archive` into a fresh folder "out"; answers the names of
    // the files there, and keeps the engine's result in Handled.
    std::vector<std::string> ExtractInto(TEngineDriver& run, const std::string& archive) {
        run.Archive = archive;
        run.BaseDir = Dir.MakeDir("out");
        Handled = run.Exec();
        std::vector<std::string> names;
        for (const auto& [name, content] : ListTree(run.BaseDir))
            names.push_back(name);
        return names;
    }
    TempDir Dir;
    int32_t Handled = 0;
};

struct TZipForm {
    const char* Label;
    const char* Command;
    const char* Password;
};

const TZipForm kForms[] = {
    {"stored", "zip -q -0 -r % preview.png notes.txt data", ""},
    {"deflate1", "zip -q -1 -r % preview.png notes.txt data", ""},
    {"deflate6", "zip -q -6 -r % preview.png notes.txt data", ""},
    {"deflate9", "zip -q -9 -r % preview.png notes.txt data", ""},
    // Written to a pipe, zip cannot seek back: sizes and CRCs go into data descriptors.
    {"streamed", "zip -q -r - preview.png notes.txt data | cat > %", ""},
    {"encrypted", "zip -q -r -P 'Lumen pix' % preview.png notes.txt data", "Lumen pix"},
    {"encrypted-streamed", "zip -q -r -P s3cret - preview.png notes.txt data | cat > %", "s3cret"},
};

TEST_F(InfoZipArchives, EveryFormExtractsToTheOriginalBytes) {
    for (const auto& form : kForms) {
        SCOPED_TRACE(form.Label);
        std::string archive = Zip(form.Command);
        ASSERT_TRUE(UnzipTestPasses(archive, form.Password));
        std::string out = Dir.MakeDir(std::string("out-") + form.Label);
        TEngineDriver run;
        run.Archive = archive;
        run.BaseDir = out;
        run.DirNames = true;
        run.Password = form.Password;
        // Seven files and the folder entries "data/" and "data/deep/".
        EXPECT_EQ(run.Exec(), 9);
        EXPECT_EQ(ListTree(out), ListTree(Dir.File("src")));
        EXPECT_TRUE(run.Errors().empty()) << run.Errors().front();

        auto totals = run.Of(uaTotalSize);
        ASSERT_EQ(totals.size(), 1u);
        int64_t done = 0;
        for (const auto& e : run.Of(uaProgress))
            done += e.Size;
        EXPECT_EQ(done, totals[0].Size);
        EXPECT_EQ(run.Events.back().Action, uaEndOfBatch);
        std::remove(archive.c_str());
    }
}

TEST_F(InfoZipArchives, DataReadFromStandardInputUsesZip64Records) {
    // Reading the data from stdin, zip cannot know its size and writes ZIP64 forms: piped
    // out, a local header with ZIP64 placeholders and a descriptor with 8-byte sizes;
    // into a file, a ZIP64 end record and locator as well. The member is named "-".
    for (const char* command :
         {"cat data/big.bin | zip -q - - | cat > %", "cat data/big.bin | zip -q % -"}) {
        SCOPED_TRACE(command);
        std::string archive = Zip(command);
        TEngineDriver run;
        run.Archive = archive;
        run.BaseDir = Dir.MakeDir("out");
        EXPECT_EQ(run.Exec(), 1);
        EXPECT_EQ(ReadFileText(Dir.File("out/-")), ReadFileText(Dir.File("src/data/big.bin")));
        std::remove(archive.c_str());
        std::remove(Dir.File("out/-").c_str());
    }
}

TEST_F(InfoZipArchives, WithoutFolderNamesMembersLandInTheBaseFolder) {
    std::string archive = Zip("zip -q -r % preview.png data");
    TEngineDriver run;
    run.Archive = archive;
    run.BaseDir = Dir.MakeDir("out");
    run.Specs = {"data/deep/*", "data/big.bin"};
    EXPECT_EQ(run.Exec(), 2);
    auto tree = ListTree(run.BaseDir);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree[0].first, "big.bin");
    EXPECT_EQ(tree[1].first, "x.txt");
}

TEST_F(InfoZipArchives, SplitVolumesAreRefusedUntilJoined) {
    // 64 KiB volumes: the .zip file is the last volume and names disk 5 or so.
    Zip("zip -q -r -s 64k % preview.png notes.txt data");
    std::string out = Dir.MakeDir("out");
    TEngineDriver split;
    split.Archive = Dir.File("a.zip");
    split.BaseDir = out;
    EXPECT_LT(split.Exec(), 0);
    ASSERT_EQ(split.Errors().size(), 1u);
    EXPECT_NE(split.Errors()[0].find("multi-volume"), std::string::npos) << split.Errors()[0];
    EXPECT_TRUE(ListTree(out).empty());

    ASSERT_EQ(RunShell("cd '" + Dir.Path() + "' && zip -q -s 0 a.zip --out joined.zip"), 0);
    TEngineDriver joined;
    joined.Archive = Dir.File("joined.zip");
    joined.BaseDir = out;
    joined.DirNames = true;
    EXPECT_EQ(joined.Exec(), 9);
    EXPECT_EQ(ListTree(out), ListTree(Dir.File("src")));
}

TEST_F(InfoZipArchives, ADamagedMemberFailsAloneAsUnzipAlsoFinds) {
    std::string archive = Zip("zip -q -9 % preview.png notes.txt");
    std::string bytes = ReadFileText(archive);
    // Flip one byte halfway through notes.txt's deflate data: after its local header name,
    // before the central directory's first record.
    size_t start = bytes.find("notes.txt");
    size_t end = bytes.find("PK\x01\x02");
    ASSERT_TRUE(start != std::string::npos && end != std::string::npos && start < end);
    bytes[(start + end) / 2] ^= 0x55;
    std::ofstream(archive, std::ios::binary | std::ios::trunc) << bytes;
    ASSERT_FALSE(UnzipTestPasses(archive));

    TEngineDriver run;
    EXPECT_EQ(ExtractInto(run, archive), std::vector<std::string>{"preview.png"});
    EXPECT_EQ(Handled, 1);
    ASSERT_EQ(run.Of(uaSkipped).size(), 1u);
    EXPECT_EQ(run.Of(uaSkipped)[0].Text, "notes.txt");
}

TEST_F(InfoZipArchives, SymbolicLinkMembersAreNeverCreated) {
    ASSERT_EQ(RunShell("cd '" + Dir.File("src") + "' && ln -s /etc/passwd link"), 0);
    std::string archive = Zip("zip -q -y % link preview.png");
    TEngineDriver run;
    EXPECT_EQ(ExtractInto(run, archive), std::vector<std::string>{"preview.png"});
    EXPECT_EQ(Handled, 1);
    EXPECT_EQ(run.SkipTypes(), std::vector<int>{stLinkMember});
}

} // namespace
