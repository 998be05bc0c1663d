#include "platform/shellns/SpecialFolders.h"
#include "tests/common/MessageCapture.h"
#include "tests/shell/BrowserTest.h"

#include <filesystem>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace shellns_test {
namespace {

namespace fs = std::filesystem;

// The tree and list as the viewer sets them up: no automatic filling until linked, then
// the list showing the ".jib" files of the tree's folder without its sub-folders.
struct TBrowser {
    TFbShellTree tree;
    TFbShellList list;
    int treeChanges = 0;
    int listFills = 0;
    int folderChanges = 0;

    explicit TBrowser(TFbShellTreeOptions treeOptions = stoDefaultKeyHandling | stoShowHidden) {
        tree.SetOptions(treeOptions);
        list.SetOptions(sloDefaultKeyHandling | sloHideFoldersWhenLinkedToTree | sloShowHidden);
        list.SetFileFilter("*.jib");
        tree.OnChange = [this](QObject*, TFbTreeNode*) {
            ++treeChanges;
        };
        list.OnFillStart = [this](QObject*) {
            ++listFills;
        };
        list.OnFolderChanged = [this](QObject*) {
            ++folderChanges;
        };
        tree.resize(300, 400);
        tree.show();
        list.show();
        QCoreApplication::processEvents();
    }
    // What the main window does at its first activation.
    void Open(const std::string& path) { BrowserTest::OpenLinked(tree, list, path); }
    void Click(TFbTreeNode* node) {
        tree.scrollToItem(node);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(node).center());
    }
};

using FbShellTreeTest = BrowserTest;

TEST_F(FbShellTreeTest, TheFirstFillSelectsTheRememberedFolderAndFillsTheListOnce) {
    FTree.Write("Photos/2024/b.jib", "b");
    FTree.Write("Photos/2024/a.JIB", "a");
    FTree.Write("Photos/2024/notes.txt", "n");
    FTree.MakeDir("Photos/2024/Raw");
    TBrowser browser;
    const std::string folder = TreeFolder("Photos/2024");
    browser.tree.SetShellList(&browser.list);
    browser.tree.SetOptions(browser.tree.Options() | stoAutoFill);
    browser.list.SetOptions(browser.list.Options() | sloAutoFill);
    browser.tree.CurrentFolder()->SetFolderPath(folder);
    EXPECT_EQ(browser.tree.NodeCount(), 0) << "setting the folder of an empty tree fills nothing";
    EXPECT_EQ(browser.listFills, 0);

    browser.tree.RefreshTree();
    EXPECT_EQ(SelectedPath(browser.tree), folder);
    EXPECT_EQ(browser.tree.CurrentFolder()->FolderPath(), folder);
    EXPECT_EQ(ListFolder(browser.list), folder);
    EXPECT_EQ(Captions(browser.list), (std::vector<std::string>{"a.JIB", "b.jib"}));
    EXPECT_EQ(browser.treeChanges, 1);
    EXPECT_EQ(browser.listFills, 1);
    EXPECT_EQ(browser.folderChanges, 1);
    EXPECT_EQ(browser.tree.PendingAction(), TFbCustomShellTree::daNone);
    // The root is the desktop; the list hides folders, so the folder shows its own.
    EXPECT_EQ(browser.tree.TopNode(0)->Text(), "Desktop");
    EXPECT_TRUE(NodeOf(browser.tree, folder)->Expanded());
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, folder)), std::vector<std::string>{"Raw"});
}

TEST_F(FbShellTreeTest, OnlyFileSystemItemsAppearWithoutVirtualFolders) {
    for (const bool virtualFolders : {true, false}) {
        TBrowser browser(virtualFolders ? stoVirtualFolders : TFbShellTreeOptions());
        browser.tree.FillTree();
        const std::vector<std::string> top = ChildTexts(browser.tree.TopNode(0));
        EXPECT_NE(std::find(top.begin(), top.end(), "Home"), top.end());
        EXPECT_NE(std::find(top.begin(), top.end(), "Computer"), top.end());
        EXPECT_EQ(std::find(top.begin(), top.end(), "Trash") != top.end(), virtualFolders);
    }
}

