// The tree and the list following the disk with dynamic refresh on, and the device relay.
#include "platform/shellns/Volumes.h"
#include "shell/FbDeviceChangeHandler.h"
#include "tests/common/MessageCapture.h"
#include "tests/shell/BrowserTest.h"

#include <filesystem>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace shellns_test {
namespace {

namespace fs = std::filesystem;

constexpr int kTimeoutMs = 10000; // CI runs under ASan on two loaded cores

// Counts the change events that reach a control, before the control sees them.
class TChangeCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == kChangeNotifyEvent)
            ++count;
        return false;
    }
};

// The viewer's tree and list, both watching.
struct TWatchingBrowser {
    TFbShellTree tree;
    TFbShellList list;
    TChangeCounter treeChanges;
    TChangeCounter listChanges;
    int treeRefreshes = 0;

    TWatchingBrowser() {
        tree.SetOptions(stoDefaultKeyHandling | stoShowHidden | stoVirtualFolders |
                        stoDynamicRefresh);
        list.SetOptions(sloDefaultKeyHandling | sloHideFoldersWhenLinkedToTree | sloShowHidden |
                        sloDynamicRefresh);
        list.SetFileFilter("*.jib");
        tree.OnFillStart = [this](QObject*) {
            ++treeRefreshes;
        };
        tree.installEventFilter(&treeChanges);
        list.installEventFilter(&listChanges);
        tree.resize(300, 400);
        tree.show();
        list.show();
        QCoreApplication::processEvents();
    }
    void Open(const std::string& path) {
        BrowserTest::OpenLinked(tree, list, path);
        QCoreApplication::processEvents(); // the tree names the folders it has expanded
    }
    // Rooted at `base`, the tree shows (and so watches) nothing outside the test's own
    // folder: other programs creating files in shared folders such as /tmp would
    // otherwise bring refreshes a test that counts them does not expect.
    void OpenInside(const std::string& base, const std::string& path) {
        tree.BaseFolder()->SetFolderPath(base);
        Open(path);
    }
    void Focus(QWidget& control) {
        QApplication::setActiveWindow(&control);
        control.setFocus();
    }
};

TFbTreeNode* NodeTexted(TFbTreeNode* node, const std::string& text) {
    if (node->Text() == text)
        return node;
    for (int i = 0; i < node->Count(); ++i) {
        if (TFbTreeNode* found = NodeTexted(node->Child(i), text))
            return found;
    }
    return nullptr;
}

using FbShellWatchingTest = BrowserTest;

TEST_F(FbShellWatchingTest, AFileCopiedIntoTheListedFolderAppearsAndTheSelectionStays) {
    FTree.Write("Photos/a.jib", "a");
    TWatchingBrowser browser;
    browser.OpenInside(TreeFolder(), TreeFolder("Photos"));
    ASSERT_EQ(Captions(browser.list), std::vector<std::string>{"a.jib"});
    browser.list.SelectItem(ItemCaptioned(browser.list, "a.jib"), true);
    browser.Focus(browser.list);

    FTree.Write("Photos/b.jib", "b");
    FTree.Write("Photos/notes.txt", "not listed");
    EXPECT_TRUE(WaitFor(
        [&] {
            return Captions(browser.list) == std::vector<std::string>{"a.jib", "b.jib"};
        },
        kTimeoutMs));
    ASSERT_NE(browser.list.Selected(), nullptr);
    EXPECT_EQ(browser.list.Selected()->Caption(), "a.jib");
    EXPECT_EQ(browser.list.SelCount(), 1);
}

TEST_F(FbShellWatchingTest, DeletingTheSelectedFolderOutsideSelectsItsParentAndTheListFollows) {
    FTree.Write("Doomed/x.jib", "x");
    FTree.MakeDir("Kept");
    FTree.Write("top.jib", "t");
    TWatchingBrowser browser;
    browser.OpenInside(TreeFolder(), TreeFolder("Doomed"));
    ASSERT_EQ(SelectedPath(browser.tree), TreeFolder("Doomed"));
    browser.Focus(browser.tree);

    fs::remove_all(TreeFolder("Doomed"));
    EXPECT_TRUE(WaitFor([&] { return SelectedPath(browser.tree) == TreeFolder(); }, kTimeoutMs));
    EXPECT_TRUE(WaitFor([&] { return ListFolder(browser.list) == TreeFolder(); }, kTimeoutMs));
    EXPECT_TRUE(WaitFor(
        [&] { return Captions(browser.list) == std::vector<std::string>{"top.jib"}; }, kTimeoutMs));
    EXPECT_EQ(ChildTexts(NodeOf(browser.tree, TreeFolder())), std::vector<std::string>{"Kept"});
}

