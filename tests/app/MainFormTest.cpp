#include "app/FbPanel.h"
#include "app/FbSplit.h"
#include "app/JIBMainForm.h"
#include "app/ProgramInfo.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "shell/FbShellCtrls.h"
#include "tests/common/HungVolume.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <cstdlib>
#include <memory>
#include <sys/stat.h>

#include <QApplication>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

std::string Settings() {
    return TfrmJIBMain::SettingsFileName();
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileQuiet(Settings()); }
    void TearDown() override {
        Application().SetMainForm(nullptr);
        DeleteFileQuiet(Settings());
    }

    // Creates the window the way the program's entry does: created first, registered as
    // the main window after, then shown.
    std::unique_ptr<TfrmJIBMain> Open() {
        auto form = std::make_unique<TfrmJIBMain>();
        Application().SetMainForm(form.get());
        form->show();
        QApplication::processEvents();
        return form;
    }
    void Close(std::unique_ptr<TfrmJIBMain>& form) {
        form->close();
        Application().SetMainForm(nullptr);
        form.reset();
    }
};

// The executable's folder stands in for "the folder the window opens" on a first run.
std::string ExeFolder() {
    return GetExeFolder();
}

std::vector<std::string> Captions(TFbCustomListView& list) {
    std::vector<std::string> captions;
    for (int i = 0; i < list.ItemCount(); ++i)
        captions.push_back(list.model()->index(i, 0).data().toString().toStdString());
    return captions;
}

} // namespace

TEST_F(MainFormTest, AFirstRunOpensCentredWithTheLayoutsSizesAndThePlaceholder) {
    auto form = Open();
    EXPECT_EQ(form->windowTitle().toStdString(), "Quillbrew Free JIB Viewer");
    EXPECT_EQ(form->centralWidget()->size(), QSize(792, 550));
    // Centred by the outer size known at creation; a window manager's frame, added once
    // the window is mapped, is not known then.
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize created = form->geometry().size();
    EXPECT_EQ(form->frameGeometry().topLeft(),
              QPoint(work.left() + (work.width() - created.width()) / 2,
                     work.top() + (work.height() - created.height()) / 2));
    EXPECT_EQ(form->splitMain->Position(), 300);
    EXPECT_EQ(form->splitMain->Percent(), 38);
    EXPECT_EQ(form->splitBrowser->Position(), 250);
    EXPECT_EQ(form->splitBrowser->Percent(), 46);
    EXPECT_EQ(form->pnlPreview->Caption().toStdString(), "Preview Not Available");
    EXPECT_EQ(form->pnlPreview->font().pixelSize(), 16);
    EXPECT_TRUE(form->pnlPreview->font().bold());
    EXPECT_FALSE(form->imgPreview->isVisible());
    EXPECT_TRUE(form->imgPreview->AutoSize());
    // Its design size, centred like any preview whenever the pane is laid out.
    EXPECT_EQ(form->imgPreview->geometry(), QRect((488 - 105) / 2, (550 - 105) / 2, 105, 105));
    EXPECT_EQ(form->LastFolder(), ExeFolder());
    // The preview pane fills the right pane beside the 4-pixel bar.
    EXPECT_EQ(form->pnlPreview->mapTo(form->centralWidget(), QPoint(0, 0)), QPoint(304, 0));
    EXPECT_EQ(form->pnlPreview->size(), QSize(488, 550));
}