TEST_F(FbShellTreeTest, FilesBecomeNodesOnlyWhenAskedFor) {
    FTree.Write("OnlyFiles/a.jib", "a");
    FTree.MakeDir("Empty");
    FTree.Write("b.jib", "b");
    for (const bool files : {false, true}) {
        TBrowser browser(files ? stoIncludeNonFolders : TFbShellTreeOptions());
        TFbShellLocator base;
        base.SetFolderPath(TreeFolder());
        browser.tree.SetBaseFolder(base);
        browser.tree.FillTree();
        TFbTreeNode* root = browser.tree.TopNode(0);
        EXPECT_EQ(ChildTexts(root), files
                                        ? (std::vector<std::string>{"Empty", "OnlyFiles", "b.jib"})
                                        : (std::vector<std::string>{"Empty", "OnlyFiles"}));
        // A folder holding files only has children when files are nodes.
        EXPECT_EQ(NodeOf(browser.tree, TreeFolder("OnlyFiles"))->HasChildren(), files);
        EXPECT_EQ(NodeOf(browser.tree, TreeFolder("Empty"))->HasChildren(), files);
    }
}

TEST_F(FbShellTreeTest, NavigatingToAHiddenFolderMakesItsNode) {
    FTree.MakeDir(".secret/inner");
    FTree.MakeDir("plain");
    TBrowser browser(stoDefaultKeyHandling); // hidden items are not listed
    browser.Open(TreeFolder());
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder())), std::vector<std::string>{"plain"});

    browser.tree.CurrentFolder()->SetFolderPath(TreeFolder(".secret/inner"));
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder(".secret/inner"));
    EXPECT_EQ(ListFolder(browser.list), TreeFolder(".secret/inner"));
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder())),
              (std::vector<std::string>{".secret", "plain"}));
    EXPECT_TRUE(NodeOf(browser.tree, TreeFolder(".secret"))->Cut()) << "hidden items are faded";
}

TEST_F(FbShellTreeTest, AFolderOutsideTheBaseFolderSelectsTheRoot) {
    FTree.MakeDir("base/inside");
    TempDir elsewhere;
    elsewhere.MakeDir("away");
    TBrowser browser;
    TFbShellLocator base;
    base.SetFolderPath(TreeFolder("base"));
    browser.tree.SetBaseFolder(base);
    browser.Open(TreeFolder("base/inside"));
    EXPECT_EQ(browser.tree.TopNode(0)->Text(), "base");
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder("base/inside"));

    browser.tree.CurrentFolder()->SetFolderPath(elsewhere.File("away") + "/");
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder("base"));
    EXPECT_EQ(ChildTexts(browser.tree.TopNode(0)), std::vector<std::string>{"inside"});
}

TEST_F(FbShellTreeTest, F5MergesFoldersMadeAndRemovedAndKeepsTheSelection) {
    FTree.MakeDir("A");
    FTree.MakeDir("B");
    FTree.MakeDir("C/x");
    TBrowser browser;
    browser.Open(TreeFolder());
    TFbTreeNode* top = NodeOf(browser.tree, TreeFolder());
    ASSERT_EQ(ChildTexts(top), (std::vector<std::string>{"A", "B", "C"}));

    fs::create_directory(TreeFolder("AB"));
    fs::remove(TreeFolder("B"));
    fs::create_directory(TreeFolder("C/y")); // C was never expanded: not looked into
    const int changes = browser.treeChanges;
    const int fills = browser.listFills;
    QTest::keyClick(&browser.tree, Qt::Key_F5);
    EXPECT_EQ(ChildTexts(top), (std::vector<std::string>{"A", "AB", "C"}));
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder());
    EXPECT_EQ(browser.treeChanges, changes + 1) << "every refresh selects its node anew";
    EXPECT_EQ(browser.listFills, fills) << "the list's folder did not change";
    TFbTreeNode* c = NodeOf(browser.tree, TreeFolder("C"));
    EXPECT_EQ(c->Count(), 0);
    c->setExpanded(true);
    EXPECT_EQ(ChildTexts(c), (std::vector<std::string>{"x", "y"}));

    // The selected folder goes away: its parent is selected and the list follows.
    browser.Click(NodeOf(browser.tree, TreeFolder("A")));
    ASSERT_EQ(ListFolder(browser.list), TreeFolder("A"));
    fs::remove(TreeFolder("A"));
    QTest::keyClick(&browser.tree, Qt::Key_F5);
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder());
    EXPECT_EQ(ListFolder(browser.list), TreeFolder());
    EXPECT_EQ(ChildTexts(top), (std::vector<std::string>{"AB", "C"}));
}

