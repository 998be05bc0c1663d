// The file list in icon view: a grid that re-flows with the width, the keys moving through
// it as through the report view's rows, selection, renaming, opening and drops on the same
// items, and what it draws and asks of its thumbnail source (a scripted one here).
#include "tests/shell/BrowserTest.h"

#include <filesystem>
#include <map>
#include <set>
#include <sys/stat.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

namespace shellns_test {
namespace {

namespace fs = std::filesystem;

constexpr int kSmall = 128;

// A source whose answers the test sets, recording what the list tells it.
class TScriptedSource : public TFbThumbnailSource {
public:
    void Begin(int size, std::vector<TFbThumbnailKey> all) override {
        Calls.push_back("Begin " + std::to_string(size) + " " + std::to_string(all.size()));
        All = std::move(all);
    }
    void Update(std::vector<TFbThumbnailKey> all) override {
        Calls.push_back("Update " + std::to_string(all.size()));
        All = std::move(all);
    }
    void Cancel() override { Calls.push_back("Cancel"); }
    TState Thumbnail(const TFbThumbnailKey& key, QImage& image) override {
        const std::string name = fs::path(key.Path).filename().string();
        if (const auto it = Images.find(name); it != Images.end()) {
            image = it->second;
            return TState::tsImage;
        }
        return None.contains(name) ? TState::tsNone : TState::tsPending;
    }
    void Show(const std::vector<TFbThumbnailKey>& shown) override { Shown = shown; }

