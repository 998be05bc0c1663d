// Spanned archives: archives split by Info-ZIP "zip -s" are listed from their last volume
// and joined into one archive that Info-ZIP "unzip -t" accepts; volumes are found under
// both naming schemes; removable media prompt for their disks.
#include "archive/ZipExtractor.h"
#include "archive/ZipJoinTable.h"
#include "archive/ZipMessages.h"
#include "archive/ZipRecords.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace zip;

namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class SplitArchives : public ::testing::Test {
protected:
    void SetUp() override {
        FBig = NoiseBytes(200000, 7);
        FDir.Write("big.bin", FBig);
        FDir.Write("preview.png", NoiseBytes(3000, 11));
        FDir.Write("notes.txt", "Some notes that compress a little, notes, notes.");
        FOut = FDir.MakeDir("out") + "/";
    }

    // "zip -s 64k": split.z01 ... split.z03 and split.zip, the directory in the last.
    void MakeSplit(const std::string& files = "big.bin preview.png notes.txt") {
        Zip(FDir.Path(), "-s 64k split.zip " + files);
        ASSERT_TRUE(fs::exists(FDir.File("split.z03")));
    }

    int Join(TZipExtractor& zip, const std::string& archive, std::string& out) {
        out = FOut;
        return zip.JoinSpannedArchive(FDir.File(archive), out);
    }

    TempDir FDir;
    std::string FBig;
    std::string FOut;
};

} // namespace

TEST_F(SplitArchives, AreListedFromTheirLastVolume) {
    MakeSplit();
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetZipFileName(FDir.File("split.zip"));
    ASSERT_EQ(zip.EntryCount(), 3);
    EXPECT_TRUE(zip.ArchiveIsSpanned());
    EXPECT_EQ(zip.Entries(0).FileName, "big.bin");
    EXPECT_EQ(zip.Entries(0).DiskNumberStart, 0);
    EXPECT_EQ(zip.Entries(0).Crc32, Crc32Of(FBig));
    EXPECT_EQ(zip.Entries(1).DiskNumberStart, 3);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(SplitArchives, JoinIntoOneArchiveThatUnzipAccepts) {
    MakeSplit();
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetSpanOptions(spCompatName);
    std::string out;
    ASSERT_EQ(Join(zip, "split.zip", out), 0);
    EXPECT_EQ(out.rfind(FOut + "zip", 0), 0u) << out;
    EXPECT_EQ(out.substr(out.size() - 4), ".zip");
    EXPECT_EQ(RunIn(FDir.Path(), "unzip -tq '" + out + "'"), 0);
    EXPECT_EQ(RunIn(FDir.Path(), "unzip -p '" + out + "' big.bin | cmp -s - big.bin"), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(zip.OperationBusy());

    // The joined archive is a single-disk archive with the same members.
    TZipExtractor joined;
    joined.SetZipFileName(out);
    ASSERT_EQ(joined.EntryCount(), 3);
    EXPECT_FALSE(joined.ArchiveIsSpanned());
    EXPECT_EQ(joined.Entries(2).FileName, "notes.txt");
    EXPECT_EQ(joined.Entries(2).DiskNumberStart, 0);
    // It carries the date of the archive it was made from.
    struct stat a, b;
    ASSERT_EQ(::stat(FDir.File("split.zip").c_str(), &a), 0);
    ASSERT_EQ(::stat(out.c_str(), &b), 0);
    EXPECT_EQ(a.st_mtime, b.st_mtime);
}

TEST_F(SplitArchives, JoiningReportsItsProgress) {
    MakeSplit();
    TZipExtractor zip;
    zip.SetSpanOptions(spCompatName);
    MessageLog log(zip);
    std::vector<ProgressType> kinds;
    std::vector<std::pair<std::string, std::uint32_t>> items;
    std::vector<int> totalPercents;
    zip.OnProgress = [&](TZipExtractor*, ProgressType type, const std::string& name,
                         std::uint32_t size) {
        kinds.push_back(type);
        if (type == ptNewItem)
            items.emplace_back(name, size);
    };
    zip.OnTotalProgress = [&](TZipExtractor*, std::uint32_t, int percent) {
        totalPercents.push_back(percent);
    };
    std::string out;
    ASSERT_EQ(Join(zip, "split.zip", out), 0);

    ASSERT_GE(kinds.size(), 4u);
    EXPECT_EQ(kinds[0], ptTotalCount);
    EXPECT_EQ(kinds[1], ptTotalSize);
    EXPECT_EQ(kinds.back(), ptBatchEnd);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].first, "big.bin");
    EXPECT_GT(items[0].second, 200000u); // header, name and extra field count too
    std::vector<std::string> texts;
    for (const auto& e : log.Events())
        texts.push_back(e.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Copying: big.bin", "Copying: preview.png",
                                               "Copying: notes.txt"}));
    EXPECT_EQ(log.Codes(), (std::vector<int>{0, 0, 0}));
    // Each phase's percentages climb to 100 before the batch ends (reported as -1).
    const auto firstEnd = std::find(totalPercents.begin(), totalPercents.end(), -1);
    ASSERT_NE(firstEnd, totalPercents.begin());
    EXPECT_TRUE(std::is_sorted(totalPercents.begin(), firstEnd));
    EXPECT_EQ(*(firstEnd - 1), 100);
}