TEST_F(FbShellTreeTest, AnOpenedFolderShowsItsFirstSubFoldersAndARefreshNeverScrolls) {
    for (int i = 0; i < 30; ++i)
        FTree.MakeDir("Many/f" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "/inner");
    for (const char* name : {"a", "b", "c", "d"})
        FTree.MakeDir(std::string("Many/f20/") + name);
    TBrowser browser(stoDefaultKeyHandling | stoShowHidden | stoOleDrop);
    browser.tree.resize(300, 240);
    browser.Open(TreeFolder("Many/f20"));
    TFbTreeNode* node = browser.tree.Selected();
    ASSERT_EQ(ChildTexts(node), (std::vector<std::string>{"a", "b", "c", "d", "inner"}));
    const int height = browser.tree.viewport()->height();
    EXPECT_GE(browser.tree.visualItemRect(node).top(), 0);
    EXPECT_LE(browser.tree.visualItemRect(node->Child(2)).bottom(), height)
        << "the folder's first sub-folders show below it";

    // Scrolled away from the selection, the view stays put through refreshes and drops.
    TFbTreeNode* target = NodeOf(browser.tree, TreeFolder("Many"));
    ASSERT_NE(target, nullptr);
    browser.tree.scrollToItem(target, QAbstractItemView::PositionAtTop);
    const QRect shown = browser.tree.visualItemRect(target);
    ASSERT_GT(browser.tree.visualItemRect(node).top(), height) << "the selection is out of view";
    FTree.MakeDir("Many/f20/e");
    FTree.MakeDir("A-new"); // a row that comes above the view
    browser.tree.RefreshTree();
    EXPECT_EQ(browser.tree.visualItemRect(target), shown);
    const QPoint at = browser.tree.visualItemRect(target).center();
    const std::string dropped = FTree.Write("elsewhere/dropped.jib", "x");
    for (int drop = 0; drop < 2; ++drop) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(browser.tree.viewport(), &enter);
        QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ControlModifier);
        QApplication::sendEvent(browser.tree.viewport(), &move);
        QDropEvent event(QPointF(at), offered, &data, Qt::NoButton, Qt::ControlModifier);
        QApplication::sendEvent(browser.tree.viewport(), &event);
        ASSERT_TRUE(event.isAccepted());
        EXPECT_EQ(browser.tree.visualItemRect(target), shown) << "drop " << drop;
        EXPECT_EQ(browser.tree.itemAt(at), target) << "the next drop lands on the same folder";
    }
    EXPECT_TRUE(fs::exists(TreeFolder("Many") + "dropped.jib"));

    // A selection that has to move (its folder went) is brought into view.
    fs::remove_all(TreeFolder("Many/f20"));
    browser.tree.RefreshTree();
    EXPECT_EQ(browser.tree.Selected(), target);
}

