// Reading the directories of archives made by Info-ZIP zip, and the end-record rules
// (comments, trailing bytes, data in front of the archive) on archives built by hand.
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Two members: one that compresses well and one that does not.
class InfoZipArchives : public ::testing::Test {
protected:
    void SetUp() override {
        FText.clear();
        for (int i = 0; i < 400; ++i)
            FText += "The quick brown fox jumps over the lazy dog. ";
        FPreview = "\x89PNG\r\n\x1a\n";
        for (int i = 0; i < 256; ++i)
            FPreview += static_cast<char>((i * 131) & 0xFF);
        FDir.Write("preview.png", FPreview);
        FDir.Write("notes.txt", FText);
    }

    // Reads `archive` with a fresh component; boxes are captured.
    std::vector<ZipDirEntry> Read(TZipExtractor& zip, const std::string& archive) {
        zip.SetZipFileName(FDir.File(archive));
        std::vector<ZipDirEntry> entries;
        for (int i = 0; i < zip.EntryCount(); ++i)
            entries.push_back(zip.Entries(i));
        return entries;
    }

    TempDir FDir;
    std::string FText;
    std::string FPreview;
};

} // namespace

TEST_F(InfoZipArchives, StoredAndDeflatedMembersAreListedWithTheirFields) {
    Zip(FDir.Path(), "-0 stored.zip preview.png notes.txt");
    Zip(FDir.Path(), "-9 deflated.zip preview.png notes.txt");
    MessageCapture boxes;
    for (const char* archive : {"stored.zip", "deflated.zip"}) {
        SCOPED_TRACE(archive);
        TZipExtractor zip;
        const auto entries = Read(zip, archive);
        ASSERT_EQ(entries.size(), 2u);
        EXPECT_EQ(entries[0].FileName, "preview.png");
        EXPECT_EQ(entries[1].FileName, "notes.txt");
        EXPECT_EQ(entries[0].UncompressedSize, FPreview.size());
        EXPECT_EQ(entries[1].UncompressedSize, FText.size());
        EXPECT_EQ(entries[0].Crc32, Crc32Of(FPreview));
        EXPECT_EQ(entries[1].Crc32, Crc32Of(FText));
        EXPECT_EQ(entries[0].LocalHeaderOffset, 0u);
        EXPECT_GT(entries[1].LocalHeaderOffset, entries[0].CompressedSize);
        EXPECT_EQ(entries[0].HostSystem, 3); // Unix
        EXPECT_EQ(entries[0].FileNameLength, 11);
        EXPECT_FALSE(entries[0].IsEncrypted);
        EXPECT_EQ(entries[1].ExtraField.size(), entries[1].ExtraFieldLength);
        EXPECT_EQ(zip.SkippedDirCount(), 0);
        EXPECT_EQ(zip.ArchiveStart(), 0);
        EXPECT_FALSE(zip.ArchiveIsSpanned());
    }
    // Encrypted members say so (traditional PKWARE encryption, flag bit 0).
    ASSERT_EQ(RunIn(FDir.Path(), "zip -q -P secret locked.zip notes.txt"), 0);
    TZipExtractor locked;
    const auto lockedEntries = Read(locked, "locked.zip");
    ASSERT_EQ(lockedEntries.size(), 1u);
    EXPECT_TRUE(lockedEntries[0].IsEncrypted);
    EXPECT_EQ(lockedEntries[0].Flags & 1, 1);

    TZipExtractor stored, deflated;
    const auto s = Read(stored, "stored.zip");
    const auto d = Read(deflated, "deflated.zip");
    EXPECT_EQ(s[1].Method, 0);
    EXPECT_EQ(s[1].CompressedSize, FText.size());
    EXPECT_EQ(d[1].Method, 8);
    EXPECT_LT(d[1].CompressedSize, FText.size() / 10);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(InfoZipArchives, ArchiveAndEntryCommentsAreRead) {
    Zip(FDir.Path(), "c.zip preview.png notes.txt");
    ASSERT_EQ(
        RunIn(FDir.Path(), "printf 'first\\nsecond\\n' | zip -q -c c.zip preview.png notes.txt"),
        0);
    ASSERT_EQ(RunIn(FDir.Path(), "printf 'Made for the viewer' | zip -q -z c.zip"), 0);
    TZipExtractor zip;
    const auto entries = Read(zip, "c.zip");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].FileComment, "first");
    EXPECT_EQ(entries[1].FileComment, "second");
    EXPECT_EQ(entries[1].FileCommentLength, 6);
    EXPECT_EQ(zip.ArchiveComment(), "Made for the viewer");
    EXPECT_EQ(zip.ErrCode(), 0);
}