TEST_F(SplitArchives, NamesDifferingInCaseAndLongNamesSurviveTheJoin) {
    const std::string deep = std::string(60, 'd') + "/" + std::string(60, 'e') + "/" +
                             std::string(60, 'f') + "/" + std::string(60, 'g') + "/";
    FDir.Write(deep + "layer-with-a-long-name.png", "long");
    FDir.Write("Same.txt", "upper");
    FDir.Write("same.txt", "lower");
    Zip(FDir.Path(),
        "-s 64k split.zip big.bin Same.txt same.txt " + deep + "layer-with-a-long-name.png");
    TZipExtractor zip;
    zip.SetSpanOptions(spCompatName);
    std::string out;
    ASSERT_EQ(Join(zip, "split.zip", out), 0);
    EXPECT_EQ(RunIn(FDir.Path(), "unzip -tq '" + out + "'"), 0);
    EXPECT_EQ(RunIn(FDir.Path(), "test \"$(unzip -p '" + out + "' Same.txt)\" = upper"), 0);
    EXPECT_EQ(RunIn(FDir.Path(), "test \"$(unzip -p '" + out + "' same.txt)\" = lower"), 0);
}

TEST_F(SplitArchives, ADirectorySpreadOverVolumesIsFollowed) {
    std::string files;
    for (int i = 0; i < 600; ++i) {
        const std::string name =
            "layer-" + std::to_string(1000 + i) + std::string(90, 'x') + ".png";
        FDir.Write(name, "");
        files += " " + name;
    }
    Zip(FDir.Path(), "-s 64k split.zip" + files);
    MessageCapture boxes;
    TZipExtractor compat;
    compat.SetSpanOptions(spCompatName);
    compat.SetZipFileName(FDir.File("split.zip"));
    EXPECT_EQ(compat.EntryCount(), 600);
    EXPECT_TRUE(boxes.Shown().empty());

    // Without the ".z01" scheme the volumes are looked for as "spl001.zip" and so on.
    TZipExtractor pkzip;
    pkzip.SetZipFileName(FDir.File("split.zip"));
    EXPECT_EQ(pkzip.EntryCount(), 0);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{MessageText(11001)}));

    // Read through tiny pieces, the walk over the volumes gives the same list.
    TZipExtractor trickle;
    trickle.SetSpanOptions(spCompatName);
    trickle.SetVolumeOpener(TrickleOpener(7));
    trickle.SetZipFileName(FDir.File("split.zip"));
    ASSERT_EQ(trickle.EntryCount(), 600);
    EXPECT_EQ(trickle.Entries(599).FileName, compat.Entries(599).FileName);
}

TEST_F(SplitArchives, NumberedVolumesAreFoundWithoutTheCompatibleScheme) {
    MakeSplit();
    fs::rename(FDir.File("split.z01"), FDir.File("set001.zip"));
    fs::rename(FDir.File("split.z02"), FDir.File("set002.zip"));
    fs::rename(FDir.File("split.z03"), FDir.File("set003.zip"));
    fs::rename(FDir.File("split.zip"), FDir.File("set004.zip"));
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetVerbose(true);
    MessageLog log(zip);
    std::string out;
    // "set.zip" itself does not exist: the last numbered volume is looked up.
    ASSERT_EQ(Join(zip, "set.zip", out), 0);
    EXPECT_EQ(RunIn(FDir.Path(), "unzip -tq '" + out + "'"), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    // Verbose: each volume opened is named as a message (the directory's, then the first).
    ASSERT_GE(log.Events().size(), 2u);
    EXPECT_EQ(log.Events()[0].text, "Trace : GetNewDisk Opening " + FDir.File("set004.zip"));
    EXPECT_EQ(log.Events()[1].text, "Trace : GetNewDisk Opening " + FDir.File("set001.zip"));

    TZipExtractor missing;
    ASSERT_EQ(Join(missing, "other.zip", out), -9);
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{MessageText(11002)}));
    EXPECT_EQ(out, "");
}