TEST_F(FbShellTreeTest, TheSelectedRowsExpandMarkStandsOutFromTheHighlight) {
    FTree.MakeDir("Parent/Child");
    TBrowser browser;
    browser.Open(TreeFolder());
    TFbTreeNode* node = NodeOf(browser.tree, TreeFolder("Parent"));
    ASSERT_NE(node, nullptr);
    browser.Click(node);
    browser.tree.scrollToItem(node, QAbstractItemView::PositionAtCenter);
    browser.tree.activateWindow();
    browser.tree.setFocus();
    ASSERT_TRUE(WaitFor([&] { return browser.tree.hasFocus(); }));
    // With and without the lines between nodes (the viewer draws none), closed and open.
    for (const auto& [lines, expanded] :
         {std::pair{true, false}, std::pair{false, false}, std::pair{false, true}}) {
        browser.tree.SetShowLines(lines);
        node->setExpanded(expanded);
        const QImage image = browser.tree.viewport()->grab().toImage();
        const QRect row = browser.tree.visualItemRect(node);
        const int indent = browser.tree.indentation();
        const QRect mark(row.left() - indent, row.top(), indent, row.height());
        // The mark's strongest pixel against the background beside it.
        const QColor background = image.pixelColor(mark.left() + 1, mark.top() + 1);
        int contrast = 0;
        for (int y = mark.top(); y <= mark.bottom(); ++y) {
            for (int x = mark.left(); x <= mark.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                contrast = std::max(contrast, std::abs(c.red() - background.red()) +
                                                  std::abs(c.green() - background.green()) +
                                                  std::abs(c.blue() - background.blue()));
            }
        }
        EXPECT_GE(contrast, 200) << (lines ? "lines, " : "") << (expanded ? "open" : "closed")
                                 << " mark on " << background.name().toStdString();
    }
}

TEST_F(FbShellTreeTest, KeyboardSelectionReachesTheListAfterTheDelayAClickAtOnce) {
    FTree.MakeDir("A");
    FTree.MakeDir("B");
    TBrowser browser;
    browser.Open(TreeFolder());
    browser.tree.setFocus();
    QElapsedTimer elapsed;
    elapsed.start();
    QTest::keyClick(&browser.tree, Qt::Key_Down);
    ASSERT_EQ(SelectedPath(browser.tree), TreeFolder("A"));
    EXPECT_EQ(ListFolder(browser.list), TreeFolder()) << "not before the keys rest";
    ASSERT_TRUE(WaitFor([&] { return ListFolder(browser.list) == TreeFolder("A"); }));
    EXPECT_GE(elapsed.elapsed(), TFbCustomShellTree::kDefaultChangeDelay);

    browser.Click(NodeOf(browser.tree, TreeFolder("B")));
    EXPECT_EQ(ListFolder(browser.list), TreeFolder("B"));
    EXPECT_EQ(browser.tree.PendingAction(), TFbCustomShellTree::daNone);

    // A pending keyboard selection is carried out on request.
    QTest::keyClick(&browser.tree, Qt::Key_Up);
    EXPECT_EQ(ListFolder(browser.list), TreeFolder("B"));
    browser.tree.FlushPendingChange(false);
    EXPECT_EQ(ListFolder(browser.list), TreeFolder("A"));
}

TEST_F(FbShellTreeTest, GoUpSelectsAnAncestorAtOnce) {
    FTree.MakeDir("A/B/C");
    TBrowser browser;
    browser.Open(TreeFolder("A/B/C"));
    browser.tree.GoUp(2);
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder("A"));
    EXPECT_EQ(ListFolder(browser.list), TreeFolder("A"));
    browser.list.GoUp(1); // a linked list goes up through the tree
    EXPECT_EQ(ListFolder(browser.list), TreeFolder());
}

