// Extract with the real engine: archives in every form Info-ZIP zip writes come out as the
// files they were made from; the viewer's road writes exactly its one file; every problem
// the component finds itself is reported with its message, and the engine's own reports
// never reach a message box.
#include "archive/UnzEngine.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/EngineTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// A JIB file as the editor writes it: the thumbnail beside the project's own members.
class ExtractFixture : public ::testing::Test {
protected:
    void SetUp() override {
        FPreview = NoiseBytes(3000, 1);
        FSrc = FDir.MakeDir("src");
        FDir.Write("src/preview.png", FPreview);
        FDir.Write("src/project.xml", std::string(20000, 'x') + "<layers/>\n");
        FDir.Write("src/layers/layer1.png", NoiseBytes(70000, 2));
        FDir.Write("src/layers/empty.txt", "");
        FDir.Write("src/README", "no dot in this name\n");
        FOut = FDir.MakeDir("out") + "/";
    }

    // Runs `command` in the source folder; "%" stands for the archive's path.
    std::string MakeArchive(const std::string& name, std::string command) {
        const std::string archive = FDir.File(name);
        command.replace(command.find('%'), 1, "'" + archive + "'");
        // Grouped, so that the quieting RunIn appends does not take a pipe's output.
        EXPECT_EQ(RunIn(FSrc, "(" + command + ")"), 0) << command;
        return archive;
    }

    std::map<std::string, std::string> Source(std::initializer_list<std::string> names) {
        std::map<std::string, std::string> files;
        for (const auto& n : names)
            files[n] = Digest(ReadBytes(FSrc + "/" + n));
        return files;
    }

    TempDir FDir;
    std::string FSrc;
    std::string FOut;
    std::string FPreview;
};

} // namespace

TEST_F(ExtractFixture, EveryInfoZipFormComesOutAsTheOriginalFiles) {
    struct Form {
        const char* label;
        const char* command;
        const char* password;
        bool split;
    };
    const Form forms[] = {
        {"stored", "zip -q -X -0 -r % preview.png project.xml layers README", "", false},
        {"deflate-1", "zip -q -X -1 -r % preview.png project.xml layers README", "", false},
        {"deflate-6", "zip -q -X -6 -r % preview.png project.xml layers README", "", false},
        {"deflate-9", "zip -q -X -9 -r % preview.png project.xml layers README", "", false},
        {"encrypted", "zip -q -X -r -P 'Lumen pix' % preview.png project.xml layers README",
         "Lumen pix", false},
        // Written to a pipe, zip cannot seek back: sizes go into data descriptors.
        {"streamed", "zip -q -X -r - preview.png project.xml layers README | cat > %", "", false},
        // Volumes "a.z01", "a.z02"... and "a.zip"; the component joins them first.
        {"split", "zip -q -X -0 -r -s 64k % preview.png project.xml layers README", "", true},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.label);
        const std::string archive = MakeArchive(std::string(form.label) + ".zip", form.command);
        const std::string out = FDir.MakeDir(std::string("out-") + form.label);
        const std::string joinFolder = FDir.MakeDir(std::string("join-") + form.label);
        MessageCapture boxes;
        TZipExtractor zip;
        if (form.split)
            zip.SetSpanOptions(spCompatName);
        zip.SetZipFileName(archive);
        zip.SetExtrBaseDir(out);
        zip.SetExtrOptions(ExtrDirNames | ExtrOverWrite);
        zip.SetPassword(form.password);
        zip.SetTempDir(joinFolder);
        EXPECT_EQ(zip.Extract(), 0) << zip.LastMessage();
        EXPECT_EQ(zip.HandledCount(), 6); // five files and the folder "layers/"
        EXPECT_EQ(FilesBelow(out), Source({"preview.png", "project.xml", "layers/layer1.png",
                                           "layers/empty.txt", "README"}));
        EXPECT_TRUE(boxes.Shown().empty());
        // The joined copy of a split archive does not outlive the extraction.
        EXPECT_TRUE(fs::is_empty(joinFolder));
        EXPECT_EQ(form.split, fs::exists(FDir.File(std::string(form.label) + ".z01")));
    }
}

