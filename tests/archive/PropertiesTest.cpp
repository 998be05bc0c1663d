// The component's construction, defaults, setter rules and ownership.
#include "archive/ZipExtractor.h"
#include "tests/archive/ArchiveTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"

#include <QPointer>

#include <gtest/gtest.h>

TEST(ZipProperties, ANewComponentHasTheDocumentedDefaults) {
    TZipExtractor zip;
    EXPECT_EQ(zip.ZipFileName(), "");
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_EQ(zip.ExtrOptions(), ExtrOpts());
    EXPECT_FALSE(zip.Unattended());
    EXPECT_EQ(zip.PasswordReqCount(), 1u);
    EXPECT_EQ(zip.CodePage(), cpAuto);
    EXPECT_FALSE(zip.UseDirOnlyEntries());
    EXPECT_EQ(zip.SpanOptions(), SpanOpts());
    EXPECT_EQ(zip.VersionInfo(), "1.73");
    EXPECT_EQ(zip.AddCompLevel(), 9);
    EXPECT_EQ(zip.HowToDelete(), htdAllowUndo);
    EXPECT_TRUE(zip.ConfirmErase());
    EXPECT_EQ(zip.MaxVolumeSize(), 0);
    EXPECT_EQ(zip.MinFreeVolumeSize(), 65536u);
    EXPECT_EQ(zip.SFXCaption(), "Self-extracting Archive");
    EXPECT_EQ(zip.SFXOptions(), SFXOpts(SFXCheckSize));
    EXPECT_EQ(zip.SFXOverWriteMode(), OvrConfirm);
    EXPECT_EQ(zip.SFXPath(), "SFXSTUB.BIN");
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.ErrCode(), 0);
    // Every suffix from GIF to JAR is stored uncompressed; EXE and the extra list not.
    const AddStoreExts suffixes = zip.AddStoreSuffixes();
    EXPECT_TRUE(suffixes.testFlag(assGIF) && suffixes.testFlag(assPNG) &&
                suffixes.testFlag(assJAR));
    EXPECT_FALSE(suffixes.testFlag(assEXE));
    EXPECT_FALSE(suffixes.testFlag(assEXT));
}

TEST(ZipProperties, SettersApplyTheirRules) {
    TZipExtractor zip;
    const std::pair<unsigned, unsigned> counts[] = {{100, 15}, {15, 15}, {16, 15}, {3, 3}, {0, 0}};
    for (const auto& [set, stored] : counts) {
        zip.SetPasswordReqCount(set);
        EXPECT_EQ(zip.PasswordReqCount(), stored) << set;
    }
    const std::pair<const char*, const char*> folders[] = {
        {"/opt/engine/", "/opt/engine"}, {"rel//", "rel/"}, {"/", "/"}, {"./lib", "./lib"}};
    for (const auto& [set, stored] : folders) {
        zip.SetDLLDirectory(set);
        EXPECT_EQ(zip.DLLDirectory(), stored) << set;
    }
    zip.SetVersionInfo("9.99");
    EXPECT_EQ(zip.VersionInfo(), "1.73");
}

TEST(ZipProperties, ExtraStoreSuffixesAreNormalisedAndToggleTheExtraFlag) {
    struct Case {
        std::string set;
        std::string stored;
        bool extFlag;
    };
    const Case cases[] = {
        {"GIF,.Png;tar:gz", ".gif:.png:.tar:.gz:", true},
        {" jib , .PSD ;", ".jib:.psd:", true},
        {"", "", false},
        {",,; :", "", false},
    };
    TZipExtractor zip;
    for (const auto& c : cases) {
        zip.SetExtAddStoreSuffixes(c.set);
        EXPECT_EQ(zip.ExtAddStoreSuffixes(), c.stored) << c.set;
        EXPECT_EQ(zip.AddStoreSuffixes().testFlag(assEXT), c.extFlag) << c.set;
        EXPECT_TRUE(zip.AddStoreSuffixes().testFlag(assGIF)) << "other suffixes stay";
    }
}

TEST(ZipProperties, SelfExtractorSettingsGoToALinkedSlave) {
    TZipExtractor zip;
    zip.SetSFXCaption("Own");
    auto slave = std::make_unique<TZipSFX>();
    TZipSFX* linked = slave.get();
    zip.SetSFXSlave(std::move(slave));
    EXPECT_EQ(zip.SFXCaption(), "Self-extracting Archive"); // the slave's value now
    zip.SetSFXCaption("Through");
    zip.SetSFXOptions(SFXAutoRun);
    EXPECT_EQ(linked->Settings().Caption, "Through");
    EXPECT_EQ(linked->Settings().Options, SFXOpts(SFXAutoRun));
    // The slave is the component's now and goes with it (the leak checker watches).
}

TEST(ZipProperties, AnOwnerDestroysTheComponentWithItself) {
    auto* owner = new QObject;
    QPointer<TZipExtractor> zip = new TZipExtractor(owner);
    EXPECT_EQ(zip->parent(), owner);
    delete owner;
    EXPECT_TRUE(zip.isNull());
}

TEST(ZipProperties, AMissingArchiveClearsTheEntriesQuietly) {
    TempDir dir;
    dir.Write("a.txt", "a");
    Zip(dir.Path(), "a.zip a.txt");
    MessageCapture boxes;
    TZipExtractor zip;
    int updates = 0;
    zip.OnDirUpdate = [&](TZipExtractor* sender) {
        EXPECT_EQ(sender, &zip);
        ++updates;
    };
    zip.SetZipFileName(dir.File("a.zip"));
    EXPECT_EQ(zip.EntryCount(), 1);
    zip.SetZipFileName(dir.File("missing.zip"));
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(zip.ZipFileName(), dir.File("missing.zip"));
    zip.SetZipFileName(dir.Path()); // a folder is no archive either
    EXPECT_EQ(zip.EntryCount(), 0);
    EXPECT_EQ(updates, 3);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(zip.ErrCode(), 0);
}