    std::vector<std::string> Calls;
    std::vector<TFbThumbnailKey> All;
    std::vector<TFbThumbnailKey> Shown;
    std::map<std::string, QImage> Images;
    std::set<std::string> None;
};

class FbShellListIconsTest : public BrowserTest {
protected:
    // A list in icon view with small pictures on `count` files f0.jib, f1.jib, ..., whose
    // viewport is `width` pixels wide.
    void Open(TFbShellList& list, int count, int width, int height = 400) {
        for (int i = 0; i < count; ++i)
            FTree.Write("f" + std::to_string(i) + ".jib", std::string(10 + i, 'x'));
        list.SetOptions(sloDefaultKeyHandling | sloShowHidden | sloOleDrag | sloOleDrop);
        list.SetFileFilter("*.jib");
        list.SetPictureSize(kSmall);
        list.SetViewStyle(vsIcon);
        list.resize(width, height);
        list.show();
        list.Folder()->SetFolderPath(TreeFolder());
        QCoreApplication::processEvents();
        SetViewportWidth(list, width);
    }
    static void SetViewportWidth(TFbShellList& list, int width) {
        list.resize(width + list.width() - list.viewport()->width(), list.height());
        QCoreApplication::processEvents();
    }
    static QRect RectOf(TFbShellList& list, const std::string& caption) {
        return list.visualRect(list.model()->index(ItemCaptioned(list, caption)->Index(), 0));
    }
    static std::string Focused(TFbShellList& list) {
        return list.ItemFocused() ? list.ItemFocused()->Caption() : "";
    }
    static std::vector<std::string> SelectedCaptions(TFbShellList& list) {
        std::vector<std::string> captions;
        for (TFbListItem* item : list.SelectedItems())
            captions.push_back(item->Caption());
        return captions;
    }
    // The colour at the centre of the picture box of an item, as drawn.
    static QColor PictureCentre(TFbShellList& list, const std::string& caption) {
        const QRect cell = RectOf(list, caption);
        const QImage shot = list.viewport()->grab().toImage();
        return shot.pixelColor(cell.left() + TFbIconLayout::kPadding + list.PictureSize() / 2,
                               cell.top() + TFbIconLayout::kPadding + list.PictureSize() / 2);
    }
};

TEST_F(FbShellListIconsTest, TheGridReflowsWithTheWidthAndKeysMoveThroughIt) {
    TFbShellList list;
    Open(list, 10, 450);
    ASSERT_EQ(list.IconLayout().Columns(), 3);
    EXPECT_EQ(list.header()->isHidden(), true);
    EXPECT_EQ(RectOf(list, "f3.jib").topLeft(),
              QPoint(RectOf(list, "f0.jib").left(), RectOf(list, "f0.jib").bottom() + 1));
    SetViewportWidth(list, 720);
    ASSERT_EQ(list.IconLayout().Columns(), 5);
    EXPECT_EQ(RectOf(list, "f3.jib").top(), RectOf(list, "f0.jib").top());
    EXPECT_LE(RectOf(list, "f4.jib").right(), list.viewport()->width());
    EXPECT_EQ(list.indexAt(RectOf(list, "f7.jib").center()).row(),
              ItemCaptioned(list, "f7.jib")->Index());
    SetViewportWidth(list, 450);
    ASSERT_EQ(list.IconLayout().Columns(), 3);

    // f0 f1 f2 / f3 f4 f5 / f6 f7 f8 / f9; two rows make a page of this height.
    ASSERT_EQ(list.viewport()->height() / list.IconLayout().Cell().height(), 2);
    list.setFocus();
    ASSERT_EQ(Focused(list), "f0.jib");
    struct {
        Qt::Key Key;
        Qt::KeyboardModifiers Modifiers;
        const char* Focused;
        std::vector<std::string> Selected;
    } steps[] = {
        {Qt::Key_Right, {}, "f1.jib", {"f1.jib"}},
        {Qt::Key_Right, {}, "f2.jib", {"f2.jib"}},
        {Qt::Key_Right, {}, "f3.jib", {"f3.jib"}}, // on into the next row
        {Qt::Key_Down, {}, "f6.jib", {"f6.jib"}},
        {Qt::Key_Down, {}, "f9.jib", {"f9.jib"}},
        {Qt::Key_Down, {}, "f9.jib", {"f9.jib"}}, // the last row
        {Qt::Key_Up, {}, "f6.jib", {"f6.jib"}},
        {Qt::Key_Right, {}, "f7.jib", {"f7.jib"}},
        {Qt::Key_Down, {}, "f9.jib", {"f9.jib"}}, // a shorter last row: its last item
        {Qt::Key_Home, {}, "f0.jib", {"f0.jib"}},
        {Qt::Key_Up, {}, "f0.jib", {"f0.jib"}},
        {Qt::Key_Left, {}, "f0.jib", {"f0.jib"}},
        {Qt::Key_PageDown, {}, "f6.jib", {"f6.jib"}},
        {Qt::Key_PageDown, {}, "f9.jib", {"f9.jib"}},
        {Qt::Key_PageUp, {}, "f3.jib", {"f3.jib"}},
        {Qt::Key_End, {}, "f9.jib", {"f9.jib"}},
        {Qt::Key_Left, {}, "f8.jib", {"f8.jib"}},
        {Qt::Key_Left, Qt::ShiftModifier, "f7.jib", {"f7.jib", "f8.jib"}},
        // Shift extends in reading order, as in the report view, not as a rectangle.
        {Qt::Key_Up,
         Qt::ShiftModifier,
         "f4.jib",
         {"f4.jib", "f5.jib", "f6.jib", "f7.jib", "f8.jib"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(QKeySequence(step.Key | step.Modifiers).toString().toStdString());
        QTest::keyClick(&list, step.Key, step.Modifiers);
        EXPECT_EQ(Focused(list), step.Focused);
        EXPECT_EQ(SelectedCaptions(list), step.Selected);
        // The focused item is scrolled into view.
        EXPECT_TRUE(list.viewport()->rect().contains(RectOf(list, step.Focused)));
    }
    // Type-ahead finds by the caption's start.
    QTest::keyClicks(&list, "f5");
    EXPECT_EQ(Focused(list), "f5.jib");
    EXPECT_EQ(SelectedCaptions(list), std::vector<std::string>{"f5.jib"});
}

TEST_F(FbShellListIconsTest, ClicksBandsRenamingOpeningAndDropsWorkOnTheGrid) {
    TFbShellList list;
    Open(list, 10, 450, 900);
    list.setFocus();
    // A click selects, Ctrl+click adds, Shift+click selects the run in reading order.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RectOf(list, "f1.jib").center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      RectOf(list, "f8.jib").center());
    EXPECT_EQ(SelectedCaptions(list), (std::vector<std::string>{"f1.jib", "f8.jib"}));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, RectOf(list, "f2.jib").center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      RectOf(list, "f4.jib").center());
    EXPECT_EQ(SelectedCaptions(list), (std::vector<std::string>{"f2.jib", "f3.jib", "f4.jib"}));

    // A band dragged from empty space takes the cells it touches.
    const QRect f8 = RectOf(list, "f8.jib");
    const QPoint empty(f8.center().x(), f8.bottom() + 20); // beside f9, in the last row
    ASSERT_FALSE(list.indexAt(empty).isValid());
    QTest::mousePress(list.viewport(), Qt::LeftButton, {}, empty);
    for (const QPoint to : {empty - QPoint(20, 40), RectOf(list, "f7.jib").center()})
        QTest::mouseMove(list.viewport(), to);
    QMouseEvent move(QEvent::MouseMove, RectOf(list, "f7.jib").center(),
                     list.viewport()->mapToGlobal(RectOf(list, "f7.jib").center()), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(list.viewport(), &move);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, RectOf(list, "f7.jib").center());
    EXPECT_EQ(SelectedCaptions(list), (std::vector<std::string>{"f7.jib", "f8.jib"}));

    // Renaming: the editor stands in the caption's place.
    list.ClearSelection();
    TFbListItem* f3 = ItemCaptioned(list, "f3.jib");
    list.SelectItem(f3, true);
    list.SetItemFocused(f3);
    QTest::keyClick(&list, Qt::Key_F2);
    ASSERT_TRUE(list.IsEditing());
    auto* editor = list.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(RectOf(list, "f3.jib").contains(editor->geometry()));
    EXPECT_GT(editor->geometry().top(), RectOf(list, "f3.jib").top() + kSmall);
    editor->setText("renamed.jib");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !list.IsEditing() && !list.RefreshPending(); }));
    EXPECT_TRUE(fs::exists(FTree.File("renamed.jib")));
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("renamed.jib"));

    // Opening by a double click on a picture.
    std::vector<std::string> opened;
    list.OnDblClickOpen = [&](QObject*, TFbShellListData* data, bool& handled) {
        opened.push_back(data != nullptr ? data->FullPath() : "several");
        handled = true;
    };
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, RectOf(list, "f6.jib").center());
    EXPECT_EQ(opened, std::vector<std::string>{FTree.File("f6.jib")});

    // Files dropped on empty space land in the folder.
    const std::string outside = FHome.Dir().Write("outside/dropped.jib", "dropped");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(outside))});
    for (QEvent::Type type : {QEvent::DragEnter, QEvent::DragMove}) {
        QDragMoveEvent over(empty, Qt::CopyAction, &data, Qt::LeftButton, {}, type);
        QCoreApplication::sendEvent(list.viewport(), &over);
        ASSERT_TRUE(over.isAccepted());
    }
    QDropEvent drop(empty, Qt::CopyAction, &data, Qt::NoButton, {});
    QCoreApplication::sendEvent(list.viewport(), &drop);
    EXPECT_EQ(ReadFileText(FTree.File("dropped.jib")), "dropped");
    EXPECT_NE(ItemCaptioned(list, "dropped.jib"), nullptr);
}