TEST_F(FbShellTreeTest, RenamingAFolderWithF2RenamesItOnDiskAndTheListFollows) {
    FTree.MakeDir("Old");
    FTree.MakeDir("Taken");
    FTree.Write("Old/a.jib", "a");
    TBrowser browser;
    browser.Open(TreeFolder("Old"));
    MessageCapture capture;

    const auto rename = [&](const std::string& name) {
        QTest::keyClick(&browser.tree, Qt::Key_F2);
        ASSERT_TRUE(browser.tree.IsEditing());
        auto* editor = browser.tree.findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->text().toStdString(), "Old");
        editor->setText(QString::fromStdString(name));
        QTest::keyClick(editor, Qt::Key_Return); // commits once the event loop turns
        ASSERT_TRUE(WaitFor([&] { return !browser.tree.IsEditing(); }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    rename("Taken");
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{"File exists."});
    EXPECT_TRUE(fs::is_directory(TreeFolder("Old")));
    EXPECT_EQ(browser.tree.Selected()->Text(), "Old");

    rename("  New  ");
    EXPECT_TRUE(fs::is_directory(TreeFolder("New")));
    EXPECT_FALSE(fs::exists(TreeFolder("Old")));
    EXPECT_EQ(browser.tree.Selected()->Text(), "New");
    EXPECT_EQ(browser.tree.CurrentFolder()->FolderPath(), TreeFolder("New"));
    EXPECT_EQ(ListFolder(browser.list), TreeFolder("New"));
    EXPECT_EQ(Captions(browser.list), std::vector<std::string>{"a.jib"});
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder())),
              (std::vector<std::string>{"New", "Taken"}));

    // The change on disk that the rename itself caused brings no refresh.
    int fills = 0;
    browser.tree.OnFillStart = [&](QObject*) {
        ++fills;
    };
    QCoreApplication::postEvent(&browser.tree, new TFbChangeNotifyEvent(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(browser.tree.PendingAction(), TFbCustomShellTree::daNone);
    EXPECT_EQ(fills, 0);
}

TEST_F(FbShellTreeTest, AChangeOnDiskRefreshesAfterTheDelay) {
    FTree.MakeDir("A");
    TBrowser browser;
    browser.Open(TreeFolder());
    // Focused, the tree refreshes after the short delay.
    QApplication::setActiveWindow(&browser.tree);
    browser.tree.setFocus();
    fs::create_directory(TreeFolder("New"));
    QCoreApplication::postEvent(&browser.tree, new TFbChangeNotifyEvent(0));
    ASSERT_TRUE(
        WaitFor([&] { return browser.tree.PendingAction() == TFbCustomShellTree::daRefresh; }));
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder())), std::vector<std::string>{"A"});
    EXPECT_TRUE(WaitFor([&] {
        return ChildTexts(NodeOf(browser.tree, TreeFolder())) ==
               std::vector<std::string>{"A", "New"};
    }));
}

// A busy disk (a download, a build in /tmp) sends changes all the time; the folder the
// user moved to with the keys still reaches the list after the usual delay, and the
// refresh the changes asked for comes once they rest.
TEST_F(FbShellTreeTest, AFolderChosenByKeyReachesTheListWhileChangesKeepComing) {
    FTree.MakeDir("A");
    FTree.MakeDir("B");
    TBrowser browser;
    browser.Open(TreeFolder("A"));
    QApplication::setActiveWindow(&browser.tree);
    browser.tree.setFocus();
    QTest::keyClick(&browser.tree, Qt::Key_Down);
    ASSERT_EQ(SelectedPath(browser.tree), TreeFolder("B"));
    ASSERT_EQ(browser.tree.PendingAction(), TFbCustomShellTree::daPropagateSelection);
    fs::create_directory(TreeFolder("New"));
    QTimer busyDisk;
    QObject::connect(&busyDisk, &QTimer::timeout, [&] {
        QCoreApplication::postEvent(&browser.tree, new TFbChangeNotifyEvent(0));
    });
    busyDisk.start(50);
    EXPECT_TRUE(WaitFor([&] { return ListFolder(browser.list) == TreeFolder("B"); }, 3000));
    busyDisk.stop();
    EXPECT_TRUE(WaitFor([&] {
        return ChildTexts(NodeOf(browser.tree, TreeFolder())) ==
               std::vector<std::string>{"A", "B", "New"};
    }));
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder("B"));
}

TEST_F(FbShellTreeTest, DelMovesTheSelectedFolderToTheTrashAndSelectsItsParent) {
    FTree.MakeDir("Doomed/inner");
    FTree.MakeDir("Kept");
    TBrowser browser;
    browser.Open(TreeFolder("Doomed"));
    MessageCapture capture;
    QTest::keyClick(&browser.tree, Qt::Key_Delete);
    EXPECT_TRUE(capture.Shown().empty());
    EXPECT_FALSE(fs::exists(TreeFolder("Doomed")));
    EXPECT_TRUE(fs::is_directory(FHome.Home() + "/.local/share/Trash/files/Doomed/inner"));
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder());
    EXPECT_EQ(ListFolder(browser.list), TreeFolder());
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder())), std::vector<std::string>{"Kept"});
}