TEST_F(FbShellWatchingTest, AFolderMadeInAnExpandedFolderAppearsButNotOneDeeperDown) {
    FTree.MakeDir("Shown/Collapsed/Below");
    TWatchingBrowser browser;
    browser.OpenInside(TreeFolder(), TreeFolder("Shown"));
    browser.Focus(browser.tree);
    // The watches are added in the background.
    std::vector<std::string> watched;
    EXPECT_TRUE(WaitFor(
        [&] {
            watched = browser.tree.WatchedFolders();
            return std::find(watched.begin(), watched.end(), TreeFolder("Shown")) != watched.end();
        },
        kTimeoutMs));
    EXPECT_EQ(std::find(watched.begin(), watched.end(), TreeFolder("Shown/Collapsed/Below")),
              watched.end())
        << "a folder whose node was never listed is not watched";

    fs::create_directory(TreeFolder("Shown/New"));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ChildTexts(NodeOf(browser.tree, TreeFolder("Shown"))) ==
                   std::vector<std::string>{"Collapsed", "New"};
        },
        kTimeoutMs));
    // Expanding a node names its folder once the event loop turns.
    browser.tree.FlushPendingChange(true);
    NodeOf(browser.tree, TreeFolder("Shown/Collapsed"))->setExpanded(true);
    EXPECT_TRUE(WaitFor(
        [&] {
            const auto now = browser.tree.WatchedFolders();
            return std::find(now.begin(), now.end(), TreeFolder("Shown/Collapsed")) != now.end();
        },
        kTimeoutMs));
}

TEST_F(FbShellWatchingTest, RenamingAFolderInTheTreeCausesNoSecondRefresh) {
    FTree.MakeDir("Old");
    TWatchingBrowser browser;
    browser.OpenInside(TreeFolder(), TreeFolder("Old"));
    browser.Focus(browser.tree);
    MessageCapture capture;
    const int changesBefore = browser.treeChanges.count;
    browser.treeRefreshes = 0;

    QTest::keyClick(&browser.tree, Qt::Key_F2);
    auto* editor = browser.tree.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("New");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return !browser.tree.IsEditing(); }, kTimeoutMs));
    ASSERT_TRUE(fs::is_directory(TreeFolder("New")));

    // The rename's own notification arrives and is dropped.
    ASSERT_TRUE(WaitFor([&] { return browser.treeChanges.count > changesBefore; }, kTimeoutMs));
    EXPECT_NE(browser.tree.PendingAction(), TFbCustomShellTree::daRefresh);
    EXPECT_EQ(browser.treeRefreshes, 0);
    EXPECT_TRUE(capture.Shown().empty());

    // A change made by someone else is still followed, with one refresh.
    fs::create_directory(TreeFolder("Other"));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ChildTexts(NodeOf(browser.tree, TreeFolder())) ==
                   std::vector<std::string>{"New", "Other"};
        },
        kTimeoutMs));
    EXPECT_EQ(browser.treeRefreshes, 1);
}

