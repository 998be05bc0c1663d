// The preview pipeline end to end: JIB files made by Info-ZIP zip, shown through the real
// archive component, unzip engine and PNG decoder.
#include "app/FbPanel.h"
#include "app/JIBMainForm.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "shell/FbShellCtrls.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>
#include <zlib.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class PreviewTest : public ::testing::Test {
protected:
    // $TMPDIR points at a folder of the test's, so the private temporary folder and the
    // thumbnail copy in it can be inspected.
    PreviewTest() : FTmp("TMPDIR", FTemp.Path()) {}

    void SetUp() override {
        DeleteFileQuiet(TfrmJIBMain::SettingsFileName());
        MakeJib(FFiles, "Harbour.jib",
                {{"preview.png", Fixture("preview-40x30.png")},
                 {"document.xml", Fixture("make-fixtures.sh")}});
        MakeJib(FFiles, "Bakery.JIB", {{"preview.png", Fixture("preview-64x48.png")}});
        MakeJib(FFiles, "Poster.jib", {{"preview.png", Fixture("preview-800x600.png")}});
        MakeJib(FFiles, "NoThumb.jib", {{"document.xml", Fixture("make-fixtures.sh")}});
        FFiles.Write("Broken.jib", "this is not a zip archive at all");
        MakeJib(FFiles, "Copy.jib.bak", {{"preview.png", Fixture("preview-40x30.png")}});
        IniWriteString(TfrmJIBMain::SettingsFileName(), "General", "LastFolder",
                       FFiles.Path() + "/");
    }
    void TearDown() override {
        if (FForm) {
            FForm->close();
            FForm.reset();
        }
        Application().SetMainForm(nullptr);
        DeleteFileQuiet(TfrmJIBMain::SettingsFileName());
    }

    TfrmJIBMain& Open() { return OpenMainForm(FForm); }

    // Clicks the list row whose caption is `caption`, as a user would.
    void Click(const std::string& caption) {
        TFbShellList& list = *FForm->rslFiles;
        for (int row = 0; row < list.ItemCount(); ++row) {
            const QModelIndex index = list.model()->index(row, 0);
            if (index.data().toString().toStdString() == caption) {
                QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                                  list.visualRect(index).center());
                return;
            }
        }
        FAIL() << "no list row " << caption;
    }

    bool PreviewShown() const { return FForm->imgPreview->isVisibleTo(FForm->pnlPreview); }
    QRect PreviewBounds() const { return FForm->imgPreview->geometry(); }
    std::string Caption() const { return FForm->pnlPreview->Caption().toStdString(); }
    // Anything a preview left in the private temporary folder: each run extracts into the
    // window's folder there and empties it; the empty folder waits for the next run.
    bool TemporaryCopyExists() const {
        int folders = 0;
        for (const auto& entry : std::filesystem::directory_iterator(GetTempFolder())) {
            if (!entry.is_directory() || !std::filesystem::is_empty(entry.path()) || ++folders > 1)
                return true;
        }
        return false;
    }

    TempDir FTemp;
    ScopedEnv FTmp;
    TempDir FFiles;
    std::unique_ptr<TfrmJIBMain> FForm;
};

} // namespace

TEST_F(PreviewTest, ClickingAJibShowsItsThumbnailCentredAndLeavesNoCopy) {
    MessageCapture capture;
    Open();
    ASSERT_EQ(FForm->pnlPreview->size(), QSize(488, 550));
    EXPECT_EQ(Caption(), "Preview Not Available");
    // A copy an earlier version left in the folder goes with the first preview.
    std::ofstream(GetTempFolder() + "preview.png") << "an earlier version's copy";
    Click("Harbour.jib");
    EXPECT_TRUE(PreviewShown());
    EXPECT_EQ(PreviewBounds(), QRect(224, 260, 40, 30));
    EXPECT_EQ(Caption(), "");
    EXPECT_FALSE(TemporaryCopyExists());
    // A cleaner that removes the waiting folder, or the private folder with it, does not
    // stop the next preview.
    for (const auto& entry : std::filesystem::directory_iterator(GetTempFolder()))
        std::filesystem::remove_all(entry.path());
    Click("Bakery.JIB");
    EXPECT_EQ(PreviewBounds().size(), QSize(64, 48));
    EXPECT_FALSE(TemporaryCopyExists());
    const std::string privateFolder = GetTempFolder();
    std::filesystem::remove_all(privateFolder);
    Click("Harbour.jib");
    EXPECT_EQ(PreviewBounds().size(), QSize(40, 30));
    EXPECT_EQ(GetTempFolder(), privateFolder);
    EXPECT_FALSE(TemporaryCopyExists());
    EXPECT_TRUE(capture.Shown().empty());
    // The folder goes with the window.
    FForm->close();
    FForm.reset();
    EXPECT_TRUE(std::filesystem::is_empty(GetTempFolder()));
}

