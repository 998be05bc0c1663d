#include "platform/StrFormat.h"
#include "platform/shellns/ShellTypes.h"
#include "platform/shellns/Trash.h"
#include "shell/FbShellDragData.h"
#include "tests/shell/BrowserTest.h"

#include <cstring>

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QUrl>

namespace shellns_test {
namespace {

// What a control answered to one synthesized drag event.
struct TAnswer {
    bool accepted;
    Qt::DropAction action;
};

QMimeData* UriData(const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const auto& p : paths)
        urls.append(QUrl::fromLocalFile(QString::fromStdString(p)));
    data->setUrls(urls);
    return data;
}

std::vector<std::string> UrlPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    for (const QUrl& url : data->urls())
        paths.push_back(url.toLocalFile().toStdString());
    return paths;
}

class FbShellDragDropTest : public BrowserTest {
protected:
    // A drag from another program enters `view` at `pos` and moves there once.
    static TAnswer DragTo(QAbstractItemView& view, const QPoint& pos, const QMimeData* data,
                          Qt::KeyboardModifiers keys = {},
                          Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction |
                                                    Qt::LinkAction) {
        QDragEnterEvent enter(pos, offered, data, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(view.viewport(), &enter);
        if (!enter.isAccepted())
            return {false, Qt::IgnoreAction};
        QDragMoveEvent move(pos, offered, data, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(view.viewport(), &move);
        return {move.isAccepted(), move.dropAction()};
    }
    // Drags to `pos` and drops there; answers what the drop answered.
    static TAnswer DropAt(QAbstractItemView& view, const QPoint& pos, const QMimeData* data,
                          Qt::KeyboardModifiers keys = {},
                          Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction |
                                                    Qt::LinkAction) {
        const TAnswer over = DragTo(view, pos, data, keys, offered);
        if (!over.accepted)
            return over;
        QDropEvent drop(pos, offered, data, Qt::NoButton, keys);
        QCoreApplication::sendEvent(view.viewport(), &drop);
        return {drop.isAccepted(), drop.dropAction()};
    }

    static QPoint NodePoint(TFbCustomShellTree& tree, TFbTreeNode* node) {
        tree.scrollToItem(node);
        return tree.visualItemRect(node).center();
    }
    static QPoint ItemPoint(TFbCustomShellList& list, const std::string& caption) {
        TFbListItem* item = ItemCaptioned(list, caption);
        return list.visualRect(list.model()->index(item->Index(), 0)).center();
    }
    static QPoint EmptyPoint(TFbCustomShellList& list) {
        return {10, list.viewport()->height() - 4};
    }

    // The tree rooted in FTree, linked to the list, showing `folder`.
    void OpenBrowser(TFbShellTree& tree, TFbShellList& list, const std::string& folder) {
        tree.SetOptions(stoDefaultKeyHandling | stoShowHidden | stoOleDrag | stoOleDrop);
        list.SetOptions(sloDefaultKeyHandling | sloShowHidden | sloOleDrag | sloOleDrop);
        list.SetFileFilter("*.jib");
        tree.BaseFolder()->SetFolderPath(TreeFolder());
        tree.resize(300, 400);
        list.resize(400, 400);
        tree.show();
        list.show();
        OpenLinked(tree, list, TreeFolder(folder));
        QCoreApplication::processEvents();
    }
    void OpenList(TFbShellList& list, const std::string& folder) {
        list.SetOptions(sloDefaultKeyHandling | sloShowHidden | sloOleDrag | sloOleDrop |
                        sloAutoFill);
        list.SetFileFilter("*");
        list.resize(400, 400);
        list.show();
        list.Folder()->SetFolderPath(TreeFolder(folder));
        QCoreApplication::processEvents();
    }
};

std::string ListBytes(PCItemIDList list) {
    return {reinterpret_cast<const char*>(list), sh::IdListSize(list)};
}

std::uint32_t UInt32At(const QByteArray& block, int at) {
    std::uint32_t value = 0;
    std::memcpy(&value, block.constData() + at, sizeof value); // the test host is little-endian
    return value;
}

TEST_F(FbShellDragDropTest, TheItemArrayHoldsCountOffsetsParentAndItemsAndReadsBack) {
    FTree.Write("Pics/a.jib", "a");
    FTree.Write("Pics/bb.jib", "b");
    const auto parent = Parse(TreeFolder("Pics"));
    const auto folder = FolderAt(TreeFolder("Pics"));
    const auto a = ItemNamed(folder, "a.jib");
    const auto b = ItemNamed(folder, "bb.jib");
    const QByteArray block = BuildIdListArray(parent.get(), {a.get(), b.get()});

    const std::size_t parentSize = sh::IdListSize(parent.get());
    const std::size_t aSize = sh::IdListSize(a.get());
    EXPECT_EQ(UInt32At(block, 0), 2u);
    EXPECT_EQ(UInt32At(block, 4), 16u) << "count and three offsets come first";
    EXPECT_EQ(UInt32At(block, 8), 16u + parentSize);
    EXPECT_EQ(UInt32At(block, 12), 16u + parentSize + aSize);
    EXPECT_EQ(static_cast<std::size_t>(block.size()),
              16 + parentSize + aSize + sh::IdListSize(b.get()));
    EXPECT_EQ(block.mid(16, static_cast<qsizetype>(parentSize)).toStdString(),
              ListBytes(parent.get()));

    TFbIdListArrayContent content;
    ASSERT_EQ(ParseIdListArray(block, content), "");
    EXPECT_EQ(ListBytes(content.parent.get()), ListBytes(parent.get()));
    ASSERT_EQ(content.items.size(), 2u);
    EXPECT_EQ(ListBytes(content.items[0].get()), ListBytes(a.get()));
    EXPECT_EQ(ListBytes(content.items[1].get()), ListBytes(b.get()));
}

TEST_F(FbShellDragDropTest, DamagedArraysAreRefusedWithWhatWasWrong) {
    FTree.Write("Pics/a.jib", "a");
    const auto parent = Parse(TreeFolder("Pics"));
    const auto a = ItemNamed(FolderAt(TreeFolder("Pics")), "a.jib");
    const QByteArray good = BuildIdListArray(parent.get(), {a.get()});
    const auto withUInt32 = [&good](int at, std::uint32_t value) {
        QByteArray bad = good;
        std::memcpy(bad.data() + at, &value, sizeof value);
        return bad;
    };
    const struct {
        const char* what;
        QByteArray bytes;
        const char* mentions;
    } cases[] = {
        {"too short for a count and an offset", good.left(6), "at least 8 bytes"},
        {"a count whose offsets do not fit", withUInt32(0, 0x40000000), "count"},
        {"an offset into the header", withUInt32(4, 2), "offset 0"},
        {"an offset past the end", withUInt32(8, 100000), "offset 1"},
        {"an item cut off at the end", good.left(good.size() - 2), "does not end"},
    };
    for (const auto& c : cases) {
        TFbIdListArrayContent content;
        const std::string problem = ParseIdListArray(c.bytes, content);
        EXPECT_NE(problem.find(c.mentions), std::string::npos) << c.what << ": " << problem;
        EXPECT_EQ(content.parent, nullptr) << c.what;
        EXPECT_TRUE(content.items.empty()) << c.what;
    }
    // An item whose size field says 1: too small to be an item at all.
    QByteArray tiny = good;
    const int itemAt = static_cast<int>(UInt32At(good, 8));
    tiny[itemAt] = 1;
    tiny[itemAt + 1] = 0;
    TFbIdListArrayContent content;
    EXPECT_NE(ParseIdListArray(tiny, content), "");
    // The data of such an array allows nothing, rather than everything.
    QMimeData data;
    data.setData(kShellIdListArrayFormat, tiny);
    EXPECT_EQ(EffectsAllowedByData(&data), sh::DROPEFFECT_NONE);
}

TEST_F(FbShellDragDropTest, EffectsKeysAndActionsTranslate) {
    EXPECT_EQ(DropActionsOf(7), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    EXPECT_EQ(DropActionsOf(sh::DROPEFFECT_COPY), Qt::DropActions(Qt::CopyAction));
    EXPECT_EQ(EffectsOf(Qt::MoveAction | Qt::LinkAction), 6u);
    EXPECT_EQ(DropActionOf(sh::DROPEFFECT_NONE), Qt::IgnoreAction);
    EXPECT_EQ(DropActionOf(sh::DROPEFFECT_LINK), Qt::LinkAction);
    EXPECT_EQ(DragKeyState(Qt::ControlModifier | Qt::ShiftModifier, Qt::RightButton),
              sh::MK_CONTROL | sh::MK_SHIFT | sh::MK_RBUTTON);
    EXPECT_EQ(DragKeyState(Qt::AltModifier, Qt::LeftButton | Qt::MiddleButton),
              sh::MK_ALT | sh::MK_LBUTTON | sh::MK_MBUTTON);
    QMimeData plain;
    EXPECT_EQ(EffectsAllowedByData(&plain), 7u) << "data without the array allows all";
}

TEST_F(FbShellDragDropTest, ATreeNodeDragCarriesItsItemAndPathButTheRootDragsNothing) {
    FTree.MakeDir("Photos/2024");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Photos/2024");
    std::uint32_t effects = 0;
    EXPECT_EQ(tree.MakeNodeDragData(tree.TopNode(0), effects), nullptr);

    std::unique_ptr<QMimeData> data(
        tree.MakeNodeDragData(NodeOf(tree, TreeFolder("Photos/2024")), effects));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(effects, 7u);
    EXPECT_EQ(UrlPaths(data.get()), std::vector<std::string>{FTree.File("Photos/2024")});
    TFbIdListArrayContent content;
    ASSERT_EQ(ParseIdListArray(data->data(kShellIdListArrayFormat), content), "");
    EXPECT_EQ(ItemListToPath(content.parent.get()), TreeFolder("Photos"));
    ASSERT_EQ(content.items.size(), 1u);
    EXPECT_EQ(EffectsAllowedByData(data.get()), 7u);
}

TEST_F(FbShellDragDropTest, AListDragCarriesTheSelectedItemsInOrder) {
    FTree.Write("Pics/a.jib", "a");
    FTree.Write("Pics/b.jib", "b");
    FTree.Write("Pics/c.jib", "c");
    TFbShellList list;
    OpenList(list, "Pics");
    std::uint32_t effects = 0;
    EXPECT_EQ(list.MakeSelectionDragData(effects), nullptr) << "nothing selected";
    list.SelectItem(ItemCaptioned(list, "a.jib"), true);
    list.SelectItem(ItemCaptioned(list, "c.jib"), true);
    std::unique_ptr<QMimeData> data(list.MakeSelectionDragData(effects));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(effects, 7u);
    EXPECT_EQ(UrlPaths(data.get()),
              (std::vector<std::string>{FTree.File("Pics/a.jib"), FTree.File("Pics/c.jib")}));
    TFbIdListArrayContent content;
    ASSERT_EQ(ParseIdListArray(data->data(kShellIdListArrayFormat), content), "");
    EXPECT_EQ(ItemListToPath(content.parent.get()), TreeFolder("Pics"));
    EXPECT_EQ(content.items.size(), 2u);
}

TEST_F(FbShellDragDropTest, FilesDroppedOnATreeNodeAreCopiedOrMovedIntoItsFolder) {
    FTree.MakeDir("Target");
    const std::string copied = FTree.Write("Outside/copied.jib", "copied bytes");
    const std::string moved = FTree.Write("Outside/moved.jib", "moved bytes");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Target");
    TFbTreeNode* target = NodeOf(tree, TreeFolder("Target"));
    ASSERT_NE(target, nullptr);

    std::unique_ptr<QMimeData> data(UriData({copied}));
    const TAnswer over = DragTo(tree, NodePoint(tree, target), data.get(), Qt::ControlModifier);
    EXPECT_TRUE(over.accepted);
    EXPECT_EQ(over.action, Qt::CopyAction);
    EXPECT_EQ(tree.DropHighlight(), target);
    const TAnswer dropped = DropAt(tree, NodePoint(tree, target), data.get(), Qt::ControlModifier);
    EXPECT_TRUE(dropped.accepted);
    EXPECT_EQ(dropped.action, Qt::CopyAction);
    EXPECT_EQ(ReadFileText(FTree.File("Target/copied.jib")), "copied bytes");
    EXPECT_TRUE(FileExists(copied));
    EXPECT_EQ(tree.DropHighlight(), nullptr);
    EXPECT_EQ(Captions(list), std::vector<std::string>{"copied.jib"}) << "the list follows";

    data.reset(UriData({moved}));
    EXPECT_EQ(DropAt(tree, NodePoint(tree, target), data.get(), Qt::ShiftModifier).action,
              Qt::MoveAction);
    EXPECT_EQ(ReadFileText(FTree.File("Target/moved.jib")), "moved bytes");
    EXPECT_FALSE(FileExists(moved));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"copied.jib", "moved.jib"}));
}

