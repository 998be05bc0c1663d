// The viewer's thumbnail view end to end: JIB files written by Python's zipfile around
// previews written by Qt, thumbnails made by the real pool into a thumbnail cache in a
// temporary home, and what the window draws, keeps and remembers.
#include "app/JIBMainForm.h"
#include "app/JibThumbnailSource.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "shell/FbShellCtrls.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/HomeSandbox.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/TempDir.h"
#include "thumbs/FileUri.h"
#include "thumbs/ThumbnailLoader.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <filesystem>
#include <sys/time.h>

#include <QApplication>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

constexpr int kSmall = 128;
constexpr int kWaitMs = 15000;

std::string Settings() {
    return TfrmJIBMain::SettingsFileName();
}

// Writes JIB archives (path → colour of a 64 x 48 preview) with Python's zipfile in one
// run: a layer document, then the preview, as the editor stores them.
void WriteJibs(const TempDir& dir, const std::vector<std::pair<std::string, QColor>>& jibs) {
    const std::string script =
        dir.Write("write-jibs.py", "import sys, zipfile\n"
                                   "for jib, png in zip(sys.argv[1::2], sys.argv[2::2]):\n"
                                   "    with zipfile.ZipFile(jib + '.part', 'w',\n"
                                   "                         zipfile.ZIP_DEFLATED) as z:\n"
                                   "        z.writestr('document.xml', '<document/>')\n"
                                   "        z.write(png, 'preview.png')\n");
    std::string command = "python3 '" + script + "'";
    for (const auto& [path, colour] : jibs) {
        const std::string png = dir.File("preview-" + colour.name().mid(1).toStdString() + ".png");
        if (!fs::exists(png)) {
            QImage preview(64, 48, QImage::Format_RGB32);
            preview.fill(colour);
            ASSERT_TRUE(preview.save(QString::fromStdString(png), "PNG"));
        }
        command += " '" + path + "' '" + png + "'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    // Renamed into place: a JIB appears whole, as an editor saving by rename makes it.
    for (const auto& [path, colour] : jibs)
        fs::rename(path + ".part", path);
}

void SetMTime(const std::string& path, std::int64_t seconds) {
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimes(path.c_str(), times), 0);
}

class ThumbnailViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteFileQuiet(Settings());
        // A list pane of 600 x 450: four columns of small thumbnails, two rows and a half.
        IniWriteInteger(Settings(), "General", "MainSplit", 600);
        IniWriteInteger(Settings(), "General", "BrowserSplit", 100);
    }
    void TearDown() override {
        if (FForm)
            Close();
        DeleteFileQuiet(Settings());
    }

    TfrmJIBMain& Open(const std::string& folder) {
        IniWriteString(Settings(), "General", "LastFolder", folder + "/");
        return OpenMainForm(FForm);
    }
    void Close() {
        FForm->close();
        Application().SetMainForm(nullptr);
        FForm.reset();
    }
    TFbShellList& List() { return *FForm->rslFiles; }
    TJibThumbnailSource& Source() { return *FForm->ThumbnailSource; }

    QModelIndex IndexOf(const std::string& caption) {
        for (int row = 0; row < List().ItemCount(); ++row)
            if (List().model()->index(row, 0).data().toString().toStdString() == caption)
                return List().model()->index(row, 0);
        return {};
    }
    void Click(const std::string& caption) {
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {},
                          List().visualRect(IndexOf(caption)).center());
    }
    // The colour drawn at the centre of an item's picture.
    QColor Drawn(const std::string& caption) {
        const QRect cell = List().visualRect(IndexOf(caption));
        const int half = TFbIconLayout::kPadding + List().PictureSize() / 2;
        return List().viewport()->grab().toImage().pixelColor(cell.left() + half,
                                                              cell.top() + half);
    }
    bool DrawnAs(const std::string& caption, QColor colour) {
        return QTest::qWaitFor([&] { return Drawn(caption) == colour; }, kWaitMs);
    }
    std::string SelectedPath() {
        return List().SelectedData() ? List().SelectedData()->FullPath() : "";
    }
    QImage PreviewShot() { return FForm->imgPreview->grab().toImage(); }

    HomeSandbox FHome; // the thumbnail cache lies in this home's ~/.cache
    TempDir FFiles;
    std::unique_ptr<TfrmJIBMain> FForm;
};

} // namespace