TEST_F(PreviewTest, CapitalExtensionsPreviewAndOtherExtensionsDoNot) {
    MessageCapture capture;
    Open();
    Click("Bakery.JIB");
    EXPECT_TRUE(PreviewShown());
    EXPECT_EQ(PreviewBounds(), QRect(212, 251, 64, 48));
    // Not in the list, but dropped or asked for directly: nothing is extracted.
    for (const char* name : {"Copy.jib.bak", "Harbour.jibx", "Harbour"}) {
        FForm->ShowPreview(FFiles.File(name));
        EXPECT_FALSE(PreviewShown()) << name;
        EXPECT_EQ(Caption(), "Preview Not Available") << name;
    }
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(PreviewTest, AJibWithoutThumbnailShowsThePlaceholderWithoutAMessage) {
    MessageCapture capture;
    Open();
    Click("Harbour.jib");
    ASSERT_TRUE(PreviewShown());
    Click("NoThumb.jib");
    EXPECT_FALSE(PreviewShown());
    EXPECT_EQ(Caption(), "Preview Not Available");
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(PreviewTest, AFileThatIsNoArchiveShowsTheComponentsMessageOnceThenThePlaceholder) {
    MessageCapture capture;
    Open();
    Click("Broken.jib");
    EXPECT_FALSE(PreviewShown());
    EXPECT_EQ(Caption(), "Preview Not Available");
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{"This file is not a ZIP archive:\n" +
                                                        FFiles.File("Broken.jib")});
}

TEST_F(PreviewTest, AThumbnailStoredInAnotherCaseIsShownAndNothingIsLeftBehind) {
    const std::string small = Fixture("preview-40x30.png");
    const std::string medium = Fixture("preview-64x48.png");
    const std::string large = Fixture("preview-800x600.png");
    MakeJib(FFiles, "Upper.jib", {{"PREVIEW.PNG", small}, {"document.xml", small}});
    MakeJib(FFiles, "Title.jib", {{"Preview.png", medium}});
    // The exact name wins over one in another case, wherever it stands...
    MakeJib(FFiles, "Both.jib", {{"PREVIEW.PNG", large}, {"preview.png", small}});
    // ...and among other cases the first in the archive's directory does.
    MakeJib(FFiles, "Two.jib", {{"Preview.png", medium}, {"PREVIEW.PNG", large}});
    const struct {
        const char* file;
        QSize size;
    } cases[] = {{"Upper.jib", {40, 30}},
                 {"Title.jib", {64, 48}},
                 {"Both.jib", {40, 30}},
                 {"Two.jib", {64, 48}}};
    MessageCapture capture;
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        FForm->ShowPreview(FFiles.File(c.file));
        EXPECT_TRUE(PreviewShown());
        EXPECT_EQ(PreviewBounds().size(), c.size);
        // The private temporary folder holds nothing but the empty folder for the next run.
        EXPECT_FALSE(TemporaryCopyExists());
    }
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(PreviewTest, ThumbnailsCompressedByMethodsTheEngineLacksGiveThePlaceholderQuietly) {
    // 7-Zip can store a member with BZip2, LZMA, PPMd or Deflate64; the engine inflates
    // stored and deflated members only.
    const std::string staging = FFiles.MakeDir("methods");
    FFiles.Write("methods/preview.png", ReadFileText(Fixture("preview-800x600.png")));
    const char* methods[] = {"BZip2", "LZMA", "PPMd", "Deflate64"};
    for (const char* method : methods) {
        const std::string command = "cd '" + staging + "' && 7z a -tzip -mm=" + method + " " +
                                    method + ".jib preview.png >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    MessageCapture capture;
    Open();
    for (const char* method : methods) {
        SCOPED_TRACE(method);
        FForm->ShowPreview(FFiles.File("Harbour.jib"));
        ASSERT_TRUE(PreviewShown());
        FForm->ShowPreview(staging + "/" + method + ".jib");
        EXPECT_FALSE(PreviewShown());
        EXPECT_EQ(Caption(), "Preview Not Available");
        EXPECT_FALSE(TemporaryCopyExists());
    }
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(PreviewTest, ADamagedThumbnailIsReportedAndThenThePlaceholderShows) {
    FFiles.Write("garbage.png", "GIF89a: a picture, but not a PNG one");
    MakeJib(FFiles, "Damaged.jib", {{"preview.png", FFiles.File("garbage.png")}});
    MessageCapture capture;
    Open();
    FForm->rstFiles->RefreshTree();
    Click("Harbour.jib");
    ASSERT_TRUE(PreviewShown());
    Click("Damaged.jib");
    ASSERT_EQ(capture.Shown().size(), 1u);
    EXPECT_EQ(capture.Shown()[0].Caption, "Quillbrew Free JIB Viewer");
    EXPECT_EQ(capture.Shown()[0].Icon(), MB_ICONERROR);
    EXPECT_EQ(capture.Shown()[0].Text,
              "The file being read is not a valid \"Portable Network Graphics\" image because it "
              "contains an invalid header. This file may be corrupted, try obtaining it again.");
    // Harbour's thumbnail no longer stands in for the damaged file's.
    EXPECT_FALSE(PreviewShown());
    EXPECT_EQ(Caption(), "Preview Not Available");
    EXPECT_EQ(FForm->PreviewShown(), "");
    EXPECT_FALSE(TemporaryCopyExists());
}

namespace {

// A PNG stream whose header declares `width` x `height` pixels of a colour type, followed
// by image data that is no zlib stream: only a decoder that tries to inflate it notices,
// so a message tells whether decoding was attempted.
std::string PngDeclaring(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                         std::uint8_t colorType) {
    const auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    };
    const auto chunk = [&](const std::string& type, const std::string& data) {
        const std::string body = type + data;
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
        return be32(static_cast<std::uint32_t>(data.size())) + body + be32(crc);
    };
    const std::string ihdr =
        be32(width) + be32(height) + std::string{char(depth), char(colorType), 0, 0, 0};
    return std::string("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) +
           chunk("IDAT", "not deflated") + chunk("IEND", "");
}

} // namespace

TEST_F(PreviewTest, OversizedThumbnailsShowThePlaceholderWithoutBeingDecoded) {
    struct Case {
        const char* name;
        std::uint32_t width, height;
        std::uint8_t depth, colorType;
        bool decoded;
    };
    const Case cases[] = {
        {"Huge.jib", 16384, 16384, 8, 6, false},    // 2^28 pixels: a gigabyte of bitmap
        {"Wide.jib", 65535, 257, 1, 0, false},      // 16,842,495 pixels, few bytes each
        {"Padded.jib", 4095, 4097, 8, 6, false},    // fewer pixels, but 64 MiB and more
        {"AtTheLimit.jib", 4096, 4096, 8, 6, true}, // exactly 16,777,216 pixels, 64 MiB
    };
    for (const Case& c : cases)
        MakeJib(
            FFiles, c.name,
            {{"preview.png", FFiles.Write(std::string(c.name) + ".png",
                                          PngDeclaring(c.width, c.height, c.depth, c.colorType))}});
    Open();
    for (const Case& c : cases) {
        FForm->ShowPreview(FFiles.File("Harbour.jib"));
        ASSERT_TRUE(PreviewShown());
        MessageCapture capture;
        FForm->ShowPreview(FFiles.File(c.name));
        EXPECT_FALSE(PreviewShown()) << c.name;
        EXPECT_EQ(Caption(), "Preview Not Available") << c.name;
        // Only the image within the limits reaches the decoder, which finds its data bad.
        EXPECT_EQ(capture.Shown().size(), c.decoded ? 1u : 0u) << c.name;
        EXPECT_FALSE(TemporaryCopyExists());
    }
}

TEST_F(PreviewTest, ARefreshOfTheTreeThatKeepsItsFolderKeepsThePreview) {
    Open();
    Click("Harbour.jib");
    ASSERT_TRUE(PreviewShown());
    // Another program makes and removes folders here and above: each change refreshes the
    // tree, which selects the same folder again.
    FFiles.MakeDir("made-elsewhere");
    FForm->rstFiles->RefreshTree();
    ::rmdir(FFiles.File("made-elsewhere").c_str());
    FForm->rstFiles->RefreshTree();
    EXPECT_TRUE(PreviewShown());
    EXPECT_EQ(PreviewBounds(), QRect(224, 260, 40, 30));
    EXPECT_EQ(FForm->rslFiles->SelectedData()->FullPath(), FFiles.File("Harbour.jib"));
}

TEST_F(PreviewTest, F5KeepsTheFileAndItsPreviewAndAFileThatWentShowsThePlaceholder) {
    Open();
    Click("Harbour.jib");
    FForm->rslFiles->setFocus();
    QTest::keyClick(FForm->rslFiles, Qt::Key_F5);
    ASSERT_NE(FForm->rslFiles->SelectedData(), nullptr);
    EXPECT_EQ(FForm->rslFiles->SelectedData()->FullPath(), FFiles.File("Harbour.jib"));
    QApplication::processEvents();
    EXPECT_TRUE(PreviewShown());
    EXPECT_EQ(PreviewBounds(), QRect(224, 260, 40, 30));

    ::unlink(FFiles.File("Harbour.jib").c_str());
    QTest::keyClick(FForm->rslFiles, Qt::Key_F5);
    EXPECT_EQ(FForm->rslFiles->SelCount(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !PreviewShown(); }));
    EXPECT_EQ(Caption(), "Preview Not Available");

    // The same when the file goes while nothing is pressed: the list's merge drops it.
    Click("Bakery.JIB");
    ASSERT_TRUE(PreviewShown());
    ::unlink(FFiles.File("Bakery.JIB").c_str());
    FForm->rslFiles->RefreshList();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !PreviewShown(); }));
}