TEST_F(FbShellDragDropTest, AFolderDroppedOnATreeNodeShowsAsItsChild) {
    FTree.MakeDir("Target");
    FTree.Write("Outside/Album/a.jib", "a");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Target");
    TFbTreeNode* target = NodeOf(tree, TreeFolder("Target"));
    std::unique_ptr<QMimeData> data(UriData({FTree.File("Outside/Album")}));
    EXPECT_EQ(DropAt(tree, NodePoint(tree, target), data.get(), Qt::ControlModifier).action,
              Qt::CopyAction);
    EXPECT_EQ(ReadFileText(FTree.File("Target/Album/a.jib")), "a");
    target = NodeOf(tree, TreeFolder("Target"));
    ASSERT_NE(target, nullptr);
    tree.expandItem(target);
    EXPECT_EQ(ChildTexts(target), std::vector<std::string>{"Album"});
}

TEST_F(FbShellDragDropTest, OverNoNodeTheTreeTakesTheDragButAllowsNoDrop) {
    FTree.MakeDir("Target");
    const std::string file = FTree.Write("Outside/x.jib", "x");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Target");
    std::unique_ptr<QMimeData> data(UriData({file}));
    const QPoint below(10, tree.viewport()->height() - 3);
    ASSERT_EQ(tree.itemAt(below), nullptr);

    QDragEnterEvent enter(below, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted()) << "the window behind must not get it to preview";
    QDragMoveEvent move(below, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree.viewport(), &move);
    EXPECT_FALSE(move.isAccepted());
    EXPECT_EQ(tree.DropHighlight(), nullptr);
    QDropEvent drop(below, Qt::CopyAction | Qt::MoveAction, data.get(), Qt::NoButton, {});
    QCoreApplication::sendEvent(tree.viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_FALSE(FileExists(FTree.File("x.jib")));
    EXPECT_TRUE(FileExists(file));
}

TEST_F(FbShellDragDropTest, DataThatAllowsOnlyCopyNeverMoves) {
    FTree.MakeDir("Target");
    const std::string file = FTree.Write("Outside/x.jib", "x");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Target");
    std::unique_ptr<QMimeData> data(UriData({file}));
    TFbTreeNode* target = NodeOf(tree, TreeFolder("Target"));
    const TAnswer answer =
        DropAt(tree, NodePoint(tree, target), data.get(), Qt::ShiftModifier, Qt::CopyAction);
    EXPECT_EQ(answer.action, Qt::CopyAction) << "Shift asks for a move the data does not allow";
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(ReadFileText(FTree.File("Target/x.jib")), "x");
}

TEST_F(FbShellDragDropTest, DropsOnTheListGoToItsFolderOrToTheFolderItemUnderTheCursor) {
    FTree.Write("Shown/existing.jib", "e");
    FTree.MakeDir("Shown/Sub");
    const std::string first = FTree.Write("Outside/first.jib", "first");
    const std::string second = FTree.Write("Outside/second.jib", "second");
    TFbShellList list;
    OpenList(list, "Shown");
    ASSERT_EQ(Captions(list), (std::vector<std::string>{"Sub", "existing.jib"}));

    std::unique_ptr<QMimeData> data(UriData({first}));
    EXPECT_EQ(DropAt(list, EmptyPoint(list), data.get(), Qt::ControlModifier).action,
              Qt::CopyAction);
    EXPECT_EQ(ReadFileText(FTree.File("Shown/first.jib")), "first");
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"Sub", "existing.jib", "first.jib"}));

    data.reset(UriData({second}));
    EXPECT_EQ(DragTo(list, ItemPoint(list, "Sub"), data.get(), Qt::ControlModifier).action,
              Qt::CopyAction);
    EXPECT_EQ(list.DropHighlight(), ItemCaptioned(list, "Sub"));
    EXPECT_EQ(DropAt(list, ItemPoint(list, "Sub"), data.get(), Qt::ControlModifier).action,
              Qt::CopyAction);
    EXPECT_EQ(ReadFileText(FTree.File("Shown/Sub/second.jib")), "second");
    EXPECT_FALSE(FileExists(FTree.File("Shown/second.jib")));
    EXPECT_EQ(list.DropHighlight(), nullptr);

    // Over a file the drop goes to the folder around it, and the file is not highlighted.
    data.reset(UriData({FTree.Write("Outside/third.jib", "third")}));
    EXPECT_EQ(DragTo(list, ItemPoint(list, "existing.jib"), data.get(), Qt::ControlModifier).action,
              Qt::CopyAction);
    EXPECT_EQ(list.DropHighlight(), nullptr);
    DropAt(list, ItemPoint(list, "existing.jib"), data.get(), Qt::ControlModifier);
    EXPECT_EQ(ReadFileText(FTree.File("Shown/third.jib")), "third");
}

