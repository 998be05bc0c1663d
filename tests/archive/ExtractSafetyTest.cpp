// Extract with the real engine where things go wrong or need the user: encrypted members,
// member names that point outside the target folder, a spanned archive with a volume
// missing, and a component destroyed in the middle of a run.
#include "archive/ZipExtractor.h"
#include "archive/ZipMessages.h"
#include "engine/UnzEngineAbi.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/archive/DialogScript.h"
#include "tests/archive/EngineTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <filesystem>
#include <functional>

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class Encrypted : public ::testing::Test {
protected:
    void SetUp() override {
        FDir.Write("src/a.txt", "first secret\n");
        FDir.Write("src/b.txt", "second secret\n");
        ASSERT_EQ(RunIn(FDir.File("src"), "zip -q -X -P 'Lumen pix' ../enc.zip a.txt b.txt"), 0);
    }
    TempDir FDir;
};

} // namespace

TEST_F(Encrypted, PasswordsComeFromTheHandlerOrTheUser) {
    struct Case {
        const char* label;
        std::function<void(TZipExtractor&)> setUp;
        std::vector<DialogAnswer> dialog;
        std::size_t dialogs;
        std::vector<std::string> written;
        std::vector<int> skipTypes;
    };
    const std::vector<std::string> both{"a.txt", "b.txt"};
    const Case cases[] = {
        {"property", [](TZipExtractor& zip) { zip.SetPassword("Lumen pix"); }, {}, 0, both, {}},
        {"handler",
         [](TZipExtractor& zip) {
             zip.OnPasswordError = [](TZipExtractor*, bool, std::string& password,
                                      const std::string&, unsigned&, TPasswordButton&) {
                 password = "Lumen pix";
             };
         },
         {},
         0,
         both,
         {}},
        // A password that fitted one member is tried on the next before anyone is asked.
        {"dialog", nullptr, {{"Lumen pix", 0}}, 1, both, {}},
        {"wrong, then right",
         [](TZipExtractor& zip) { zip.SetPasswordReqCount(2); },
         {{"lumen pix", 0}, {"Lumen pix", 0}},
         2,
         both,
         {}},
        {"wrong, no second chance",
         nullptr,
         {{"lumen pix", 0}, {"nothing", 2}},
         2,
         {},
         {stBadPassword, stNoPassword}},
        // Cancel all: nobody is asked again in this run.
        {"cancel all", nullptr, {{"", 2}}, 1, {}, {stNoPassword, stNoPassword}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string out = FDir.MakeDir(std::string("out-") + c.label);
        MessageCapture boxes;
        TZipExtractor zip;
        if (c.setUp)
            c.setUp(zip);
        std::vector<int> skipped;
        zip.OnExtractSkipped = [&](TZipExtractor*, const std::string&, int type, int) {
            skipped.push_back(type);
        };
        zip.SetZipFileName(FDir.File("enc.zip"));
        zip.SetExtrBaseDir(out);
        DialogScript script(c.dialog);
        zip.Extract();
        std::vector<std::string> written;
        for (const auto& [name, digest] : FilesBelow(out))
            written.push_back(name);
        EXPECT_EQ(written, c.written);
        if (!c.written.empty()) {
            EXPECT_EQ(ReadBytes(out + "/b.txt"), "second secret\n");
        }
        EXPECT_EQ(skipped, c.skipTypes);
        EXPECT_EQ(script.Answered(), c.dialogs);
        EXPECT_TRUE(boxes.Shown().empty());
    }
}

TEST_F(Encrypted, UnattendedSkipsThemWithoutAskingAnyone) {
    const std::string out = FDir.MakeDir("out");
    MessageCapture boxes;
    TZipExtractor zip;
    MessageLog log(zip);
    zip.SetUnattended(true);
    zip.SetPasswordReqCount(3);
    zip.SetZipFileName(FDir.File("enc.zip"));
    zip.SetExtrBaseDir(out);
    DialogScript script({});
    zip.Extract();
    EXPECT_TRUE(FilesBelow(out).empty());
    EXPECT_EQ(zip.ErrCode(), ueBadPassword);
    ASSERT_FALSE(log.Ids().empty());
    EXPECT_EQ(log.Ids().front(), zm::UnattendedNoPassword);
    EXPECT_EQ(zip.PasswordReqCount(), 3u);
    EXPECT_EQ(script.Answered(), 0u);
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(Encrypted, AbortFromTheHandlerStopsTheRun) {
    const std::string out = FDir.MakeDir("out");
    TZipExtractor zip;
    int asked = 0;
    zip.OnPasswordError = [&](TZipExtractor*, bool, std::string& password, const std::string&,
                              unsigned&, TPasswordButton& action) {
        ++asked;
        password = "Lumen pix"; // dropped: an abort answers no password
        action = pbAbort;
    };
    zip.SetZipFileName(FDir.File("enc.zip"));
    zip.SetExtrBaseDir(out);
    EXPECT_EQ(zip.Extract(), ueAborted);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(zip.HandledCount(), 0);
    EXPECT_TRUE(FilesBelow(out).empty());
}

TEST(ExtractSafety, MemberNamesNeverLeadOutOfTheTargetFolder) {
    TempDir dir;
    const std::string out = dir.MakeDir("deep/out");
    const std::string archive =
        dir.Write("names.zip",
                  BuildZip(Archive({Member("../escape.txt", "1"), Member("../../escape2.txt", "2"),
                                    Member("/tmp-abs-escape.txt", "3"),
                                    Member("in/../../up.txt", "4"), Member("fine.txt", "5")}))
                      .bytes);
    for (const ExtrOpts options : {ExtrOpts(ExtrOverWrite), ExtrDirNames | ExtrOverWrite}) {
        MessageCapture boxes;
        TZipExtractor zip;
        zip.SetZipFileName(archive);
        zip.SetExtrBaseDir(out);
        zip.SetExtrOptions(options);
        zip.Extract();
        EXPECT_EQ(ReadBytes(out + "/fine.txt"), "5");
        EXPECT_TRUE(boxes.Shown().empty());
    }
    // Whatever the engine made of the other names, it made it inside the folder.
    std::vector<std::string> outside;
    for (const auto& e : fs::recursive_directory_iterator(dir.Path())) {
        const std::string path = e.path().string();
        if (path.rfind(out, 0) != 0 && e.is_regular_file() && path != archive)
            outside.push_back(path);
    }
    EXPECT_TRUE(outside.empty()) << outside.front();
    EXPECT_FALSE(FileExists("/tmp-abs-escape.txt"));
}

TEST(ExtractSafety, ASpannedArchiveWithAVolumeMissingIsReportedAndLeavesNothing) {
    TempDir dir;
    dir.Write("big.bin", NoiseBytes(150000, 3));
    Zip(dir.Path(), "-s 64k split.zip big.bin");
    ASSERT_TRUE(FileExists(dir.File("split.z02")));
    ::unlink(dir.File("split.z01").c_str());
    const std::string out = dir.MakeDir("out");
    const std::string joins = dir.MakeDir("joins");
    MessageCapture boxes;
    TZipExtractor zip;
    zip.SetSpanOptions(spCompatName);
    zip.SetZipFileName(dir.File("split.zip"));
    zip.FSpecArgs().push_back("big.bin");
    zip.SetExtrBaseDir(out);
    zip.SetTempDir(joins);
    EXPECT_EQ(zip.Extract(), zm::CannotOpen);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{MessageText(zm::CannotOpen)});
    EXPECT_EQ(zip.FSpecArgs(), std::vector<std::string>{"big.bin"}); // the engine never ran
    EXPECT_TRUE(fs::is_empty(joins));
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_FALSE(zip.OperationBusy());
}

TEST(ExtractSafety, DestroyingTheComponentMidRunLeavesNoPartialFile) {
    TempDir dir;
    for (const char* name : {"one.bin", "two.bin", "three.bin"})
        dir.Write(std::string("src/") + name, NoiseBytes(300000, name[0]));
    ASSERT_EQ(RunIn(dir.File("src"), "zip -q -X ../big.zip one.bin two.bin three.bin"), 0);
    const std::string out = dir.MakeDir("out");
    auto* owner = new QObject;
    auto* zip = new TZipExtractor(owner);
    int progress = 0;
    zip->OnItemProgress = [&](TZipExtractor*, const std::string&, std::uint32_t, int percent) {
        // Half-way through the first member, the window owning the component closes.
        if (percent > 0 && progress++ == 0)
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [&] { delete owner; }, Qt::QueuedConnection);
    };
    zip->SetZipFileName(dir.File("big.zip"));
    zip->SetExtrBaseDir(out);
    EXPECT_EQ(zip->Extract(), zm::Cancelled);
    EXPECT_EQ(progress, 1);
    EXPECT_TRUE(fs::is_empty(out));
    EXPECT_FALSE(LibraryMapped("/libunzengine.so"));
}
