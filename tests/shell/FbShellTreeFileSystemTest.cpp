// The folder tree on the file system as it really is: links that loop back to their own
// ancestors or point nowhere, folders that disappear while they are listed or may not be
// read, and the kernel's own folders with their thousands of entries. The tree walks
// nothing on its own, stays quiet and keeps working.
#include "tests/common/MessageCapture.h"
#include "tests/common/ScopedPermissionChecks.h"
#include "tests/shell/BrowserTest.h"

#include <filesystem>
#include <memory>
#include <sys/stat.h>

#include <QCoreApplication>

namespace shellns_test {
namespace {

namespace fs = std::filesystem;

class FbShellTreeFileSystemTest : public BrowserTest {
protected:
    // A tree rooted at `base` and its linked list of JIB files, showing `folder`.
    void Open(const std::string& base, const std::string& folder) {
        FTreeControl.SetOptions(stoDefaultKeyHandling | stoShowHidden);
        FList.SetOptions(sloDefaultKeyHandling | sloHideFoldersWhenLinkedToTree | sloShowHidden);
        FList.SetFileFilter("*.jib");
        FTreeControl.BaseFolder()->SetFolderPath(base);
        FTreeControl.resize(300, 400);
        FTreeControl.show();
        FList.show();
        OpenLinked(FTreeControl, FList, folder);
        QCoreApplication::processEvents();
    }
    static int CountNodes(TFbTreeNode* node) {
        int count = 1;
        for (int i = 0; i < node->Count(); ++i)
            count += CountNodes(node->Child(i));
        return count;
    }
    int AllNodes() { return CountNodes(FTreeControl.TopNode(0)); }

    // The controls give their item lists back before the fixture counts them.
    void TearDown() override {
        FControls.reset();
        BrowserTest::TearDown();
    }

