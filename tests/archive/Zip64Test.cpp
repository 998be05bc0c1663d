// Archives as real tools write them once they grow: the ZIP64 records of Info-ZIP zip,
// Python's zipfile and bsdtar, an archive past 4 GiB whose 32-bit offsets overflow for real
// (sparse, so it costs no disk), spanned ZIP64 sets, and the zeros bsdtar pads a piped
// archive with.
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "archive/ZipStrings.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

// Enough members that the classic 16-bit counts cannot hold them.
constexpr int kManyMembers = 70000;

// 4 GiB and a little more: the member after it starts past what 32 bits can address.
constexpr std::uint64_t kHoleSize = (std::uint64_t{1} << 32) + 65536;

std::string PreviewBytes() {
    return "\x89PNG\r\n\x1a\n" + NoiseBytes(3000, 12);
}

// Lists the names and reads the preview back through the engine, as the viewer does.
struct ReadBack {
    int count = 0;
    std::vector<std::string> names;
    std::string preview;
};

ReadBack ListAndExtract(const std::string& archive, const std::string& outFolder,
                        const std::function<void(TZipExtractor&)>& configure = {}) {
    ReadBack result;
    TZipExtractor zip;
    if (configure)
        configure(zip);
    zip.SetZipFileName(archive);
    result.count = zip.EntryCount();
    for (int i = 0; i < zip.EntryCount(); ++i)
        result.names.push_back(zip.Entries(i).FileName);
    zip.FSpecArgs().push_back("preview.png");
    zip.SetExtrBaseDir(outFolder);
    zip.SetExtrOptions(ExtrOverWrite);
    zip.Extract();
    result.preview = ReadBytes(outFolder + "/preview.png");
    return result;
}

// The CRC-32 of `count` zero bytes, by doubling with crc32_combine instead of reading
// gigabytes of zeros.
std::uint32_t CrcOfZeros(std::uint64_t count) {
    uLong result = 0;
    uLong power = crc32(0, reinterpret_cast<const Bytef*>(""), 0);
    const unsigned char zero = 0;
    power = crc32(power, &zero, 1); // CRC of one zero byte
    std::uint64_t powerLength = 1;
    std::uint64_t resultLength = 0;
    for (std::uint64_t n = count; n != 0; n >>= 1) {
        if (n & 1) {
            result = resultLength == 0
                         ? power
                         : crc32_combine(result, power, static_cast<z_off_t>(powerLength));
            resultLength += powerLength;
        }
        power = crc32_combine(power, power, static_cast<z_off_t>(powerLength));
        powerLength *= 2;
    }
    return static_cast<std::uint32_t>(result);
}

void Put64(std::string& bytes, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>(v >> (8 * i));
}
void Put32(std::string& bytes, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(v >> (8 * i));
}
void Put16(std::string& bytes, std::uint16_t v) {
    bytes += static_cast<char>(v);
    bytes += static_cast<char>(v >> 8);
}