// A name written by an old Latin-1 program is not UTF-8: the controls show it with
// U+FFFD, and everything they do with it works on its bytes.
TEST_F(FbShellDragDropTest, ANameThatIsNotUtf8IsShownRenamedDraggedAndDroppedAsItsBytes) {
    FTree.Write("d\xE9j\xE0/caf\xE9.jib", "latin-1");
    FTree.MakeDir("Target");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "d\xE9j\xE0");
    EXPECT_EQ(SelectedPath(tree), TreeFolder("d\xE9j\xE0"));
    EXPECT_EQ(tree.CurrentFolder()->FolderPath(), TreeFolder("d\xE9j\xE0"));
    EXPECT_EQ(NodeOf(tree, TreeFolder("d\xE9j\xE0"))->Text(), "d\uFFFDj\uFFFD");
    ASSERT_EQ(Captions(list), std::vector<std::string>{"caf\uFFFD.jib"});

    // The uri-list a file manager reads escapes the bytes themselves.
    list.SelectItem(list.Item(0), true);
    std::uint32_t effects = 0;
    std::unique_ptr<QMimeData> data(list.MakeSelectionDragData(effects));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->data("text/uri-list").toStdString(),
              "file://" + sh::PercentEncodePath(FTree.Path()) + "/d%E9j%E0/caf%E9.jib\r\n");
    EXPECT_EQ(DropAt(tree, NodePoint(tree, NodeOf(tree, TreeFolder("Target"))), data.get(),
                     Qt::ControlModifier)
                  .action,
              Qt::CopyAction);
    EXPECT_EQ(ReadFileText(FTree.File("Target/caf\xE9.jib")), "latin-1");

    // Dropped from another program: the escapes are decoded to bytes, not to text.
    FTree.Write("Outside/\xFC"
                "ber.jib",
                "from outside");
    data = std::make_unique<QMimeData>();
    data->setData("text/uri-list", QByteArray::fromStdString("# from a file manager\r\nfile://" +
                                                             sh::PercentEncodePath(FTree.Path()) +
                                                             "/Outside/%FCber.jib\r\n"));
    EXPECT_EQ(DropAt(list, EmptyPoint(list), data.get(), Qt::ControlModifier).action,
              Qt::CopyAction);
    EXPECT_EQ(ReadFileText(FTree.File("d\xE9j\xE0/\xFC"
                                      "ber.jib")),
              "from outside");
    ASSERT_EQ(Captions(list), (std::vector<std::string>{"caf\uFFFD.jib", "\uFFFDber.jib"}));

    // Renamed in place: what the user typed is new, what was left alone keeps its bytes.
    TFbListItem* item = ItemCaptioned(list, "caf\uFFFD.jib");
    list.ClearSelection();
    list.SelectItem(item, true);
    list.SetItemFocused(item);
    ASSERT_TRUE(list.StartEditing(item));
    auto* editor = list.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), "caf\uFFFD.jib");
    editor->setText(QString::fromStdString("caf\uFFFD (v2).jib"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !list.IsEditing() && !list.RefreshPending(); }));
    EXPECT_EQ(ReadFileText(FTree.File("d\xE9j\xE0/caf\xE9 (v2).jib")), "latin-1");
    TFbListItem* renamed = ItemCaptioned(list, "caf\uFFFD (v2).jib");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(TFbShellList::ListData(renamed)->FullPath(),
              FTree.File("d\xE9j\xE0/caf\xE9 (v2).jib"));
}