TEST_F(MainFormTest, TheMenusCarryTheirCaptionsInOrder) {
    auto form = Open();
    QStringList menus;
    for (QAction* a : form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&View", "&Help"}));
    QStringList help;
    for (QAction* a : form->mnuHelp->actions())
        help << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(help, QStringList({"Get Support...", "Buy Lumenpix...", "-", "&About..."}));
    EXPECT_EQ(form->miExit->text().toStdString(), "E&xit");
}

TEST_F(MainFormTest, ClosingWritesTheGeneralKeysInOrderThenThePlacement) {
    auto form = Open();
    const QRect frame(form->pos(), form->size());
    Close(form);
    const std::string expected = "[General]\nLastFolder=" + ExeFolder() +
                                 "\nMainSplit=300\nBrowserSplit=250\n\n"
                                 "[frmJIBMainPosition]\nState=0\nTop=" +
                                 std::to_string(frame.top()) +
                                 "\nLeft=" + std::to_string(frame.left()) +
                                 "\nRight=" + std::to_string(frame.left() + frame.width()) +
                                 "\nBottom=" + std::to_string(frame.top() + frame.height()) +
                                 "\n\n[View]\nStyle=Details\nThumbnailSize=256\n";
    EXPECT_EQ(ReadFileText(Settings()), expected);
}

TEST_F(MainFormTest, ExitClosesTheWindowAndSavesTheSettings) {
    auto form = Open();
    form->miExit->trigger();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(IniReadInteger(Settings(), "General", "MainSplit", -1), 300);
}

TEST_F(MainFormTest, StoredSplitterPositionsAreReadBackIncludingHex) {
    IniWriteString(Settings(), "General", "MainSplit", "0x1F");
    IniWriteString(Settings(), "General", "BrowserSplit", "120");
    auto form = Open();
    EXPECT_EQ(form->splitMain->Position(), 31);
    EXPECT_EQ(form->splitBrowser->Position(), 120);
    Close(form);
    EXPECT_EQ(IniReadString(Settings(), "General", "MainSplit", ""), "31");

    IniWriteString(Settings(), "General", "MainSplit", "wide");
    IniWriteString(Settings(), "General", "BrowserSplit", "");
    form = Open();
    EXPECT_EQ(form->splitMain->Position(), 300);
    EXPECT_EQ(form->splitBrowser->Position(), 250);
}

// Gives the window's client area (below the menu bar) the given width and waits until
// the window's layout has handed it to the splitter.
void SetClientWidth(TfrmJIBMain& form, int width) {
    form.resize(width, form.height());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.centralWidget()->width() == width; }))
        << "client width " << form.centralWidget()->width() << ", wanted " << width;
}

TEST_F(MainFormTest, TheMainBarGivesWayToANarrowWindowAndComesBackAfter) {
    auto form = Open();
    EXPECT_TRUE(form->splitMain->RealTimeDrag());
    EXPECT_FALSE(form->splitBrowser->RealTimeDrag());
    // Both panes keep room in a narrow window: half of it each here.
    SetClientWidth(*form, 200);
    EXPECT_EQ(form->splitMain->Position(), 98);
    SetClientWidth(*form, 792);
    EXPECT_EQ(form->splitMain->Position(), 300);
    EXPECT_EQ(form->pnlPreview->size(), QSize(488, 550));
}

TEST_F(MainFormTest, RememberedPositionsTooWideForTheWindowLeaveEveryPaneUsableAndAreKept) {
    IniWriteString(Settings(), "General", "MainSplit", "1500");
    IniWriteString(Settings(), "General", "BrowserSplit", "900");
    auto form = Open();
    EXPECT_EQ(form->splitMain->Position(), 792 - 4 - 100);
    EXPECT_EQ(form->pnlPreview->width(), 100);
    EXPECT_EQ(form->rslFiles->height(), 100);
    EXPECT_TRUE(form->rslFiles->isVisible());
    // A wider window gives the remembered positions back.
    SetClientWidth(*form, 1700);
    EXPECT_EQ(form->splitMain->Position(), 1500);
    SetClientWidth(*form, 792);
    Close(form);
    EXPECT_EQ(IniReadString(Settings(), "General", "MainSplit", ""), "1500");
    EXPECT_EQ(IniReadString(Settings(), "General", "BrowserSplit", ""), "900");
}

TEST_F(MainFormTest, RememberedSplitterPositionsOutlastTheFirstResizes) {
    IniWriteString(Settings(), "General", "MainSplit", "200");
    IniWriteString(Settings(), "General", "BrowserSplit", "120");
    auto form = Open();
    EXPECT_EQ(form->splitMain->Position(), 200);
    EXPECT_EQ(form->splitBrowser->Position(), 120);
    EXPECT_EQ(form->rstFiles->height(), 120);
    SetClientWidth(*form, 700);
    SetClientWidth(*form, 900);
    EXPECT_EQ(form->splitMain->Position(), 200);
    EXPECT_EQ(form->splitBrowser->Position(), 120);
    Close(form);
    EXPECT_EQ(IniReadString(Settings(), "General", "MainSplit", ""), "200");
    EXPECT_EQ(IniReadString(Settings(), "General", "BrowserSplit", ""), "120");
}