// A ZIP64 archive as a streaming writer lays it out: "zeros.bin", kHoleSize stored zero
// bytes left as a hole in the file, then "preview.png" stored, whose local header offset
// needs 64 bits; central records with ZIP64 extra blocks for exactly the fields that
// overflow; a ZIP64 end record, its locator, and an end record with the 32-bit markers.
void WriteSparseZip64(const std::string& path, const std::string& preview) {
    const auto localHeader = [](const std::string& name, std::uint32_t crc, std::uint64_t size) {
        std::string h;
        Put32(h, 0x04034B50);
        Put16(h, 45); // version needed: ZIP64
        Put16(h, 0);  // flags
        Put16(h, 0);  // stored
        Put32(h, 0);  // time and date
        Put32(h, crc);
        const bool big = size >= 0xFFFFFFFF;
        Put32(h, big ? 0xFFFFFFFF : static_cast<std::uint32_t>(size));
        Put32(h, big ? 0xFFFFFFFF : static_cast<std::uint32_t>(size));
        Put16(h, static_cast<std::uint16_t>(name.size()));
        Put16(h, big ? 20 : 0);
        h += name;
        if (big) { // ZIP64 block: uncompressed, then compressed size
            Put16(h, 0x0001);
            Put16(h, 16);
            Put64(h, size);
            Put64(h, size);
        }
        return h;
    };
    const auto centralRecord = [](const std::string& name, std::uint32_t crc, std::uint64_t size,
                                  std::uint64_t offset) {
        const bool bigSize = size >= 0xFFFFFFFF;
        const bool bigOffset = offset >= 0xFFFFFFFF;
        std::string extra;
        if (bigSize) {
            Put64(extra, size);
            Put64(extra, size);
        }
        if (bigOffset)
            Put64(extra, offset);
        std::string r;
        Put32(r, 0x02014B50);
        Put16(r, 0x0300 | 45); // made by Unix, version 4.5
        Put16(r, 45);
        Put16(r, 0);
        Put16(r, 0);
        Put32(r, 0);
        Put32(r, crc);
        Put32(r, bigSize ? 0xFFFFFFFF : static_cast<std::uint32_t>(size));
        Put32(r, bigSize ? 0xFFFFFFFF : static_cast<std::uint32_t>(size));
        Put16(r, static_cast<std::uint16_t>(name.size()));
        Put16(r, static_cast<std::uint16_t>(extra.empty() ? 0 : extra.size() + 4));
        Put16(r, 0);          // comment
        Put16(r, 0);          // disk
        Put16(r, 0);          // internal attributes
        Put32(r, 0644 << 16); // external attributes: a Unix file
        Put32(r, bigOffset ? 0xFFFFFFFF : static_cast<std::uint32_t>(offset));
        r += name;
        if (!extra.empty()) {
            Put16(r, 0x0001);
            Put16(r, static_cast<std::uint16_t>(extra.size()));
            r += extra;
        }
        return r;
    };

    const std::uint32_t zerosCrc = CrcOfZeros(kHoleSize);
    const std::uint32_t previewCrc = Crc32Of(preview);
    const std::string first = localHeader("zeros.bin", zerosCrc, kHoleSize);
    const std::uint64_t previewOffset = first.size() + kHoleSize;
    const std::string second = localHeader("preview.png", previewCrc, preview.size()) + preview;
    const std::uint64_t directoryOffset = previewOffset + second.size();
    const std::string directory =
        centralRecord("zeros.bin", zerosCrc, kHoleSize, 0) +
        centralRecord("preview.png", previewCrc, preview.size(), previewOffset);
    const std::uint64_t zip64End = directoryOffset + directory.size();
    std::string tail = directory;
    Put32(tail, 0x06064B50);
    Put64(tail, 44); // what follows the size field
    Put16(tail, 0x0300 | 45);
    Put16(tail, 45);
    Put32(tail, 0); // this disk
    Put32(tail, 0); // directory's disk
    Put64(tail, 2);
    Put64(tail, 2);
    Put64(tail, directory.size());
    Put64(tail, directoryOffset);
    Put32(tail, 0x07064B50); // locator
    Put32(tail, 0);
    Put64(tail, zip64End);
    Put32(tail, 1);
    Put32(tail, 0x06054B50); // end record
    Put16(tail, 0);
    Put16(tail, 0);
    Put16(tail, 2);
    Put16(tail, 2);
    Put32(tail, static_cast<std::uint32_t>(directory.size()));
    Put32(tail, 0xFFFFFFFF);
    Put16(tail, 0);

    const int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, first.data(), first.size(), 0), static_cast<ssize_t>(first.size()));
    // The zeros themselves are never written: the file system keeps a hole there.
    ASSERT_EQ(::pwrite(fd, second.data(), second.size(), static_cast<off_t>(previewOffset)),
              static_cast<ssize_t>(second.size()));
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(directoryOffset)),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
}

// Inserts a ZIP64 end record and locator in front of the end record of a classic archive
// and puts the markers into the end record, as Python's zipfile does past 65,535 members.
std::string WithZip64End(const FixtureLayout& z, std::uint64_t totalRecords) {
    const std::string& b = z.bytes;
    const std::uint64_t directorySize = z.endRecord - z.centralStart;
    std::string end64;
    Put32(end64, 0x06064B50);
    Put64(end64, 44);
    Put16(end64, 45);
    Put16(end64, 45);
    Put32(end64, 0);
    Put32(end64, 0);
    Put64(end64, totalRecords);
    Put64(end64, totalRecords);
    Put64(end64, directorySize);
    Put64(end64, z.centralStart);
    Put32(end64, 0x07064B50);
    Put32(end64, 0);
    Put64(end64, z.endRecord);
    Put32(end64, 1);
    std::string out = b.substr(0, z.endRecord) + end64 + b.substr(z.endRecord);
    const std::size_t end = z.endRecord + end64.size();
    Put16At(out, end + 8, 0xFFFF);
    Put16At(out, end + 10, 0xFFFF);
    Put32At(out, end + 16, 0xFFFFFFFF);
    return out;
}

} // namespace

