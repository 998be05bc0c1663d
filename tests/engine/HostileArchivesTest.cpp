// Archives that lie. Each fixture changes one field of an honest archive (see ZipBuilder)
// and the engine must refuse the member or the archive, write nothing outside the target
// folder, and leave no partial or corrupt file behind.
#include "tests/common/TempDir.h"
#include "tests/engine/EngineDriver.h"
#include "tests/engine/ZipBuilder.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

const std::string kText = "The quick brown fox jumps over the lazy dog\n";

struct TMemberCase {
    const char* Label;
    std::vector<TBuildMember> Members;
    int32_t Handled;
    std::vector<int> Skips;
    std::vector<std::string> Written; // files below the target folder afterwards
};

// Runs the engine on `members` with folder names on and overwrite on, into box/out.
class Hostile : public ::testing::Test {
protected:
    TEngineDriver Run(const std::vector<TBuildMember>& members, const TBuildOptions& options = {}) {
        std::string archive = Box.File("a.zip");
        WriteFile(archive, BuildZip(members, options));
        TEngineDriver run;
        run.Archive = archive;
        run.BaseDir = Box.MakeDir("out");
        run.DirNames = true;
        run.Overwrite = true;
        Result = run.Exec();
        unlink(archive.c_str());
        return run;
    }
    std::vector<std::string> Written() const {
        std::vector<std::string> names;
        for (const auto& [name, content] : ListTree(Box.File("out")))
            names.push_back(name);
        return names;
    }
    // Everything in the box but the target folder: must stay empty.
    std::vector<std::string> Outside() const {
        std::vector<std::string> names;
        for (const auto& [name, content] : ListTree(Box.Path()))
            if (name.rfind("out/", 0) != 0)
                names.push_back(name);
        return names;
    }
    TempDir Box;
    int32_t Result = 0;
};

TEST_F(Hostile, MembersThatLieAreRefusedOneByOne) {
    const std::string zeros(4 << 20, '\0');
    const TMemberCase cases[] = {
        {"dot-dot", {{.Name = "../evil.txt", .Plain = kText}}, 0, {stUnsafeName}, {}},
        {"backslash dot-dot",
         {{.Name = "a\\..\\..\\evil.txt", .Plain = kText}},
         0,
         {stUnsafeName},
         {}},
        {"absolute", {{.Name = "/abs/evil.txt", .Plain = kText}}, 1, {}, {"abs/evil.txt"}},
        {"drive letter", {{.Name = "C:\\evil.txt", .Plain = kText}}, 1, {}, {"evil.txt"}},
        {"NUL byte",
         {{.Name = std::string("ok.txt\0.png", 11), .Plain = kText}},
         0,
         {stUnsafeName},
         {}},
        {"symbolic link",
         {{.Name = "link", .Plain = "/etc/passwd", .UnixMode = 0120777}},
         0,
         {stLinkMember},
         {}},
        // 4 MiB of zeros deflate to a few KiB; the header admits to 1000 bytes.
        {"inflates past its size",
         {{.Name = "bomb", .Plain = zeros, .DeclaredSize = 1000}},
         0,
         {stFormatWrong},
         {}},
        {"inflates short of its size",
         {{.Name = "short", .Plain = kText, .DeclaredSize = 100}},
         0,
         {stFormatWrong},
         {}},
        {"stored size understated",
         {{.Name = "s", .Plain = kText, .Method = 0, .DeclaredSize = 5}},
         0,
         {stFormatWrong},
         {}},
        {"local name differs",
         {{.Name = "a.txt", .Plain = kText, .LocalName = "b.txt"}},
         0,
         {stFormatWrong},
         {}},
        {"local method differs",
         {{.Name = "a.txt", .Plain = kText, .LocalMethod = 0}},
         0,
         {stFormatWrong},
         {}},
        {"local size differs",
         {{.Name = "a.txt", .Plain = kText, .Method = 0, .LocalCompressedSize = 3}},
         0,
         {stFormatWrong},
         {}},
        {"descriptor disagrees",
         {{.Name = "a.txt", .Plain = kText, .DataDescriptor = true, .DescriptorCrc = 7}},
         0,
         {stFormatWrong},
         {}},
        {"unknown method",
         {{.Name = "a.txt", .Plain = kText, .Method = 0, .DeclaredMethod = 12}},
         0,
         {stCompressionUnknown},
         {}},
        {"data runs into the next member",
         {{.Name = "a.txt", .Plain = kText, .Method = 0, .DeclaredSize = 80, .CompressedSize = 80},
          {.Name = "b.txt", .Plain = kText}},
         1,
         {stFormatWrong},
         {"b.txt"}},
        {"two records share a local header",
         {{.Name = "a.txt", .Plain = kText},
          {.Name = "b.txt", .Plain = kText, .OffsetOfMember = 0}},
         0,
         {stFormatWrong, stFormatWrong},
         {}},
        {"local header past the central directory",
         {{.Name = "a.txt", .Plain = kText, .RawOffset = 500}},
         0,
         {stFormatWrong},
         {}},
        {"honest neighbours still extract",
         {{.Name = "../x", .Plain = kText}, {.Name = "ok/fine.txt", .Plain = kText}},
         1,
         {stUnsafeName},
         {"ok/fine.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        TEngineDriver run = Run(c.Members);
        EXPECT_EQ(Result, c.Handled);
        EXPECT_EQ(run.SkipTypes(), c.Skips);
        EXPECT_EQ(run.Errors().size(), c.Skips.size());
        EXPECT_EQ(Written(), c.Written);
        EXPECT_TRUE(Outside().empty());
        // Bytes reported as done are bytes written: never past a declared size.
        for (const auto& e : run.Of(uaProgress))
            EXPECT_LE(e.Size, 65536);
        int64_t done = 0;
        for (const auto& e : run.Of(uaProgress))
            done += e.Size;
        EXPECT_LE(done, run.Of(uaTotalSize).empty() ? 0 : run.Of(uaTotalSize)[0].Size);
        std::filesystem::remove_all(Box.File("out"));
    }
}

TEST_F(Hostile, ACrcFailureLeavesNoFileUnlessTheCallerKeepsIt) {
    for (int answer : {-1, 0, 1}) {
        SCOPED_TRACE(answer);
        std::string archive = Box.File("crc.zip");
        WriteFile(archive,
                  BuildZip({{.Name = "a.txt", .Plain = kText, .DeclaredCrc = 0x12345678}}));
        TEngineDriver run;
        run.Archive = archive;
        run.BaseDir = Box.MakeDir("out");
        run.Answer = [answer](TUnzCallbackRecord& r) {
            if (r.RequestCode == uaCrcError && answer >= 0)
                r.CodeValue = answer;
            return 0;
        };
        EXPECT_EQ(run.Exec(), 0);
        auto crc = run.Of(uaCrcError);
        ASSERT_EQ(crc.size(), 1u);
        EXPECT_EQ(static_cast<uint32_t>(crc[0].Size), 0x12345678u);
        EXPECT_EQ(static_cast<uint32_t>(crc[0].Code),
                  static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(kText.data()),
                                              static_cast<uInt>(kText.size()))));
        EXPECT_EQ(run.SkipTypes(), std::vector<int>{stCrcError});
        EXPECT_EQ(Written(),
                  answer == 1 ? std::vector<std::string>{"a.txt"} : std::vector<std::string>{});
        std::filesystem::remove_all(Box.File("out"));
    }
}