TEST_F(FbShellListIconsTest, PicturesComeFromTheSourceWhichHearsWhatIsShownAndWhenToStartOver) {
    TScriptedSource source;
    TFbShellList list;
    list.SetThumbnailSource(&source);
    Open(list, 10, 450, 360);
    ASSERT_FALSE(source.Calls.empty());
    EXPECT_EQ(source.Calls.back(), "Begin 128 10");
    ASSERT_EQ(source.All.size(), 10u);
    EXPECT_EQ(source.All[4].Path, FTree.File("f4.jib"));
    EXPECT_EQ(source.All[4].Size, 14u);
    struct stat st;
    ASSERT_EQ(::stat(FTree.File("f4.jib").c_str(), &st), 0);
    EXPECT_EQ(source.All[4].MTimeSec, st.st_mtim.tv_sec);
    EXPECT_EQ(source.All[4].MTimeNsec, static_cast<std::uint32_t>(st.st_mtim.tv_nsec));
    // Painted: what is on screen, in order.
    list.viewport()->repaint();
    ASSERT_GE(source.Shown.size(), 6u);
    EXPECT_EQ(source.Shown[0].Path, FTree.File("f0.jib"));
    EXPECT_EQ(source.Shown[5].Path, FTree.File("f5.jib"));

    // An image, a file without one and one still pending look like themselves.
    QImage red(100, 80, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    source.Images["f0.jib"] = red;
    source.None.insert("f1.jib");
    list.viewport()->repaint();
    EXPECT_EQ(PictureCentre(list, "f0.jib"), QColor(Qt::red));
    EXPECT_EQ(PictureCentre(list, "f2.jib"), list.palette().color(QPalette::Window));
    EXPECT_NE(PictureCentre(list, "f1.jib"), list.palette().color(QPalette::Window));

    // Scrolling on shows the next rows.
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    list.viewport()->repaint();
    ASSERT_FALSE(source.Shown.empty());
    EXPECT_EQ(source.Shown.back().Path, FTree.File("f9.jib"));

    // Report view wants nothing; icon view again starts over, as another size does.
    source.Calls.clear();
    list.SetViewStyle(vsReport);
    list.SetViewStyle(vsIcon);
    list.SetPictureSize(256);
    EXPECT_EQ(source.Calls, (std::vector<std::string>{"Cancel", "Begin 128 10", "Begin 256 10"}));
    // A file coming merges in; another folder starts over.
    source.Calls.clear();
    FTree.Write("new.jib", "new");
    list.RefreshList();
    EXPECT_EQ(source.Calls, std::vector<std::string>{"Update 11"});
    source.Calls.clear();
    FTree.Write("Other/o.jib", "o");
    list.Folder()->SetFolderPath(TreeFolder("Other"));
    EXPECT_EQ(source.Calls, (std::vector<std::string>{"Cancel", "Begin 256 1"}));
    list.SetThumbnailSource(nullptr);
    EXPECT_EQ(source.Calls.back(), "Cancel");
}

} // namespace
} // namespace shellns_test