TEST_F(InfoZipArchives, FolderEntriesAreCountedAndSkippedUnlessAskedFor) {
    FDir.MakeDir("art/layers");
    FDir.MakeDir("empty");
    Zip(FDir.Path(), "-r dirs.zip art empty");
    FDir.Write("art/layers/base.png", FPreview);
    Zip(FDir.Path(), "-r mixed.zip art");

    TZipExtractor zip;
    EXPECT_TRUE(Read(zip, "dirs.zip").empty());
    EXPECT_EQ(zip.SkippedDirCount(), 3);

    TZipExtractor all;
    all.SetUseDirOnlyEntries(true);
    const auto entries = Read(all, "dirs.zip");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].FileName, "art/");
    EXPECT_EQ(entries[1].FileName, "art/layers/");

    // OnNewName counts every record read, the skipped folders included.
    TZipExtractor mixed;
    std::vector<std::pair<int, std::string>> named;
    mixed.OnNewName = [&](TZipExtractor*, int seqNo, const ZipDirEntry& e) {
        named.emplace_back(seqNo, e.FileName);
    };
    Read(mixed, "mixed.zip");
    EXPECT_EQ(named, (std::vector<std::pair<int, std::string>>{{3, "art/layers/base.png"}}));
    EXPECT_EQ(mixed.SkippedDirCount(), 2);
}

TEST_F(InfoZipArchives, AnEmptyArchiveListsNothingAndWarnsNothing) {
    Zip(FDir.Path(), "empty.zip notes.txt");
    RunIn(FDir.Path(), "zip -q -d empty.zip notes.txt");
    ASSERT_EQ(ReadBytes(FDir.File("empty.zip")).size(), 22u);
    MessageCapture boxes;
    TZipExtractor zip;
    int updates = 0;
    zip.OnDirUpdate = [&](TZipExtractor*) {
        ++updates;
    };
    EXPECT_TRUE(Read(zip, "empty.zip").empty());
    EXPECT_EQ(zip.ZipFileName(), FDir.File("empty.zip"));
    EXPECT_EQ(zip.ArchiveStart(), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(updates, 1);
}

TEST_F(InfoZipArchives, DataInFrontOfTheArchiveIsFoundAndWarnedAbout) {
    Zip(FDir.Path(), "plain.zip preview.png notes.txt");
    const std::string stub(1000, '\x90');
    WriteBytes(FDir.File("stub.zip"), stub + ReadBytes(FDir.File("plain.zip")));
    WriteBytes(FDir.File("adjusted.zip"), ReadBytes(FDir.File("stub.zip")));
    // zip -A rewrites the offsets to count the stub, as a self-extractor's maker does.
    ASSERT_EQ(RunIn(FDir.Path(), "zip -q -A adjusted.zip"), 0);

    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    const auto entries = Read(zip, "stub.zip");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{MessageText(10203)}));
    EXPECT_EQ(log.Codes(), (std::vector<int>{0}));
    EXPECT_TRUE(zip.DirectoryMisplaced());
    EXPECT_EQ(zip.ArchiveStart(), 1000);
    EXPECT_EQ(zip.ZipFileName(), FDir.File("stub.zip")); // a warning, not a failure

    TZipExtractor adjusted;
    EXPECT_EQ(Read(adjusted, "adjusted.zip").size(), 2u);
    EXPECT_FALSE(adjusted.DirectoryMisplaced());
    EXPECT_EQ(adjusted.ArchiveStart(), 1000);
    EXPECT_EQ(boxes.Shown().size(), 1u);
}