TEST_F(PreviewTest, ResizingRecentresAndLargeImagesStartAtTheCorner) {
    Open();
    Click("Harbour.jib");
    FForm->resize(FForm->width() + 100, FForm->height() - 50);
    QApplication::processEvents();
    const QSize pane = FForm->pnlPreview->size();
    EXPECT_EQ(PreviewBounds(), QRect((pane.width() - 40) / 2, (pane.height() - 30) / 2, 40, 30));
    Click("Poster.jib");
    EXPECT_EQ(PreviewBounds(), QRect(0, 0, 800, 600));
}

TEST_F(PreviewTest, DeselectingKeepsThePreviewAndChoosingAFolderClearsIt) {
    Open();
    Click("Harbour.jib");
    FForm->rslFiles->SelectItem(FForm->rslFiles->Selected(), false);
    EXPECT_TRUE(PreviewShown());
    const std::string elsewhere = FFiles.MakeDir("elsewhere") + "/";
    FForm->rstFiles->CurrentFolder()->SetFolderPath(elsewhere);
    EXPECT_FALSE(PreviewShown());
    EXPECT_EQ(Caption(), "Preview Not Available");
}

TEST_F(PreviewTest, DroppingThreeFilesShowsTheThirdInItsFolder) {
    const std::string other = FFiles.MakeDir("other") + "/";
    MakeJib(FFiles, "other/Third.jib", {{"preview.png", Fixture("preview-64x48.png")}});
    Open();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(FFiles.File("Harbour.jib"))),
                  QUrl::fromLocalFile(QString::fromStdString(FFiles.File("Poster.jib"))),
                  QUrl::fromLocalFile(QString::fromStdString(other + "Third.jib"))});
    const QPoint at(FForm->width() - 20, FForm->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(FForm.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(FForm.get(), &drop);
    EXPECT_EQ(FForm->rstFiles->CurrentFolder()->FolderPath(), other);
    EXPECT_TRUE(PreviewShown());
    EXPECT_EQ(PreviewBounds().size(), QSize(64, 48));
    EXPECT_FALSE(TemporaryCopyExists());
    // The file shown is the one selected in the list, with the keyboard's focus mark.
    ASSERT_EQ(FForm->rslFiles->SelCount(), 1);
    EXPECT_EQ(FForm->rslFiles->SelectedData()->FullPath(), other + "Third.jib");
    EXPECT_EQ(FForm->rslFiles->ItemFocused(), FForm->rslFiles->Selected());
    EXPECT_EQ(FForm->PreviewShown(), other + "Third.jib");
}

TEST_F(PreviewTest, FilesDroppedOnTheBrowserGoIntoItsFolderInsteadOfBeingPreviewed) {
    const std::string other = FFiles.MakeDir("other") + "/";
    MakeJib(FFiles, "other/Third.jib", {{"preview.png", Fixture("preview-64x48.png")}});
    MakeJib(FFiles, "other/Fourth.jib", {{"preview.png", Fixture("preview-64x48.png")}});
    Open();
    const std::string shown = FForm->rstFiles->CurrentFolder()->FolderPath();
    const auto dropOn = [](QWidget* viewport, const QPoint& at, const std::string& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(viewport, &move);
        QDropEvent drop(QPointF(at), offered, &data, Qt::NoButton, Qt::ControlModifier);
        QApplication::sendEvent(viewport, &drop);
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    };

    QWidget* list = FForm->rslFiles->viewport();
    EXPECT_TRUE(dropOn(list, QPoint(10, list->height() - 4), other + "Third.jib"));
    EXPECT_TRUE(FileExists(FFiles.File("Third.jib")));
    EXPECT_TRUE(FileExists(other + "Third.jib"));
    EXPECT_EQ(FForm->rstFiles->CurrentFolder()->FolderPath(), shown) << "nothing navigated";
    EXPECT_NE(FForm->rslFiles->ItemCount(), 0);

    TFbTreeNode* node = FForm->rstFiles->Selected();
    ASSERT_NE(node, nullptr);
    FForm->rstFiles->scrollToItem(node);
    EXPECT_TRUE(dropOn(FForm->rstFiles->viewport(), FForm->rstFiles->visualItemRect(node).center(),
                       other + "Fourth.jib"));
    EXPECT_TRUE(FileExists(FFiles.File("Fourth.jib")));
    EXPECT_EQ(FForm->rstFiles->CurrentFolder()->FolderPath(), shown);
    EXPECT_FALSE(TemporaryCopyExists());
}

TEST_F(PreviewTest, ARequestMadeDuringAnExtractionWinsWithoutANestedRun) {
    Open();
    // The archive component lets events run while it extracts; this one arrives then.
    bool asked = false;
    QTimer::singleShot(0, FForm.get(), [&] {
        asked = true;
        FForm->ShowPreview(FFiles.File("Bakery.JIB"));
        // Taken up after the running extraction, not nested inside it.
        EXPECT_FALSE(PreviewShown());
    });
    FForm->ShowPreview(FFiles.File("Poster.jib"));
    ASSERT_TRUE(asked);
    EXPECT_TRUE(PreviewShown());
    EXPECT_EQ(PreviewBounds().size(), QSize(64, 48));
    EXPECT_FALSE(TemporaryCopyExists());
}

TEST_F(PreviewTest, AFolderChosenDuringAnExtractionLeavesThePlaceholder) {
    Open();
    const std::string elsewhere = FFiles.MakeDir("elsewhere") + "/";
    QTimer::singleShot(0, FForm.get(),
                       [&] { FForm->rstFiles->CurrentFolder()->SetFolderPath(elsewhere); });
    FForm->ShowPreview(FFiles.File("Harbour.jib"));
    EXPECT_FALSE(PreviewShown());
    EXPECT_EQ(Caption(), "Preview Not Available");
}

TEST_F(PreviewTest, AStaleCopyFromAnEarlierRunIsNeverTakenForAThumbnail) {
    Open();
    FTemp.Write("jibview-" + std::to_string(::getuid()) + "/preview.png",
                ReadFileText(Fixture("preview-40x30.png")));
    FForm->ShowPreview(FFiles.File("NoThumb.jib"));
    EXPECT_FALSE(PreviewShown());
    EXPECT_FALSE(TemporaryCopyExists());
}