TEST_F(MainFormTest, TheLastFolderIsKeptOnlyWhileItExists) {
    TempDir dir;
    const std::string folder = dir.MakeDir("My JIBs") + "/";
    IniWriteString(Settings(), "General", "LastFolder", folder);
    auto form = Open();
    EXPECT_EQ(form->LastFolder(), folder);
    Close(form);
    EXPECT_EQ(IniReadString(Settings(), "General", "LastFolder", ""), folder);

    IniWriteString(Settings(), "General", "LastFolder", dir.File("deleted") + "/");
    form = Open();
    EXPECT_EQ(form->LastFolder(), ExeFolder());
    Close(form);

    IniWriteString(Settings(), "General", "LastFolder", "");
    form = Open();
    EXPECT_EQ(form->LastFolder(), ExeFolder());
}

// The folder of the last run lies on a network volume whose server is gone: the window
// gives up on it after a moment and opens the default folder, without the GUI thread ever
// asking the volume (which would never answer).
TEST_F(MainFormTest, ARememberedFolderOnAVolumeThatHangsDoesNotHoldTheWindow) {
    const THungVolumeRun run =
        RunInOwnMountNamespace("MainFormTest.ARememberedFolderOnAVolumeThatHangs*");
    if (run.Kind == THungVolumeRun::Skipped)
        GTEST_SKIP() << run.Output;
    if (run.Kind == THungVolumeRun::RanThere) {
        EXPECT_EQ(run.Status, 0) << run.Output;
        return;
    }
    THungVolume volume;
    if (!volume.Mount())
        GTEST_SKIP() << volume.WhyNot();
    IniWriteString(Settings(), "General", "LastFolder",
                   std::string(THungVolume::kMountPoint) + "/Projects/");
    auto form = Open();
    EXPECT_EQ(form->LastFolder(), ExeFolder());
    EXPECT_EQ(form->rstFiles->CurrentFolder()->FolderPath(), ExeFolder());
    EXPECT_NE(volume.Requests().find(" held"), std::string::npos) << "asked off the GUI thread:\n"
                                                                  << volume.Requests();
    EXPECT_EQ(volume.Requests().find("refused"), std::string::npos)
        << "requests made on the GUI thread:\n"
        << volume.Requests();
    Close(form);
}

TEST_F(MainFormTest, ClosedWhileMaximisedItReopensNormalAtTheStoredBounds) {
    auto form = Open();
    form->move(40, 30);
    form->resize(600, 400); // small enough to fit the offscreen screen where it is
    QApplication::processEvents();
    const QRect normal(form->pos(), form->size());
    form->setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    Close(form);
    EXPECT_EQ(IniReadInteger(Settings(), "frmJIBMainPosition", "State", -1), 1);
    EXPECT_EQ(IniReadInteger(Settings(), "frmJIBMainPosition", "Left", -1), normal.left());
    EXPECT_EQ(IniReadInteger(Settings(), "frmJIBMainPosition", "Top", -1), normal.top());

    form = Open();
    EXPECT_EQ(form->windowState(), Qt::WindowNoState);
    EXPECT_EQ(QRect(form->pos(), form->size()), normal);
}