TEST(EndRecord, TrailingBytesWarnUnlessTheyAreBlockPadding) {
    TempDir dir;
    const FixtureLayout base = BuildZip(Archive({Member("preview.png", "png")}));
    struct Case {
        const char* name;
        std::string bytes;
        bool warns;
    };
    // Pad to a multiple of 512 with 300 surplus bytes: the base archive must be 212 long.
    std::string padded = base.bytes;
    padded.insert(base.endRecord + 22, std::string(212 - base.bytes.size(), 'c'));
    Put16At(padded, base.endRecord + 20, static_cast<std::uint16_t>(212 - base.bytes.size()));
    ASSERT_EQ(padded.size(), 212u);
    const Case cases[] = {
        {"zeros to a block", padded + std::string(300, '\0'), false},
        {"0xFF to a block", padded + std::string(300, '\xFF'), true},
        {"zeros, not to a block", padded + std::string(301, '\0'), true},
        // Padding to bsdtar's 10,240-byte records: longer than a block, still padding.
        {"zeros past a whole block", padded + std::string(10240 - 212, '\0'), false},
        {"zeros but for one byte", padded + std::string(811, '\0') + "\x01", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetZipFileName(dir.Write("t.zip", c.bytes));
        EXPECT_EQ(zip.EntryCount(), 1);
        EXPECT_EQ(zip.ArchiveComment(), std::string(212 - base.bytes.size(), 'c'));
        EXPECT_EQ(boxes.Texts(), c.warns ? std::vector<std::string>{MessageText(10204)}
                                         : std::vector<std::string>{});
    }
}

TEST(EndRecord, TheLongestCommentIsFoundAndNothingBeyondIt) {
    TempDir dir;
    const std::string comment(65535, 'x');
    const std::string full = BuildZip(Archive({Member("a", "1")}, comment)).bytes;
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(dir.Write("longest.zip", full));
    EXPECT_EQ(zip.EntryCount(), 1);
    EXPECT_EQ(zip.ArchiveComment(), comment);
    EXPECT_TRUE(boxes.Shown().empty());

    // One byte more after it and the record starts 65,558 bytes before the end.
    TZipExtractor beyond;
    beyond.SetZipFileName(dir.Write("beyond.zip", full + "!"));
    EXPECT_EQ(beyond.EntryCount(), 0);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"This file is not a ZIP archive:\n" +
                                                       dir.File("beyond.zip")}));
}

TEST(EndRecord, ASignatureInsideTheCommentDoesNotHideTheRealRecord) {
    // A comment quoting an end record (signature, then zeros) in its middle.
    const std::string fake = std::string("PK\x05\x06", 4) + std::string(18, '\0');
    const std::string comment = "before " + fake + " after";
    TempDir dir;
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(
        dir.Write("c.zip", BuildZip(Archive({Member("a.txt", "1")}, comment)).bytes));
    EXPECT_EQ(zip.EntryCount(), 1);
    EXPECT_EQ(zip.ArchiveComment(), comment);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(EndRecord, ACommentRunningPastTheEndWarnsAndKeepsWhatIsThere) {
    TempDir dir;
    FixtureLayout z = BuildZip(Archive({Member("a.txt", "1")}, "short"));
    Put16At(z.bytes, z.endRecord + 20, 500);
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(dir.Write("c.zip", z.bytes));
    EXPECT_EQ(zip.EntryCount(), 1);
    EXPECT_EQ(zip.ArchiveComment(), "short");
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{MessageText(10204)}));
}