    struct TControls {
        TFbShellTree tree;
        TFbShellList list;
    };
    std::unique_ptr<TControls> FControls = std::make_unique<TControls>();
    TFbShellTree& FTreeControl = FControls->tree;
    TFbShellList& FList = FControls->list;
};

TEST_F(FbShellTreeFileSystemTest, LinksThatLoopOrPointNowhereAreFollowedOnlyAsFarAsAsked) {
    FTree.Write("Album/Sub/inner.jib", "i");
    FTree.Write("Album/real.jib", "r");
    fs::create_directory_symlink("..", FTree.File("Album/back"));
    fs::create_directory_symlink(".", FTree.File("Album/self"));
    fs::create_directory_symlink("../..", FTree.File("Album/Sub/up"));
    fs::create_directory_symlink("missing", FTree.File("Album/gone"));
    fs::create_symlink("nowhere.jib", FTree.File("Album/gone.jib"));
    MessageCapture capture;
    Open(TreeFolder(), TreeFolder("Album"));

    // A link to a folder is a folder; one to nothing is a broken file, not a folder.
    TFbTreeNode* album = NodeOf(FTreeControl, TreeFolder("Album"));
    ASSERT_NE(album, nullptr);
    EXPECT_EQ(ChildTexts(album), (std::vector<std::string>{"back", "self", "Sub"}));
    EXPECT_EQ(Captions(FList), (std::vector<std::string>{"gone.jib", "real.jib"}));

    // Round and round the loops, one level per step the user takes.
    const int before = AllNodes();
    const std::string deep = TreeFolder("Album/back/Album/self/self/Sub/up/Album/Sub");
    FTreeControl.CurrentFolder()->SetFolderPath(deep);
    EXPECT_EQ(SelectedPath(FTreeControl), deep);
    EXPECT_EQ(ListFolder(FList), deep);
    EXPECT_EQ(Captions(FList), std::vector<std::string>{"inner.jib"});
    EXPECT_LT(AllNodes(), before + 40) << "only the folders on the way were listed";

    // A refresh merges what is shown, however it was reached, and keeps the selection.
    const int shown = AllNodes();
    FTreeControl.RefreshTree();
    EXPECT_EQ(AllNodes(), shown);
    EXPECT_EQ(SelectedPath(FTreeControl), deep);
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(FbShellTreeFileSystemTest, FoldersThatVanishOrMayNotBeReadAreShownQuietly) {
    for (int i = 0; i < 40; ++i)
        FTree.MakeDir("Going/F" + std::to_string(i));
    FTree.MakeDir("Private/inner");
    FTree.MakeDir("ListOnly/inner");
    FTree.MakeDir("Stay");
    MessageCapture capture;
    Open(TreeFolder(), TreeFolder("Stay"));

    // The folder goes while the tree lists it: what was listed stays until the refresh.
    bool removed = false;
    FTreeControl.OnAddItem = [&](QObject*, const ShellFolderPtr&, PCItemIDList, PCItemIDList,
                                 std::uint32_t, bool&) {
        if (!removed)
            removed = fs::remove_all(TreeFolder("Going")) > 0;
    };
    TFbTreeNode* going = NodeOf(FTreeControl, TreeFolder("Going"));
    ASSERT_NE(going, nullptr);
    going->setExpanded(true);
    EXPECT_TRUE(removed);
    EXPECT_LE(going->Count(), 40);
    FTreeControl.OnAddItem = nullptr;
    FTreeControl.RefreshTree();
    EXPECT_EQ(NodeOf(FTreeControl, TreeFolder("Going")), nullptr);
    EXPECT_EQ(SelectedPath(FTreeControl), TreeFolder("Stay"));

    // Closed to the user (root too, with its privilege set aside): shown, never opened.
    ::chmod(FTree.File("Private").c_str(), 0);
    ::chmod(FTree.File("ListOnly").c_str(), 0444);
    {
        ScopedPermissionChecks checks;
        ASSERT_TRUE(checks.Active());
        FTreeControl.RefreshTree();
        TFbTreeNode* closed = NodeOf(FTreeControl, TreeFolder("Private"));
        ASSERT_NE(closed, nullptr);
        closed->setExpanded(true);
        EXPECT_EQ(closed->Count(), 0);
        // Listed but not searchable: the names show, from the listing alone.
        TFbTreeNode* listOnly = NodeOf(FTreeControl, TreeFolder("ListOnly"));
        ASSERT_NE(listOnly, nullptr);
        listOnly->setExpanded(true);
        EXPECT_EQ(ChildTexts(listOnly), std::vector<std::string>{"inner"});
        FTreeControl.CurrentFolder()->SetFolderPath(TreeFolder("Private/inner"));
        FTreeControl.RefreshTree();
    }
    EXPECT_TRUE(capture.Shown().empty());
}

// /proc and /sys hold thousands of entries, links to everywhere (/proc/self/root is "/")
// and entries that vanish between listing and looking (processes end).
TEST_F(FbShellTreeFileSystemTest, TheKernelsFoldersOpenWithoutAWord) {
    if (!fs::exists("/proc/self/root") || !fs::exists("/sys/class"))
        GTEST_SKIP() << "/proc or /sys is not mounted here";
    MessageCapture capture;
    Open("/", "/proc/self/");
    for (const char* path : {"/proc/", "/sys/", "/sys/class/", "/sys/devices/", "/sys/kernel/"}) {
        FTreeControl.CurrentFolder()->SetFolderPath(path);
        TFbTreeNode* node = NodeOf(FTreeControl, path);
        ASSERT_NE(node, nullptr) << path;
        node->setExpanded(true);
        EXPECT_GT(node->Count(), 0) << path;
    }
    const std::string loop = "/proc/self/root/proc/self/root/sys/";
    FTreeControl.CurrentFolder()->SetFolderPath(loop);
    EXPECT_EQ(SelectedPath(FTreeControl), loop);
    FTreeControl.RefreshTree();
    EXPECT_EQ(SelectedPath(FTreeControl), loop);
    EXPECT_TRUE(capture.Shown().empty());
}

} // namespace
} // namespace shellns_test
