// Damaged and hostile files: each ends in its documented message ID, never in a crash, a
// hang or an allocation sized by a lying field. Every case is read once plainly and again
// through streams that answer 1, 7 and 31 bytes at a time, with the same outcome.
#include "archive/VolumeFile.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipRecords.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <filesystem>
#include <functional>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

using namespace zip;

FixtureArchive TwoMembers(std::string comment = {}) {
    return Archive({Member("a.txt", "alpha"), Member("b.txt", "beta")}, std::move(comment));
}

// The offset of the second central record in TwoMembers().
std::size_t SecondRecord(const FixtureLayout& z) {
    return z.centralStart + kCentralHeaderSize + 5;
}

struct Outcome {
    std::vector<int> ids;
    int entryCount = 0;
    std::vector<std::string> names; // of every entry kept, counted or not
    bool nameKept = false;
    std::string comment;

    bool operator==(const Outcome&) const = default;
};

Outcome ReadWith(const std::string& path, std::size_t step) {
    TZipExtractor zip;
    zip.SetUnattended(true);
    if (step > 0)
        zip.SetVolumeOpener(TrickleOpener(step));
    MessageLog log(zip);
    std::vector<std::string> names;
    zip.OnNewName = [&](TZipExtractor*, int, const ZipDirEntry& e) {
        names.push_back(e.FileName);
    };
    zip.SetZipFileName(path);
    return {log.Ids(), zip.EntryCount(), names, zip.ZipFileName() == path, zip.ArchiveComment()};
}

struct HostileCase {
    const char* title;
    std::function<std::string(const TempDir&)> make; // answers the path to read
    std::vector<int> ids;
    int entries;
    bool nameKept;
};

std::string Patched(const TempDir& dir, const char* name, FixtureLayout z,
                    const std::function<void(FixtureLayout&)>& patch) {
    patch(z);
    return dir.Write(name, z.bytes);
}

enum class Record { End, SecondCentral };

// TwoMembers() with one field of one record overwritten: a 16-bit one, or a 32-bit one.
template <typename Value>
std::function<std::string(const TempDir&)> WithField(const char* name, Record record,
                                                     std::size_t field, Value value) {
    return [=](const TempDir& d) {
        return Patched(d, name, BuildZip(TwoMembers()), [=](FixtureLayout& z) {
            const std::size_t at = (record == Record::End ? z.endRecord : SecondRecord(z)) + field;
            if constexpr (sizeof(Value) == 2)
                Put16At(z.bytes, at, value);
            else
                Put32At(z.bytes, at, value);
        });
    };
}

const HostileCase kCases[] = {
    {"shorter than an end record",
     [](const TempDir& d) {
         return d.Write("short.zip", std::string("PK\x05\x06", 4) + std::string(10, '\0'));
     },
     {11036},
     0,
     true},
    {"an empty file", [](const TempDir& d) { return d.Write("empty.zip", ""); }, {11036}, 0, true},
    {"no end record, name ending in 007",
     [](const TempDir& d) { return d.Write("data007.bin", std::string(100, 'x')); },
     {11038},
     0,
     true},
    {"no end record, extension .z03",
     [](const TempDir& d) { return d.Write("set.z03", std::string(100, 'x')); },
     {11038},
     0,
     true},
    {"spanning marker, first disk",
     [](const TempDir& d) {
         return d.Write("part001.bin",
                        std::string("PK\x07\x08PK\x03\x04", 8) + std::string(64, 'x'));
     },
     {11037},
     0,
     true},
    {"spanning marker, another disk",
     [](const TempDir& d) {
         return d.Write("part.z02", std::string("PK\x07\x08PK\x03\x04", 8) + std::string(64, 'x'));
     },
     {11045},
     0,
     true},
    {"more records than the directory holds, then the end record",
     WithField("count.zip", Record::End, kEndTotalRecords, std::uint16_t{3}),
     {11013},
     0,
     false},
    {"more records than the directory holds, then a long comment",
     [](const TempDir& d) {
         return Patched(
             d, "count2.zip", BuildZip(TwoMembers(std::string(40, 'c'))),
             [](FixtureLayout& z) { Put16At(z.bytes, z.endRecord + kEndTotalRecords, 0xFFFF); });
     },
     {11015},
     0,
     false},
    {"a name length running past the end",
     WithField("name.zip", Record::SecondCentral, kCentralNameLength, std::uint16_t{0xFFFF}),
     {11017},
     0,
     false},
    {"an extra field length running past the end",
     WithField("extra.zip", Record::SecondCentral, kCentralExtraLength, std::uint16_t{0xFFFF}),
     {10201},
     0,
     false},
    {"an entry comment length running past the end",
     WithField("comment.zip", Record::SecondCentral, kCentralCommentLength, std::uint16_t{0xFFFF}),
     {11022},
     0,
     false},
    {"a directory offset outside the file",
     WithField("offset.zip", Record::End, kEndDirectoryOffset, std::uint32_t{0xFFFFFF00}),
     {10203},
     2,
     true},
    {"a directory larger than the file",
     WithField("size.zip", Record::End, kEndDirectorySize, std::uint32_t{0x7FFFFFFF}),
     {10203, 10201},
     0,
     false},
    {"a wrong central signature",
     [](const TempDir& d) {
         return Patched(d, "sig.zip", BuildZip(TwoMembers()),
                        [](FixtureLayout& z) { z.bytes[SecondRecord(z) + 2] = 'X'; });
     },
     {11015},
     0,
     false},
    {"a consistent fake end record closing the comment",
     [](const TempDir& d) {
         const std::string fake = std::string("PK\x05\x06", 4) + std::string(18, '\0');
         return d.Write("fake.zip", BuildZip(TwoMembers("text " + fake)).bytes);
     },
     {10203},
     0,
     true},
    {"a directory said to start after the last disk",
     [](const TempDir& d) {
         return Patched(d, "disk.zip", BuildZip(TwoMembers()), [](FixtureLayout& z) {
             Put16At(z.bytes, z.endRecord + kEndThisDisk, 1);
             Put16At(z.bytes, z.endRecord + kEndDirectoryDisk, 3);
         });
     },
     {11013},
     0,
     false},
    {"a directory that walks over volumes linked to one file",
     [](const TempDir& d) {
         const std::string last =
             Patched(d, "loop003.zip", BuildZip(TwoMembers()), [](FixtureLayout& z) {
                 Put16At(z.bytes, z.endRecord + kEndThisDisk, 2);
                 Put16At(z.bytes, z.endRecord + kEndTotalRecords, 0xFFFF);
             });
         std::filesystem::create_symlink(last, d.File("loop001.zip"));
         std::filesystem::create_symlink(last, d.File("loop002.zip"));
         return last;
     },
     {11015},
     0,
     false},
    {"a FIFO",
     [](const TempDir& d) {
         ::mkfifo(d.File("pipe.zip").c_str(), 0600);
         return d.File("pipe.zip");
     },
     {11001},
     0,
     true},
    {"a device", [](const TempDir&) { return std::string("/dev/null"); }, {11001}, 0, true},
};

} // namespace