TEST_F(ThumbnailViewTest, SwitchingViewsKeepsTheSelectionAndThePreview) {
    WriteJibs(FFiles, {{FFiles.File("Red.jib"), Qt::red},
                       {FFiles.File("Green.jib"), Qt::green},
                       {FFiles.File("Blue.jib"), Qt::blue}});
    MessageCapture capture;
    Open(FFiles.Path());
    ASSERT_EQ(List().ViewStyle(), vsReport);
    Click("Green.jib");
    ASSERT_TRUE(FForm->imgPreview->isVisible());
    const QImage preview = PreviewShot();
    const QRect bounds = FForm->imgPreview->geometry();

    for (QAction* view : {FForm->miThumbnails, FForm->miDetails, FForm->miThumbnails}) {
        SCOPED_TRACE(view->text().toStdString());
        view->trigger();
        EXPECT_EQ(List().ViewStyle(), view == FForm->miThumbnails ? vsIcon : vsReport);
        EXPECT_EQ(SelectedPath(), FFiles.File("Green.jib"));
        EXPECT_EQ(List().SelCount(), 1);
        EXPECT_EQ(List().ItemFocused(), List().Selected());
        EXPECT_TRUE(FForm->imgPreview->isVisible());
        EXPECT_EQ(FForm->imgPreview->geometry(), bounds);
        EXPECT_EQ(PreviewShot(), preview);
        EXPECT_TRUE(List().viewport()->rect().intersects(List().visualRect(IndexOf("Green.jib"))));
    }
    // Each file's own thumbnail, in its place.
    EXPECT_TRUE(DrawnAs("Red.jib", Qt::red));
    EXPECT_TRUE(DrawnAs("Blue.jib", Qt::blue));
    // The preview follows a click in the grid as it follows one in the rows.
    Click("Blue.jib");
    EXPECT_EQ(SelectedPath(), FFiles.File("Blue.jib"));
    EXPECT_EQ(PreviewShot().pixelColor(bounds.width() / 2, bounds.height() / 2), QColor(Qt::blue));
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(ThumbnailViewTest, TheChoicePersistsAcrossARestartInASectionOfItsOwn) {
    // A file as earlier versions left it: no View section, so details and large.
    IniWriteString(Settings(), "frmJIBMainPosition", "State", "0");
    Open(FFiles.Path());
    QStringList menus;
    for (QAction* menu : FForm->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, QStringList({"&File", "&View", "&Help"}));
    EXPECT_EQ(FForm->miDetails->shortcut(), QKeySequence("Ctrl+1"));
    EXPECT_EQ(FForm->miThumbnails->shortcut(), QKeySequence("Ctrl+2"));
    EXPECT_TRUE(FForm->miDetails->isChecked());
    EXPECT_TRUE(FForm->miLargeThumbnails->isChecked());
    EXPECT_EQ(List().ViewStyle(), vsReport);

    FForm->miThumbnails->trigger();
    FForm->miSmallThumbnails->trigger();
    EXPECT_FALSE(FForm->miDetails->isChecked());
    EXPECT_FALSE(FForm->miLargeThumbnails->isChecked());
    Close();
    const std::string text = ReadFileText(Settings());
    const std::size_t general = text.find("[General]");
    const std::size_t placement = text.find("[frmJIBMainPosition]");
    const std::size_t view = text.find("[View]\nStyle=Thumbnails\nThumbnailSize=128\n");
    ASSERT_NE(view, std::string::npos) << text;
    EXPECT_LT(general, placement);
    EXPECT_LT(placement, view);

    Open(FFiles.Path());
    EXPECT_EQ(List().ViewStyle(), vsIcon);
    EXPECT_EQ(List().PictureSize(), kSmall);
    EXPECT_TRUE(FForm->miThumbnails->isChecked());
    EXPECT_TRUE(FForm->miSmallThumbnails->isChecked());
    Close();
    // A value no version writes reads as the default.
    IniWriteString(Settings(), "View", "ThumbnailSize", "77");
    IniWriteString(Settings(), "View", "Style", "Mosaic");
    Open(FFiles.Path());
    EXPECT_EQ(List().ViewStyle(), vsReport);
    EXPECT_EQ(List().PictureSize(), 256);
}

TEST_F(ThumbnailViewTest, AJibChangedOnDiskGetsItsNewThumbnail) {
    WriteJibs(FFiles, {{FFiles.File("Art.jib"), Qt::red}, {FFiles.File("Other.jib"), Qt::gray}});
    SetMTime(FFiles.File("Art.jib"), 1'700'000'000);
    IniWriteString(Settings(), "View", "Style", "Thumbnails");
    IniWriteInteger(Settings(), "View", "ThumbnailSize", kSmall);
    Open(FFiles.Path());
    // With the focus, the list refreshes 400 ms after a change rather than 2 s.
    QApplication::setActiveWindow(FForm.get());
    List().setFocus();
    ASSERT_TRUE(DrawnAs("Art.jib", Qt::red));

    TempDir staging;
    struct {
        const char* Label;
        QColor Colour;
        bool InPlace;
    } changes[] = {{"replaced by a rename", Qt::blue, false},
                   {"rewritten in place", Qt::green, true}};
    std::int64_t mtime = 1'700'000'000;
    for (const auto& change : changes) {
        SCOPED_TRACE(change.Label);
        WriteJibs(staging, {{staging.File("Art.jib"), change.Colour}});
        mtime += 100;
        if (change.InPlace)
            fs::copy_file(staging.File("Art.jib"), FFiles.File("Art.jib"),
                          fs::copy_options::overwrite_existing);
        else
            fs::rename(staging.File("Art.jib"), FFiles.File("Art.jib"));
        SetMTime(FFiles.File("Art.jib"), mtime);
        EXPECT_TRUE(DrawnAs("Art.jib", change.Colour));
        // The cache has the new one, for the file as it is now.
        const std::string entry =
            FHome.Home() + "/.cache/thumbnails/normal/" +
            thumbs::TThumbnailCache::FileNameOf(thumbs::FileUriOf(FFiles.File("Art.jib")));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return QImage(QString::fromStdString(entry)).text("Thumb::MTime") ==
                       QString::number(mtime);
            },
            kWaitMs));
        EXPECT_EQ(QImage(QString::fromStdString(entry)).pixelColor(32, 24), change.Colour);
    }
}