TEST_F(ExtractFixture, TheViewersRoadWritesExactlyThePreview) {
    const std::string jib =
        MakeArchive("work.jib", "zip -q -X -r % project.xml preview.png layers");
    // What an earlier preview left behind is replaced; nothing else is touched.
    WriteBytes(FOut + "preview.png", "an older preview");
    WriteBytes(FOut + "other.txt", "not ours");
    MessageCapture boxes;
    {
        auto* zip = new TZipExtractor(nullptr);
        zip->SetZipFileName(jib);
        zip->FSpecArgs().push_back("preview.png");
        zip->SetExtrBaseDir(FOut);
        zip->SetExtrOptions(ExtrOverWrite);
        EXPECT_EQ(zip->Extract(), 0);
        EXPECT_EQ(zip->HandledCount(), 1);
        EXPECT_TRUE(zip->FSpecArgs().empty());
        EXPECT_FALSE(zip->UnzEngine().Loaded());
        delete zip;
    }
    const std::map<std::string, std::string> expected{{"other.txt", Digest("not ours")},
                                                      {"preview.png", Digest(FPreview)}};
    EXPECT_EQ(FilesBelow(FOut), expected);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(LibraryMapped("/libunzengine.so"));
}

TEST_F(ExtractFixture, AnArchiveWithoutThePreviewWritesAndShowsNothing) {
    const std::string jib = MakeArchive("bare.jib", "zip -q -X -r % project.xml layers");
    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    zip.SetZipFileName(jib);
    zip.FSpecArgs().push_back("preview.png");
    zip.SetExtrBaseDir(FOut);
    zip.SetExtrOptions(ExtrOverWrite);
    zip.Extract();
    EXPECT_EQ(zip.HandledCount(), 0);
    EXPECT_TRUE(FilesBelow(FOut).empty());
    EXPECT_TRUE(boxes.Shown().empty());
    // The engine's report reaches the events only.
    ASSERT_FALSE(log.Events().empty());
    EXPECT_NE(zip.LastMessage().find("preview.png"), std::string::npos) << zip.LastMessage();
}

TEST_F(ExtractFixture, AFileThatIsNoArchiveShowsItsMessageOnceAndLoadsNoEngine) {
    const std::string fake = FDir.Write("fake.jib", std::string(4000, 'J'));
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetVerbose(true);
    MessageLog log(zip);
    zip.SetZipFileName(fake);
    zip.FSpecArgs().push_back("preview.png");
    zip.SetExtrBaseDir(FOut);
    zip.SetExtrOptions(ExtrOverWrite);
    // The directory read says it when the name is set; Extract does not say it again,
    // but answers and keeps the same failure.
    EXPECT_EQ(zip.Extract(), zm::NoEndRecord);
    const std::string text = "This file is not a ZIP archive:\n" + fake;
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{text});
    EXPECT_EQ(log.Ids(), std::vector<int>{zm::NoEndRecord});
    EXPECT_EQ(zip.LastMessage(), text);
    EXPECT_EQ(zip.FSpecArgs(), std::vector<std::string>{"preview.png"});
    EXPECT_TRUE(FilesBelow(FOut).empty());

    // Once the file has become an archive, setting the name again reads it anew.
    std::remove(fake.c_str());
    MakeArchive("fake.jib", "zip -q -X % preview.png");
    zip.SetZipFileName(fake);
    zip.FSpecArgs().push_back("preview.png");
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(FilesBelow(FOut).count("preview.png"), 1u);
}