TEST(HostileArchives, EachEndsInItsDocumentedIdWhateverTheReadSize) {
    MessageCapture boxes; // Unattended: nothing may show up here
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.title);
        TempDir dir;
        const std::string path = c.make(dir);
        const Outcome plain = ReadWith(path, 0);
        EXPECT_EQ(plain.ids, c.ids);
        EXPECT_EQ(plain.entryCount, c.entries);
        EXPECT_EQ(plain.nameKept, c.nameKept);
        for (const std::size_t step : {1, 7, 31})
            EXPECT_EQ(ReadWith(path, step), plain) << "in steps of " << step;
    }
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(HostileArchives, AFailedReadKeepsWhatItReadButCountsNothing) {
    TempDir dir;
    FixtureLayout z = BuildZip(TwoMembers());
    Put16At(z.bytes, z.endRecord + kEndTotalRecords, 3);
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(dir.Write("count.zip", z.bytes));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{MessageText(11013)}));
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.Entries(1).FileName, "b.txt");
    EXPECT_EQ(zip.ArchiveStart(), 0);
}

TEST(HostileArchives, ANameWithoutEndRecordNamesTheDiskItLooksLike) {
    TempDir dir;
    MessageCapture boxes;
    TZipExtractor zip;
    zip.OnZipStr = [](TZipExtractor*, int id, std::string& text) {
        if (id == 11038)
            text = "This looks like disk %d of a set";
    };
    zip.SetZipFileName(dir.Write("scan007.jib", std::string(300, 'x')));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"This looks like disk 7 of a set"}));
}

TEST(HostileArchives, ASetClaimingThousandsOfVolumesEndsAtTheLastNameItCanHave) {
    // Every volume asked for is this same file, as links or a crafted mount could make
    // it; the end record claims 61,696 disks, and the one record's lengths send the
    // reader over some two thousand of these 100-byte volumes.
    TempDir dir;
    FixtureLayout z = BuildZip(Archive({Member("a")}));
    ASSERT_EQ(z.bytes.size(), 100u);
    for (const std::size_t field : {kCentralNameLength, kCentralExtraLength, kCentralCommentLength})
        Put16At(z.bytes, z.centralStart + field, 0xFFFF);
    Put16At(z.bytes, z.endRecord + kEndThisDisk, 0xF100);
    Put16At(z.bytes, z.endRecord + kEndTotalRecords, 0xD3D6);
    const std::string path = dir.Write("input.zip", z.bytes);
    for (const bool compat : {false, true}) {
        SCOPED_TRACE(compat ? "volumes named .z01 ..." : "volumes named in001.zip ...");
        TZipExtractor zip;
        zip.SetUnattended(true);
        zip.SetSpanOptions(compat ? SpanOpts(spCompatName) : SpanOpts());
        zip.SetVolumeOpener([&](const std::string&) { return OpenVolumeFile(path); });
        MessageLog log(zip);
        zip.SetZipFileName(path);
        // The numbered names stop at 999; the ".zNN" ones go on until the set ends.
        EXPECT_EQ(log.Ids(), (std::vector<int>{compat ? 11015 : 11001}));
        EXPECT_EQ(zip.EntryCount(), 0);
    }
}