TEST_F(FbShellWatchingTest, WithDynamicRefreshOffNothingFollowsTheDisk) {
    FTree.Write("Photos/a.jib", "a");
    TWatchingBrowser browser;
    browser.OpenInside(TreeFolder(), TreeFolder("Photos"));
    browser.tree.SetOptions(browser.tree.Options() & ~TFbShellTreeOptions(stoDynamicRefresh));
    browser.list.SetOptions(browser.list.Options() & ~TFbShellListOptions(sloDynamicRefresh));

    // A watcher of our own on the same folder says when the change has been seen.
    TChangeCounter probe;
    probe.installEventFilter(&probe);
    TChangeHandlerThread probeThread(&probe, kChangeNotifyEvent);
    int slot = -1;
    ASSERT_TRUE(probeThread.AddWatch(TreeFolder("Photos"), 0x3, false, slot));
    FTree.Write("Photos/b.jib", "b");
    fs::create_directory(TreeFolder("Photos/Sub"));
    ASSERT_TRUE(WaitFor([&] { return probe.count > 0; }, kTimeoutMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(browser.listChanges.count, 0);
    EXPECT_EQ(browser.treeChanges.count, 0);
    EXPECT_FALSE(browser.list.RefreshPending());
    EXPECT_EQ(Captions(browser.list), std::vector<std::string>{"a.jib"});
}

// The relay's handlers for the tests below: each records its control's name.
std::vector<std::string> gCalls;

void RecordingHandler(QObject* control, const TFbDeviceChangeEvent& message) {
    gCalls.push_back(control->objectName().toStdString() + ":" + std::to_string(message.WParam()));
}

void ThrowingHandler(QObject* control, const TFbDeviceChangeEvent&) {
    gCalls.push_back(control->objectName().toStdString() + ":threw");
    throw Exception("The drive list could not be read");
}

struct TRegistered {
    QObject control;
    TFbDeviceChangeHandler::THandler handler;
    TRegistered(const char* name, TFbDeviceChangeHandler::THandler h) : handler(h) {
        control.setObjectName(name);
        DeviceChangeHandler().RegisterHandler(handler, &control);
    }
    ~TRegistered() { DeviceChangeHandler().UnregisterHandler(handler, &control); }
};

void PostDeviceEvent(unsigned event) {
    QCoreApplication::postEvent(&DeviceChangeHandler(), new TFbDeviceChangeEvent(event, 0));
    QCoreApplication::sendPostedEvents(&DeviceChangeHandler());
}

TEST(DeviceChangeHandler, CallsEveryHandlerInOrderAndReportsOneThatThrowsOnce) {
    gCalls.clear();
    MessageCapture capture;
    {
        TRegistered first("first", &RecordingHandler);
        TRegistered second("second", &ThrowingHandler);
        TRegistered third("third", &RecordingHandler);
        EXPECT_TRUE(DeviceChangeHandler().Active());
        PostDeviceEvent(platform::DBT_DEVICEARRIVAL);
        EXPECT_EQ(gCalls, (std::vector<std::string>{"first:32768", "second:threw", "third:32768"}));
        EXPECT_EQ(capture.Texts(), std::vector<std::string>{"The drive list could not be read."});

        gCalls.clear();
        DeviceChangeHandler().SetActive(false);
        PostDeviceEvent(platform::DBT_DEVICEARRIVAL);
        DeviceChangeHandler().SetActive(true);
        EXPECT_TRUE(gCalls.empty());
    }
    gCalls.clear();
    PostDeviceEvent(platform::DBT_DEVICEREMOVECOMPLETE);
    EXPECT_TRUE(gCalls.empty()) << "unregistered handlers are not called";
}

TEST(DeviceChangeHandler, AMountTableChangeBecomesArrivalAndRemoval) {
    gCalls.clear();
    TRegistered recorder("recorder", &RecordingHandler);
    DeviceChangeHandler().MountTableChanged(); // whatever the real table did so far
    QCoreApplication::sendPostedEvents(&DeviceChangeHandler());
    gCalls.clear();

    const auto real = sh::CurrentMountTable();
    sh::SetMountTableSource([real] {
        auto mounts = real;
        mounts.push_back(
            {"/media/me/STICK", "vfat", "/dev/sdz1", 8, 250, platform::MountKind::Removable});
        return mounts;
    });
    DeviceChangeHandler().MountTableChanged();
    QCoreApplication::sendPostedEvents(&DeviceChangeHandler());
    sh::SetMountTableSource({});
    DeviceChangeHandler().MountTableChanged();
    QCoreApplication::sendPostedEvents(&DeviceChangeHandler());
    EXPECT_EQ(gCalls, (std::vector<std::string>{"recorder:32768", "recorder:32772"}));
}

TEST_F(FbShellWatchingTest, ADeviceArrivalShowsTheVolumeUnderComputerAndItsRemovalDropsIt) {
    const std::string share = FTree.MakeDir("mounted/share");
    FTree.MakeDir("Photos");
    TWatchingBrowser browser;
    browser.Open(TreeFolder("Photos"));
    TFbTreeNode* computer = NodeTexted(browser.tree.TopNode(0), "Computer");
    ASSERT_NE(computer, nullptr);
    ASSERT_TRUE(computer->Count() > 0);
    const std::vector<std::string> before = ChildTexts(computer);
    // A list showing Computer refills on the same events.
    TFbShellList computerList;
    computerList.show();
    QCoreApplication::processEvents();
    computerList.SetOptions(computerList.Options() | sloAutoFill);
    computerList.Folder()->SetSpecialFolder(17);

    const auto real = sh::CurrentMountTable();
    sh::SetMountTableSource([real, share] {
        auto mounts = real;
        mounts.push_back({share, "nfs4", "server:/export", 0, 77, platform::MountKind::Remote});
        return mounts;
    });
    PostDeviceEvent(platform::DBT_DEVICEARRIVAL);
    EXPECT_NE(ChildTexts(computer), before);
    EXPECT_TRUE(ItemCaptioned(computerList, "share") != nullptr);
    const auto after = ChildTexts(computer);
    EXPECT_NE(std::find(after.begin(), after.end(), "share"), after.end());
    EXPECT_EQ(SelectedPath(browser.tree), TreeFolder("Photos")) << "the selection stays";

    sh::SetMountTableSource({});
    PostDeviceEvent(platform::DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(ChildTexts(computer), before);
    EXPECT_EQ(ItemCaptioned(computerList, "share"), nullptr);
}

} // namespace
} // namespace shellns_test