TEST_F(ThumbnailViewTest, AFolderChangeCancelsWhatWasQueuedForTheOldFolder) {
    const std::string old = FFiles.MakeDir("Old");
    const std::string next = FFiles.MakeDir("New");
    std::vector<std::pair<std::string, QColor>> jibs;
    for (int i = 0; i < 200; ++i)
        jibs.emplace_back(old + "/old-" + std::to_string(1000 + i) + ".jib", Qt::yellow);
    for (const char* name : {"a.jib", "b.jib", "c.jib"})
        jibs.emplace_back(next + "/" + name, Qt::cyan);
    WriteJibs(FFiles, jibs);
    IniWriteString(Settings(), "View", "Style", "Thumbnails");
    IniWriteInteger(Settings(), "View", "ThumbnailSize", kSmall);
    Open(old);
    ASSERT_TRUE(QTest::qWaitFor([&] { return List().ItemCount() == 200; }, kWaitMs));

    // At once, before the event loop turns: whatever the workers deliver for the old folder
    // from here on is on its way into the new one.
    List().Folder()->SetFolderPath(next + "/");
    QSignalSpy arrived(&Source(), &TJibThumbnailSource::Arrived);
    QSignalSpy prepared(&Source(), &TJibThumbnailSource::Prepared);
    ASSERT_EQ(List().ItemCount(), 3);
    ASSERT_TRUE(DrawnAs("c.jib", Qt::cyan));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Source().Idle(); }, kWaitMs));
    QApplication::processEvents();
    EXPECT_GE(arrived.count(), 3);
    for (const QSignalSpy* spy : {&arrived, &prepared})
        for (const QList<QVariant>& signal : *spy)
            EXPECT_TRUE(signal.at(0).toString().startsWith(QString::fromStdString(next)))
                << signal.at(0).toString().toStdString();
    // Only what the workers had in hand was finished for the old folder.
    int cachedOld = 0;
    for (const auto& entry : fs::directory_iterator(FHome.Home() + "/.cache/thumbnails/normal"))
        cachedOld += QImage(QString::fromStdString(entry.path().string()))
                         .text("Thumb::URI")
                         .contains("/Old/");
    EXPECT_LT(cachedOld, 200);
}

TEST_F(ThumbnailViewTest, DecodedThumbnailsInMemoryStayWithinTheirBudget) {
    std::vector<std::pair<std::string, QColor>> jibs;
    for (int i = 0; i < 12; ++i)
        jibs.emplace_back(FFiles.File("m" + std::to_string(10 + i).append(".jib")),
                          QColor(i * 20, 0, 0));
    WriteJibs(FFiles, jibs);
    // Room for three 64 x 48 thumbnails: a screen of three at a time. (A screen of more
    // than fit would drop one of its own, whichever the two workers happened to finish
    // first.)
    constexpr std::size_t kScreen = 3;
    TJibThumbnailSource source(TJibThumbnailSource::UserCache(), nullptr, 2, kScreen * 64 * 48 * 4);
    std::vector<TFbThumbnailKey> keys;
    for (const auto& [path, colour] : jibs)
        keys.push_back({path, 0, 0, 0});
    source.Begin(kSmall, keys);
    QSignalSpy arrived(&source, &TJibThumbnailSource::Arrived);
    for (std::size_t shown = 0; shown < keys.size(); shown += kScreen) {
        source.Show({keys.begin() + shown, keys.begin() + shown + kScreen});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return arrived.count() >= static_cast<int>(shown + kScreen); }, kWaitMs));
        EXPECT_LE(source.MemoryBytes(), source.MemoryLimit());
    }
    QImage image;
    // The least recently shown went first; the last ones shown are kept.
    EXPECT_EQ(source.Thumbnail(keys.front(), image), TFbThumbnailSource::TState::tsPending);
    EXPECT_EQ(source.Thumbnail(keys.back(), image), TFbThumbnailSource::TState::tsImage);
    EXPECT_EQ(image.pixelColor(32, 24), jibs.back().second);
}