TEST_F(MainFormTest, TheFirstActivationOpensTheLastFolderWithItsJibFilesSorted) {
    TempDir dir;
    dir.Write("b.jib", std::string(5000, 'b'));
    dir.Write("A.JIB", std::string(100, 'a'));
    dir.Write("c.Jib", std::string(3000, 'c'));
    dir.Write("old.jib.old", "o");
    dir.Write("notes.txt", "n");
    dir.MakeDir("folder.jib");
    const std::string folder = dir.Path() + "/";
    IniWriteString(Settings(), "General", "LastFolder", folder);
    MessageCapture capture;
    auto form = Open();
    form->FormActivate(); // in case the platform did not activate the shown window
    EXPECT_EQ(form->rstFiles->ShellList(), form->rslFiles);
    EXPECT_EQ(form->rstFiles->CurrentFolder()->FolderPath(), folder);
    ASSERT_NE(form->rstFiles->SelectedData(), nullptr);
    EXPECT_EQ(ItemListToPath(form->rstFiles->SelectedData()->AbsoluteItemList()), folder);
    EXPECT_EQ(Captions(*form->rslFiles), (std::vector<std::string>{"A.JIB", "b.jib", "c.Jib"}));

    // Clicking "Size" sorts by size, a second click reverses.
    QHeaderView* header = form->rslFiles->header();
    const QPoint size(header->sectionViewportPosition(1) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size);
    EXPECT_EQ(Captions(*form->rslFiles), (std::vector<std::string>{"A.JIB", "c.Jib", "b.jib"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size);
    EXPECT_EQ(Captions(*form->rslFiles), (std::vector<std::string>{"b.jib", "c.Jib", "A.JIB"}));

    // Later activations change nothing.
    int listFills = 0;
    form->rslFiles->OnFillStart = [&](QObject*) {
        ++listFills;
    };
    form->FormActivate();
    EXPECT_EQ(listFills, 0);
    EXPECT_TRUE(capture.Shown().empty());
    Close(form);
    EXPECT_EQ(IniReadString(Settings(), "General", "LastFolder", ""), folder);
}

TEST_F(MainFormTest, ChoosingAFolderClearsThePreviewAndItIsRememberedAtClose) {
    TempDir dir;
    dir.MakeDir("one");
    dir.MakeDir("two");
    IniWriteString(Settings(), "General", "LastFolder", dir.File("one") + "/");
    auto form = Open();
    form->FormActivate();
    form->imgPreview->show();
    form->pnlPreview->SetCaption("shown");
    form->rstFiles->CurrentFolder()->SetFolderPath(dir.File("two") + "/");
    EXPECT_FALSE(form->imgPreview->isVisibleTo(form->pnlPreview));
    EXPECT_EQ(form->pnlPreview->Caption().toStdString(), "Preview Not Available");
    Close(form);
    EXPECT_EQ(IniReadString(Settings(), "General", "LastFolder", ""), dir.File("two") + "/");

    // A folder without a path (Computer) is remembered as none; the next start falls back.
    form = Open();
    form->FormActivate();
    form->rstFiles->CurrentFolder()->SetSpecialFolder(17);
    EXPECT_EQ(form->rstFiles->Selected()->Text(), "Computer");
    Close(form);
    EXPECT_NE(ReadFileText(Settings()).find("\nLastFolder=\n"), std::string::npos);
    form = Open();
    EXPECT_EQ(form->LastFolder(), ExeFolder());
}

namespace {

// Puts a stand-in "xdg-open" first on PATH that records its argument and exits with the
// given status, so the web commands can be followed without starting a browser.
class FakeLauncher {
public:
    explicit FakeLauncher(int exitStatus) : FPath("PATH", FDir.Path() + ":" + std::getenv("PATH")) {
        FDir.Write("xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + FDir.File("called") +
                                   "\"\nexit " + std::to_string(exitStatus) + "\n");
        ::chmod(FDir.File("xdg-open").c_str(), 0755);
    }
    std::string Called() const { return ReadFileText(FDir.File("called")); }

private:
    TempDir FDir;
    ScopedEnv FPath;
};

} // namespace

TEST_F(MainFormTest, TheWebCommandsOpenTheirPagesAndReportFailures) {
    auto form = Open();
    MessageCapture capture;
    {
        FakeLauncher launcher(0);
        form->miGetSupport->trigger();
        EXPECT_EQ(launcher.Called(), "https://www.quillbrew.com/support/");
    }
    {
        FakeLauncher launcher(0);
        form->miBuy->trigger();
        EXPECT_EQ(launcher.Called(), "https://www.quillbrew.com/lumenpix/");
    }
    EXPECT_TRUE(capture.Shown().empty());
    {
        FakeLauncher launcher(3); // xdg-open: no tool to open it with
        form->miBuy->trigger();
    }
    EXPECT_EQ(capture.Texts(),
              std::vector<std::string>{"Unable to execute file:\n\nNo application is set up to "
                                       "open https://www.quillbrew.com/lumenpix/."});
}

TEST_F(MainFormTest, TheWindowAndTheDesktopKnowTheProgramByItsIcon) {
    auto form = Open();
    const std::string icons = std::string(std::getenv("JIB_TEST_DATA")) + "/../../packaging/icons/";
    for (const int size : {16, 24, 48, 256}) {
        const std::string edge = std::to_string(size);
        const QImage expected(
            QString::fromStdString(icons + edge + "x" + edge + "/apps/com.quillbrew.jibview.png"));
        ASSERT_FALSE(expected.isNull()) << size;
        // Compared premultiplied, the form a pixmap keeps: edge pixels of a straight-alpha
        // image do not come back bit for bit from it.
        EXPECT_EQ(form->windowIcon()
                      .pixmap(QSize(size, size))
                      .toImage()
                      .convertToFormat(QImage::Format_ARGB32_Premultiplied),
                  expected.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            << size;
    }
    // The entry names the application after the desktop entry it is installed with, so a
    // Wayland compositor finds the entry's name and icon for the window.
    ApplyProgramIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), "com.quillbrew.jibview");
    EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "jibview");
}
