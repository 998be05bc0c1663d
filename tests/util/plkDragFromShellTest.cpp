#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "tests/common/MessageCapture.h"
#include "util/plkDragFromShell.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

struct Reported {
    std::string folder, name, full;
    int index, total;
    TPoint point;
};

// Delivers a drop of `urls` at `at` to `target` the way a file manager's drag arrives:
// enter, then drop.
bool Drop(QWidget* target, const QList<QUrl>& urls, QPoint at = QPoint(10, 20)) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QUrl File(const QString& path) {
    return QUrl::fromLocalFile(path);
}

class DragFromShellTest : public ::testing::Test {
protected:
    DragFromShellTest() : FDrop(new TplkDragFromShell(&FWindow)) {
        FWindow.resize(300, 200);
        FDrop->OnShellDragDrop = [this](TplkDragFromShell* sender, const std::string& folder,
                                        const std::string& name, const std::string& full,
                                        int index, int total, TPoint& point) {
            EXPECT_EQ(sender, FDrop);
            FEvents.push_back("file " + std::to_string(index));
            FFiles.push_back({folder, name, full, index, total, point});
        };
        FDrop->OnShellDragDropDone = [this](TplkDragFromShell*) { FEvents.push_back("done"); };
    }

    QWidget FWindow;
    TplkDragFromShell* FDrop; // owned by the window
    std::vector<std::string> FEvents;
    std::vector<Reported> FFiles;
};

} // namespace

TEST_F(DragFromShellTest, ThreeFilesAreReportedInOrderThenTheDropEnds) {
    ASSERT_TRUE(Drop(&FWindow, {File("/home/me/a.jib"), File("/home/me/b.JIB"),
                                File("/data/pics/c.png")},
                     QPoint(40, 50)));
    EXPECT_EQ(FEvents, (std::vector<std::string>{"file 1", "file 2", "file 3", "done"}));
    ASSERT_EQ(FFiles.size(), 3u);
    EXPECT_EQ(FFiles[2].folder, "/data/pics/");
    EXPECT_EQ(FFiles[2].name, "c.png");
    EXPECT_EQ(FFiles[2].full, "/data/pics/c.png");
    EXPECT_EQ(FFiles[2].total, 3);
    EXPECT_EQ(FFiles[0].point, (TPoint{40, 50}));
    EXPECT_EQ(FDrop->Files(), (std::vector<std::string>{"/home/me/a.jib", "/home/me/b.JIB",
                                                        "/data/pics/c.png"}));
    EXPECT_EQ(FDrop->FileCount(), 3);
}

TEST_F(DragFromShellTest, PathsAreTrimmedAndFoldersAndRootFilesSplitAtTheirLastSlash) {
    ASSERT_TRUE(Drop(&FWindow, {File("/home/me/a.jib  "), File("/home/me/Projects/"),
                                File("/top.jib")}));
    ASSERT_EQ(FFiles.size(), 3u);
    EXPECT_EQ(FFiles[0].full, "/home/me/a.jib");
    EXPECT_EQ(FFiles[1].folder, "/home/me/");
    EXPECT_EQ(FFiles[1].name, "Projects");
    EXPECT_EQ(FFiles[2].folder, "/");
    EXPECT_EQ(FFiles[2].name, "top.jib");
}

TEST_F(DragFromShellTest, WithoutNotifyEachFileOnlyTheEndIsReported) {
    FDrop->SetNotifyEachFile(false);
    ASSERT_TRUE(Drop(&FWindow, {File("/a.jib"), File("/b.jib")}));
    EXPECT_EQ(FEvents, std::vector<std::string>{"done"});
    EXPECT_EQ(FDrop->Files(), (std::vector<std::string>{"/a.jib", "/b.jib"}));
}

TEST_F(DragFromShellTest, WebLinksAreNotFilesAndADropOfNoneIsRefused) {
    EXPECT_FALSE(Drop(&FWindow, {QUrl("https://www.quillbrew.com/")}));
    EXPECT_TRUE(FEvents.empty());
    ASSERT_TRUE(Drop(&FWindow, {QUrl("https://www.quillbrew.com/"), File("/a.jib")}));
    EXPECT_EQ(FEvents, (std::vector<std::string>{"file 1", "done"}));
    EXPECT_EQ(FFiles[0].total, 1);
}

TEST_F(DragFromShellTest, AFailingHandlerIsReportedAndTheRestOfTheDropStillArrives) {
    MessageCapture capture;
    FDrop->OnShellDragDrop = [this](TplkDragFromShell*, const std::string&, const std::string& name,
                                    const std::string&, int, int, TPoint&) {
        FEvents.push_back(name);
        if (name == "bad.jib")
            throw Exception("Cannot read bad.jib");
    };
    ASSERT_TRUE(Drop(&FWindow, {File("/x/a.jib"), File("/x/bad.jib"), File("/x/c.jib")}));
    EXPECT_EQ(FEvents, (std::vector<std::string>{"a.jib", "bad.jib", "c.jib", "done"}));
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{"Cannot read bad.jib."});
}

TEST_F(DragFromShellTest, WithoutTheComponentTheWindowStillTakesDropsButNothingIsReported) {
    ASSERT_TRUE(Drop(&FWindow, {File("/a.jib")}));
    EXPECT_EQ(FEvents.size(), 2u);
    delete FDrop;
    EXPECT_TRUE(FWindow.acceptDrops()); // the window stays open for drops
    FEvents.clear();
    Drop(&FWindow, {File("/a.jib")});
    EXPECT_TRUE(FEvents.empty());
}

TEST(DragFromShell, TheOwnerMustBeAWidget) {
    QObject notAWidget;
    try {
        TplkDragFromShell drop(&notAWidget);
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The plkDragFromShell's Owner must be a TWinControl decendant!");
    }
    EXPECT_THROW(TplkDragFromShell(nullptr), Exception);
}