TEST(Zip64, SeventyThousandMembersFromInfoZipAndPythonAreListedAndExtracted) {
    TempDir dir;
    const std::string preview = PreviewBytes();
    dir.Write("preview.png", preview);
    // Python writes the members, the thumbnail last with its sizes in a ZIP64 block.
    ASSERT_EQ(RunIn(dir.Path(), "python3 -c 'import zipfile\n"
                                "with zipfile.ZipFile(\"python.zip\", \"w\") as z:\n"
                                "    for i in range(70000): z.writestr(\"m/%05d\" % i, b\"\")\n"
                                "    with z.open(\"preview.png\", \"w\", force_zip64=True) as f:\n"
                                "        f.write(open(\"preview.png\", \"rb\").read())'"),
              0);
    // Info-ZIP replaces the thumbnail with its own copy and writes the whole directory and
    // its ZIP64 end records anew, as it would for 70,000 files of its own: without the
    // seconds that making 70,000 files on disk would cost.
    ASSERT_EQ(RunIn(dir.Path(), "cp python.zip infozip.zip"), 0);
    Zip(dir.Path(), "infozip.zip preview.png");
    for (const char* archive : {"infozip.zip", "python.zip"}) {
        SCOPED_TRACE(archive);
        MessageCapture boxes;
        const std::string out = dir.MakeDir(std::string("out-") + archive);
        const ReadBack r = ListAndExtract(dir.File(archive), out);
        ASSERT_EQ(r.count, kManyMembers + 1);
        EXPECT_EQ(r.names.front(), "m/00000");
        EXPECT_EQ(r.names[kManyMembers - 1], "m/69999");
        EXPECT_EQ(r.names.back(), "preview.png");
        EXPECT_TRUE(r.preview == preview);
        EXPECT_TRUE(boxes.Shown().empty()) << boxes.Texts().front();
    }
}

TEST(Zip64, BsdtarArchivesWithZip64ForcedOrPaddedByAPipeReadWithoutWarnings) {
    TempDir dir;
    const std::string preview = PreviewBytes();
    dir.Write("preview.png", preview);
    dir.Write("notes.txt", NoiseBytes(20000, 3));
    ASSERT_EQ(RunIn(dir.Path(), "bsdtar --format zip --options zip:zip64 -cf forced.zip "
                                "notes.txt preview.png"),
              0);
    // Written to a pipe, bsdtar fills its last 10,240-byte record with zeros.
    ASSERT_EQ(RunIn(dir.Path(), "(bsdtar --format zip -cf - notes.txt preview.png | cat > "
                                "piped.zip)"),
              0);
    ASSERT_EQ(ReadBytes(dir.File("piped.zip")).size() % 10240, 0u);
    for (const char* archive : {"forced.zip", "piped.zip"}) {
        SCOPED_TRACE(archive);
        MessageCapture boxes;
        const std::string out = dir.MakeDir(std::string("out-") + archive);
        const ReadBack r = ListAndExtract(dir.File(archive), out);
        EXPECT_EQ(r.names, (std::vector<std::string>{"notes.txt", "preview.png"}));
        EXPECT_TRUE(r.preview == preview);
        EXPECT_TRUE(boxes.Shown().empty()) << boxes.Texts().front();
    }
}