TEST_F(FbShellTreeTest, CopyAndPasteKeysCopyTheSelectedFolderIntoAnother) {
    FTree.Write("A/a.jib", "a");
    FTree.MakeDir("B/inner");
    TBrowser browser;
    browser.Open(TreeFolder("A"));
    MessageCapture capture;
    QTest::keyClick(&browser.tree, Qt::Key_C, Qt::ControlModifier);
    browser.tree.CurrentFolder()->SetFolderPath(TreeFolder("B"));
    QTest::keyClick(&browser.tree, Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(capture.Shown().empty());
    EXPECT_TRUE(fs::exists(TreeFolder("B/A") + "a.jib"));
    EXPECT_TRUE(fs::exists(TreeFolder("A") + "a.jib")) << "a copy leaves the original";
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder("B"))),
              (std::vector<std::string>{"A", "inner"}));
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder("B"));
}

TEST_F(FbShellTreeTest, ANodesTipIsItsPathUnlessTheHandlerSaysOtherwise) {
    FTree.MakeDir("A");
    TBrowser browser;
    browser.Open(TreeFolder("A"));
    TFbTreeNode* node = NodeOf(browser.tree, TreeFolder("A"));
    EXPECT_EQ(node->data(0, Qt::ToolTipRole).toString().toStdString(), TreeFolder("A"));
    browser.tree.OnPopupHint = [](QObject*, TFbTreeNode* node, std::string& hint) {
        hint = node->Text() == "A" ? std::string() : hint;
    };
    EXPECT_FALSE(node->data(0, Qt::ToolTipRole).isValid());
}

TEST_F(FbShellTreeTest, AFolderThatCannotBeListedKeepsItsMarkAndShowsNoMessage) {
    FTree.MakeDir("Gone/child");
    TBrowser browser;
    browser.Open(TreeFolder());
    TFbTreeNode* gone = NodeOf(browser.tree, TreeFolder("Gone"));
    ASSERT_TRUE(gone->HasChildren());
    fs::remove_all(TreeFolder("Gone"));
    MessageCapture capture;
    gone->setExpanded(true);
    EXPECT_TRUE(capture.Shown().empty());
    EXPECT_EQ(gone->Count(), 0);
    EXPECT_TRUE(gone->HasChildren());
}

TEST_F(FbShellTreeTest, EventsReportEachNodeMadeAndEachRecordFreed) {
    FTree.MakeDir("A");
    FTree.MakeDir("B");
    std::vector<std::string> inserted;
    int deleted = 0;
    {
        TBrowser browser;
        TFbShellLocator base;
        base.SetFolderPath(TreeFolder());
        browser.tree.OnInsertItem = [&](QObject*, TFbTreeNode* node) {
            inserted.push_back(node->Text());
        };
        browser.tree.OnDeleteItem = [&](QObject*, TFbTreeNode*, TFbShellTreeData* data) {
            EXPECT_NE(data, nullptr);
            ++deleted;
        };
        // A veto keeps an item out.
        browser.tree.OnAddItem = [&](QObject*, const ShellFolderPtr& folder, PCItemIDList,
                                     PCItemIDList item, std::uint32_t, bool& allow) {
            allow = DisplayNameOf(folder, item, dnkInFolder) != "B";
        };
        browser.tree.SetBaseFolder(base);
        browser.tree.FillTree();
        EXPECT_EQ(ChildTexts(browser.tree.TopNode(0)), std::vector<std::string>{"A"});
    }
    EXPECT_EQ(inserted,
              (std::vector<std::string>{fs::path(FTree.Path()).filename().string(), "A"}));
    EXPECT_EQ(deleted, 2);
}

} // namespace
} // namespace shellns_test