TEST_F(SplitArchives, AFailedJoinLeavesNothingBehind) {
    MakeSplit();
    struct Case {
        const char* title;
        std::function<void(const TempDir&)> damage;
        int id;
    };
    const Case cases[] = {
        {"a volume that is a FIFO",
         [](const TempDir& d) {
             fs::remove(d.File("split.z02"));
             ::mkfifo(d.File("split.z02").c_str(), 0600);
         },
         11001},
        {"a first volume without the spanning marker",
         [](const TempDir& d) {
             std::string v = ReadBytes(d.File("split.z01"));
             v[2] = 'X';
             WriteBytes(d.File("split.z01"), v);
         },
         11031},
        {"a missing volume", [](const TempDir& d) { fs::remove(d.File("split.z01")); }, 11001},
    };
    const std::string pristine = FDir.MakeDir("pristine");
    for (const char* v : {"split.z01", "split.z02", "split.z03", "split.zip"})
        fs::copy_file(FDir.File(v), pristine + "/" + v);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        for (const char* v : {"split.z01", "split.z02", "split.z03", "split.zip"}) {
            fs::remove(FDir.File(v));
            fs::copy_file(pristine + "/" + v, FDir.File(v));
        }
        c.damage(FDir);
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetSpanOptions(spCompatName);
        std::string out;
        EXPECT_EQ(Join(zip, "split.zip", out), -7);
        EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{MessageText(c.id)}));
        EXPECT_EQ(out, "");
        EXPECT_TRUE(FilesIn(FOut).empty());
        EXPECT_FALSE(zip.OperationBusy());
    }
}

TEST_F(SplitArchives, RemovableMediaAskForTheirDisks) {
    MakeSplit();
    const TDriveDetails usb{.Root = "/media/usb/",
                            .Fixed = false,
                            .Usable = true,
                            .Label = "",
                            .Size = 1 << 20,
                            .Free = 0};
    fs::rename(FDir.File("split.z01"), FDir.File("away.z01"));

    // The default prompt: a message box naming the disk and the drive.
    {
        MessageCapture boxes(IDCANCEL);
        TZipExtractor zip;
        zip.SetSpanOptions(spCompatName);
        zip.SetDriveProbe([&](const std::string&) { return usb; });
        MessageLog log(zip);
        std::string out;
        EXPECT_EQ(Join(zip, "split.zip", out), -7);
        ASSERT_EQ(boxes.Shown().size(), 1u); // Cancel is not reported in a box of its own
        EXPECT_EQ(boxes.Texts()[0], "Please insert disk volume 1 of 4\nin drive: /media/usb/");
        EXPECT_EQ(boxes.Shown()[0].Caption, "Quillbrew Free JIB Viewer");
        EXPECT_EQ(boxes.Shown()[0].Buttons(), MB_OKCANCEL);
        EXPECT_EQ(log.Codes(), (std::vector<int>{11007}));
    }
    // OnGetNextDisk instead of the box: the handler "inserts" the disk.
    {
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetSpanOptions(spCompatName);
        zip.SetDriveProbe([&](const std::string&) { return usb; });
        std::vector<std::tuple<int, int, std::string>> asked;
        zip.OnGetNextDisk = [&](TZipExtractor*, int disk, int total, const std::string& drive,
                                bool& abort) {
            asked.emplace_back(disk, total, drive);
            fs::rename(FDir.File("away.z01"), FDir.File("split.z01"));
            abort = false;
        };
        std::string out;
        EXPECT_EQ(Join(zip, "split.zip", out), 0);
        EXPECT_EQ(asked, (std::vector<std::tuple<int, int, std::string>>{{1, 4, "/media/usb/"}}));
        EXPECT_TRUE(boxes.Shown().empty());
        EXPECT_EQ(RunIn(FDir.Path(), "unzip -tq '" + out + "'"), 0);
    }
    // Unattended, a disk that must be inserted is an error of its own.
    {
        fs::rename(FDir.File("split.z01"), FDir.File("away.z01"));
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetUnattended(true);
        zip.SetSpanOptions(spCompatName);
        zip.SetDriveProbe([&](const std::string&) { return usb; });
        MessageLog log(zip);
        std::string out;
        EXPECT_EQ(Join(zip, "split.zip", out), -7);
        EXPECT_EQ(log.Codes(), (std::vector<int>{11025}));
        EXPECT_TRUE(boxes.Shown().empty());
    }
}