TEST(Zip64, AnArchivePastFourGigabytesListsItsRealOffsetsAndExtractsItsLastMember) {
    TempDir dir;
    const std::string preview = PreviewBytes();
    const std::string archive = dir.File("huge.jib");
    WriteSparseZip64(archive, preview);
    // Info-ZIP's unzip reads the same two members and sizes: the fixture is what it says.
    ASSERT_EQ(RunIn(dir.Path(), "unzip -l huge.jib | grep -Eq '^ *4295032832 .* zeros[.]bin$'"), 0);
    ASSERT_EQ(RunIn(dir.Path(), "unzip -tq huge.jib preview.png"), 0);

    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(archive);
    ASSERT_EQ(zip.EntryCount(), 2);
    EXPECT_EQ(zip.Entries(0).FileName, "zeros.bin");
    EXPECT_EQ(zip.Entries(0).UncompressedSize, kHoleSize);
    EXPECT_EQ(zip.Entries(0).CompressedSize, kHoleSize);
    EXPECT_EQ(zip.Entries(0).Crc32, CrcOfZeros(kHoleSize));
    EXPECT_EQ(zip.Entries(1).FileName, "preview.png");
    // Behind the first local header: 30 bytes, the name and a 20-byte ZIP64 block.
    EXPECT_EQ(zip.Entries(1).LocalHeaderOffset, 30 + 9 + 20 + kHoleSize);
    EXPECT_EQ(zip.Entries(1).UncompressedSize, preview.size());
    EXPECT_EQ(zip.ArchiveStart(), 0);

    const std::string out = dir.MakeDir("out");
    zip.FSpecArgs().push_back("preview.png");
    zip.SetExtrBaseDir(out);
    zip.SetExtrOptions(ExtrOverWrite);
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(zip.HandledCount(), 1);
    EXPECT_TRUE(ReadBytes(out + "/preview.png") == preview);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(Zip64, ASpannedZip64SetIsListedButRefusedWhole) {
    TempDir dir;
    const std::string preview = PreviewBytes();
    dir.Write("preview.png", preview);
    dir.Write("big.bin", NoiseBytes(150000, 5));
    // Info-ZIP's -fz forces ZIP64 records: offsets held as markers, 64-bit descriptors.
    Zip(dir.Path(), "-fz -s 64k set.zip big.bin preview.png");
    ASSERT_TRUE(FileExists(dir.File("set.z02")));
    const std::string out = dir.MakeDir("out");
    const std::string temp = dir.MakeDir("temp");

    MessageCapture boxes;
    const ReadBack r = ListAndExtract(dir.File("set.zip"), out, [&](TZipExtractor& zip) {
        zip.SetSpanOptions(spCompatName);
        zip.SetTempDir(temp);
    });
    EXPECT_EQ(r.names, (std::vector<std::string>{"big.bin", "preview.png"}));
    // Joining would write 32-bit records over 64-bit data: nothing is joined or extracted.
    EXPECT_TRUE(r.preview.empty());
    ASSERT_EQ(boxes.Texts().size(), 1u);
    EXPECT_NE(boxes.Texts()[0].find("ZIP64"), std::string::npos) << boxes.Texts()[0];
    EXPECT_EQ(RunIn(temp, "test -z \"$(ls -A)\""), 0) << "a joined file was left behind";
}

TEST(Zip64, DamagedZip64RecordsEndInTheirMessages) {
    const FixtureLayout z =
        BuildZip(Archive({Member("preview.png", "png"), Member("notes.txt", "text", "a comment")}));
    // The second record's compressed size says "see the ZIP64 block", and there is none.
    std::string unmarked = WithZip64End(z, 2);
    Put32At(unmarked, z.centralStart + 46 + 11 + 20, 0xFFFFFFFF);
    const std::string stubbed = std::string(700, 'S') + WithZip64End(z, 2);
    std::string unsigned64 = WithZip64End(z, 2);
    unsigned64[z.endRecord + 3] = '\x09'; // "PK\6\9": no ZIP64 record anywhere
    struct Case {
        const char* name;
        std::string bytes;
        int entries;
        std::vector<int> ids;
    };
    const Case cases[] = {
        {"valid", WithZip64End(z, 2), 2, {}},
        // Offsets short by the stub: the records are found, and the stub is warned about.
        {"stub in front", stubbed, 2, {zm::DirectoryMisplaced}},
        {"no ZIP64 record for the markers", unsigned64, 0, {zm::DirectorySeek}},
        {"more entries than an int",
         WithZip64End(z, std::uint64_t{1} << 33),
         0,
         {zm::DirectoryFailed}},
        {"marked size without its value", unmarked, 0, {zm::DirectorySeek}},
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture boxes;
        TZipExtractor zip;
        MessageLog log(zip);
        zip.SetZipFileName(dir.Write("t.zip", c.bytes));
        EXPECT_EQ(zip.EntryCount(), c.entries);
        EXPECT_EQ(log.Ids(), c.ids);
    }
}

TEST(Zip64, ALocatorLookalikeBeforeIntactClassicFieldsIsIgnored) {
    // The last record's comment ends in bytes that read as a locator pointing at nothing.
    std::string lookalike = "PK\x06\x07" + std::string(16, '\x01');
    const FixtureLayout z = BuildZip(Archive({Member("a.txt", "1", lookalike)}));
    TempDir dir;
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(dir.Write("t.zip", z.bytes));
    EXPECT_EQ(zip.EntryCount(), 1);
    EXPECT_EQ(zip.Entries(0).FileComment, lookalike);
    EXPECT_TRUE(boxes.Shown().empty());
}