TEST_F(ExtractFixture, ProblemsFoundBeforeTheEngineRunsAreReported) {
    const std::string good = MakeArchive("good.zip", "zip -q -X % preview.png");
    const std::string empty = FDir.Write("empty.zip", BuildZip(Archive({})).bytes);
    FixtureLayout damaged = BuildZip(Archive({Member("a.txt", "a")}));
    damaged.bytes[damaged.centralStart] = 'X'; // central record signature broken
    const std::string broken = FDir.Write("broken.zip", damaged.bytes);
    struct Case {
        const char* label;
        std::string archive; // "" leaves ZipFileName unset
        std::string baseDir;
        std::vector<int> shown; // message IDs in the boxes, in order
        bool engineLoaded;      // seen through the verbose "loaded " message
        bool specsKept;
    };
    const Case cases[] = {
        {"no archive name", "", FOut, {zm::NoArchiveName}, false, true},
        {"archive gone", FDir.File("gone.zip"), FOut, {zm::CannotOpen}, false, true},
        {"no members", empty, FOut, {zm::NoEntries}, false, true},
        // The directory read reports the damage and forgets the name; Extract adds nothing.
        {"damaged directory", broken, FOut, {zm::CentralSignature}, false, true},
        // The engine is loaded for the check and unloaded in the clean-up.
        {"no such folder", good, FDir.File("nowhere/"), {zm::NoExtractFolder}, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetVerbose(true);
        MessageLog log(zip);
        if (!c.archive.empty())
            zip.SetZipFileName(c.archive);
        zip.FSpecArgs().push_back("preview.png");
        zip.SetExtrBaseDir(c.baseDir);
        EXPECT_EQ(zip.Extract(), c.shown.back());
        std::vector<std::string> texts;
        for (int id : c.shown)
            texts.push_back(id == zm::NoExtractFolder
                                ? "The folder to extract into does not exist:\n" + c.baseDir
                                : MessageText(id));
        EXPECT_EQ(boxes.Texts(), texts);
        bool loaded = false;
        bool unloaded = false;
        for (const auto& e : log.Events()) {
            loaded = loaded || e.text.rfind("loaded /", 0) == 0;
            unloaded = unloaded || e.text.rfind("unloaded /", 0) == 0;
        }
        EXPECT_EQ(loaded, c.engineLoaded);
        EXPECT_EQ(unloaded, c.engineLoaded);
        EXPECT_EQ(zip.FSpecArgs().empty(), !c.specsKept);
        EXPECT_EQ(zip.HandledCount(), 0);
        EXPECT_FALSE(zip.UnzEngine().Loaded());
    }
}

TEST_F(ExtractFixture, ForcedFoldersAreCreatedWithTheirParents) {
    const std::string archive = MakeArchive("good.zip", "zip -q -X % preview.png");
    const std::string target = FDir.File("made/for/you/");
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(archive);
    zip.SetExtrBaseDir(target);
    zip.SetExtrOptions(ExtrForceDirs);
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(Digest(ReadBytes(target + "preview.png")), Digest(FPreview));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ExtractFixture, AllMembersOnlyWhenTheFirstSpecIsStarDotStar) {
    const std::string archive =
        MakeArchive("all.zip", "zip -q -X -r % preview.png project.xml README");
    struct Case {
        std::vector<std::string> specs;
        std::set<std::string> written;
    };
    const Case cases[] = {
        // "*.*" first stands for every member, also the one without a dot.
        {{"*.*", "preview.png"}, {"README", "preview.png", "project.xml"}},
        // Anywhere else it is an ordinary pattern for the engine.
        {{"preview.png", "*.*"}, {"preview.png", "project.xml"}},
        {{}, {"README", "preview.png", "project.xml"}},
        {{"proj*", "READ?E"}, {"README", "project.xml"}},
    };
    int run = 0;
    for (const auto& c : cases) {
        const std::string out = FDir.MakeDir("specs-" + std::to_string(run++));
        TZipExtractor zip;
        zip.SetZipFileName(archive);
        zip.SetFSpecArgs(c.specs);
        zip.SetExtrBaseDir(out);
        zip.Extract();
        std::set<std::string> written;
        for (const auto& [name, content] : FilesBelow(out))
            written.insert(name);
        EXPECT_EQ(written, c.written) << c.specs.size();
    }
}

TEST_F(ExtractFixture, AMemberFailingItsCrcIsKeptOnlyWhenAHandlerAsks) {
    // A stored member whose bytes were changed after its CRC was taken.
    FixtureLayout layout = BuildZip(Archive({Member("preview.png", "ABCDEFGH")}));
    const std::size_t data = layout.bytes.find("ABCDEFGH");
    layout.bytes[data] = 'Z';
    const std::string archive = FDir.Write("crc.zip", layout.bytes);
    struct Case {
        const char* label;
        bool assignHandler;
        bool keep;
        bool fileLeft;
    };
    const Case cases[] = {
        {"no handler", false, false, false},
        {"handler that only looks", true, false, false},
        {"handler that keeps it", true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string out = FDir.MakeDir(std::string("crc-") + c.label);
        MessageCapture boxes;
        TZipExtractor zip;
        std::vector<std::string> reports;
        if (c.assignHandler) {
            zip.OnCRC32Error = [&](TZipExtractor*, const std::string& file, std::uint32_t found,
                                   std::uint32_t expected, bool& doExtract) {
                reports.push_back(file);
                EXPECT_EQ(expected, Crc32Of("ABCDEFGH"));
                EXPECT_EQ(found, Crc32Of("ZBCDEFGH"));
                if (c.keep)
                    doExtract = true;
            };
        }
        zip.SetZipFileName(archive);
        zip.SetExtrBaseDir(out);
        zip.Extract();
        EXPECT_EQ(FileExists(out + "/preview.png"), c.fileLeft);
        if (c.fileLeft) {
            EXPECT_EQ(ReadBytes(out + "/preview.png"), "ZBCDEFGH");
        }
        EXPECT_EQ(reports, c.assignHandler ? std::vector<std::string>{"preview.png"}
                                           : std::vector<std::string>{});
        EXPECT_EQ(zip.ErrCode(), ueCrc);
        EXPECT_TRUE(boxes.Shown().empty());
    }
}