TEST_F(Hostile, ArchivesThatCannotBeReadFailAsAWhole) {
    std::string honest = BuildZip({{.Name = "a.txt", .Plain = kText}});
    struct {
        const char* Label;
        std::string Bytes;
    } cases[] = {
        {"empty file", ""},
        {"not a ZIP", MakeContent(5000, 3, false)},
        {"cut in half", honest.substr(0, honest.size() / 2)},
        {"more entries than the directory holds",
         BuildZip({{.Name = "a.txt", .Plain = kText}}, {.TotalEntries = 5000})},
        {"directory offset past the end record",
         [&] {
             std::string b = honest;
             b[b.size() - 6] = '\x7F'; // central directory offset, high byte
             return b;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Label);
        std::string archive = Box.File("bad.zip");
        WriteFile(archive, c.Bytes);
        TEngineDriver run;
        run.Archive = archive;
        run.BaseDir = Box.MakeDir("out");
        EXPECT_LT(run.Exec(), 0);
        EXPECT_EQ(run.Errors().size(), 1u);
        EXPECT_TRUE(Written().empty());
        EXPECT_EQ(run.Events.back().Action, uaEndOfBatch);
    }
}

TEST_F(Hostile, AFifoNamedAsTheArchiveIsRefusedWithoutWaitingForAWriter) {
    // Opening a FIFO for reading blocks until someone opens it for writing: nobody will.
    const std::string fifo = Box.File("pipe.zip");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TEngineDriver run;
    run.Archive = fifo;
    run.BaseDir = Box.MakeDir("out");
    EXPECT_LT(run.Exec(), 0);
    ASSERT_EQ(run.Errors().size(), 1u);
    EXPECT_NE(run.Errors()[0].find("not a regular file"), std::string::npos) << run.Errors()[0];
}

TEST_F(Hostile, BytesInFrontOfTheArchiveAreSkippedWithAWarning) {
    TEngineDriver run = Run({{.Name = "a.txt", .Plain = kText}, {.Name = "b.txt", .Plain = "b"}},
                            {.Prefix = std::string(300, 'S')});
    EXPECT_EQ(Result, 2);
    EXPECT_EQ(ReadFileText(Box.File("out/a.txt")), kText);
    auto messages = run.Of(uaMessage);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Code, ueWarning);
    EXPECT_NE(messages[0].Text.find("300"), std::string::npos);
}

TEST_F(Hostile, LinksAlreadyInTheTargetFolderAreNeverFollowed) {
    std::string secret = Box.Write("secret.txt", "keep me");
    std::string elsewhere = Box.MakeDir("elsewhere");
    Box.MakeDir("out");
    ASSERT_EQ(symlink(secret.c_str(), Box.File("out/a.txt").c_str()), 0);
    ASSERT_EQ(symlink(elsewhere.c_str(), Box.File("out/sub").c_str()), 0);

    TEngineDriver run =
        Run({{.Name = "a.txt", .Plain = kText}, {.Name = "sub/b.txt", .Plain = kText}});
    // The link named like the member is replaced by the file; the linked folder is refused.
    EXPECT_EQ(Result, 1);
    EXPECT_EQ(ReadFileText(secret), "keep me");
    EXPECT_EQ(ReadFileText(Box.File("out/a.txt")), kText);
    EXPECT_TRUE(ListTree(elsewhere).empty());
    EXPECT_EQ(run.SkipTypes(), std::vector<int>{stFileExists});
}

} // namespace