TEST_F(FbShellDragDropTest, WithoutTheDropOptionNeitherControlTakesDrops) {
    FTree.MakeDir("Target");
    const std::string file = FTree.Write("Outside/x.jib", "x");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Target");
    EXPECT_TRUE(tree.viewport()->acceptDrops());
    EXPECT_TRUE(list.viewport()->acceptDrops());
    tree.SetOptions(tree.Options() & ~TFbShellTreeOptions(stoOleDrop));
    list.SetOptions(list.Options() & ~TFbShellListOptions(sloOleDrop));
    EXPECT_FALSE(tree.viewport()->acceptDrops());
    EXPECT_FALSE(list.viewport()->acceptDrops());

    std::unique_ptr<QMimeData> data(UriData({file}));
    EXPECT_FALSE(
        DragTo(tree, NodePoint(tree, NodeOf(tree, TreeFolder("Target"))), data.get()).accepted);
    EXPECT_FALSE(DragTo(list, EmptyPoint(list), data.get()).accepted);
    EXPECT_TRUE(FileExists(file));
}

TEST_F(FbShellDragDropTest, ADragNearAnEdgeScrollsOneStepAndARestingCursorExpandsTheNode) {
    for (int i = 0; i < 40; ++i)
        FTree.MakeDir(Format("Many/F%02d", i));
    FTree.MakeDir("Closed/Inner");
    TFbShellTree tree;
    TFbShellList list;
    OpenBrowser(tree, list, "Many");
    tree.resize(200, 150);
    QCoreApplication::processEvents();
    QScrollBar* bar = tree.verticalScrollBar();
    tree.expandItem(NodeOf(tree, TreeFolder("Many")));
    ASSERT_TRUE(WaitFor([bar] { return bar->maximum() > 2; })) << "forty folders overflow";
    bar->setValue(0);
    const int height = tree.viewport()->height();
    EXPECT_FALSE(tree.AutoScroll().ScrollStep({100, height / 2}));
    EXPECT_TRUE(tree.AutoScroll().ScrollStep({100, height - 5}));
    EXPECT_EQ(bar->value(), bar->singleStep());
    EXPECT_TRUE(tree.AutoScroll().ScrollStep({100, 5}));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(tree.AutoScroll().ScrollStep({100, 5})) << "already at the top";

    TFbTreeNode* closed = NodeOf(tree, TreeFolder("Closed"));
    ASSERT_NE(closed, nullptr);
    ASSERT_FALSE(closed->Expanded());
    tree.AutoScroll().Start(NodePoint(tree, closed));
    tree.AutoScroll().HoverTimerFired();
    tree.AutoScroll().Stop();
    EXPECT_TRUE(closed->Expanded());
    EXPECT_EQ(ChildTexts(closed), std::vector<std::string>{"Inner"});
}

} // namespace
} // namespace shellns_test