namespace {

// Splits a hand-built archive that starts with the spanning marker into two volumes at
// `cut` (which must lie before the directory): the second volume's records then count
// their offsets from its own start and say they are on disk 1.
void WriteTwoVolumes(const TempDir& dir, FixtureLayout z, std::size_t cut) {
    std::string second = z.bytes.substr(cut);
    std::size_t at = z.centralStart - cut;
    while (at < z.endRecord - cut) {
        const std::uint32_t offset =
            Get32(reinterpret_cast<const std::uint8_t*>(&second[at + kCentralLocalHeaderOffset]));
        if (offset >= cut) {
            Put32At(second, at + kCentralLocalHeaderOffset,
                    static_cast<std::uint32_t>(offset - cut));
            Put16At(second, at + kCentralDiskNumberStart, 1);
        }
        const auto* r = reinterpret_cast<const std::uint8_t*>(&second[at]);
        at += kCentralHeaderSize + Get16(r + kCentralNameLength) + Get16(r + kCentralExtraLength) +
              Get16(r + kCentralCommentLength);
    }
    const std::size_t end = z.endRecord - cut;
    Put16At(second, end + kEndThisDisk, 1);
    Put16At(second, end + kEndDirectoryDisk, 1);
    Put32At(second, end + kEndDirectoryOffset, static_cast<std::uint32_t>(z.centralStart - cut));
    WriteBytes(dir.File("hand.z01"), z.bytes.substr(0, cut));
    WriteBytes(dir.File("hand.zip"), second);
}

} // namespace

TEST(JoinByHand, DataDescriptorsWithAndWithoutSignatureAreCopiedWhole) {
    // Cut inside the first local header, and inside the first member's data.
    for (const auto& [signature, cut] :
         {std::pair{true, 20}, {false, 20}, {true, 45}, {false, 45}}) {
        SCOPED_TRACE(std::string(signature ? "with" : "without") + " signature, cut at " +
                     std::to_string(cut));
        TempDir dir;
        FixtureArchive archive =
            Archive({Member("one.txt", "first member"), Member("two.txt", "second member")},
                    "joined by hand");
        archive.prefix = std::string("PK\x07\x08", 4); // the spanning marker
        for (auto& e : archive.entries) {
            e.dataDescriptor = true;
            e.descriptorSignature = signature;
        }
        const FixtureLayout z = BuildZip(archive);
        WriteTwoVolumes(dir, z, static_cast<std::size_t>(cut));
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetSpanOptions(spCompatName);
        std::string out = dir.Path() + "/";
        ASSERT_EQ(zip.JoinSpannedArchive(dir.File("hand.zip"), out), 0);
        EXPECT_EQ(RunIn(dir.Path(), "unzip -tq '" + out + "'"), 0);
        EXPECT_EQ(RunIn(dir.Path(), "test \"$(unzip -p '" + out + "' two.txt)\" = 'second member'"),
                  0);
        EXPECT_TRUE(boxes.Shown().empty());
        TZipExtractor joined;
        joined.SetZipFileName(out);
        EXPECT_EQ(joined.EntryCount(), 2);
        EXPECT_EQ(joined.ArchiveComment(), "joined by hand");
    }
}

TEST(JoinTable, MatchesEachLocalHeaderToItsOwnRecord) {
    TZipJoinTable table;
    table.Add("A.txt", 1);
    table.Add("a.txt", 2);
    table.Add("b.txt", 3);
    EXPECT_EQ(table.Claim("a.txt").CompressedSize, 2u); // the exact name first
    EXPECT_EQ(table.Claim("a.txt").CompressedSize, 1u); // then one equal but for case
    EXPECT_EQ(table.Claim("B.TXT").CompressedSize, 3u);
    try {
        table.Claim("a.txt");
        FAIL() << "every record is taken";
    } catch (const EZipExtractor& e) {
        EXPECT_EQ(e.MessageId(), 11026);
    }
    try {
        table[3];
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Index (3) outside range 1..2");
    }
}
