#include "shell/FbChangeHandlerThread.h"

#include "shell/FbShellTypes.h"
#include "tests/shell/BrowserTest.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <sys/inotify.h>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

namespace shellns_test {
namespace {

namespace fs = std::filesystem;
using platform::FILE_NOTIFY_CHANGE_DIR_NAME;
using platform::FILE_NOTIFY_CHANGE_FILE_NAME;

// Stands for a control's window: records the slot of every change event it receives.
class TEventSink : public QObject {
public:
    std::vector<int> received;

protected:
    bool event(QEvent* e) override {
        if (e->type() != kChangeNotifyEvent)
            return QObject::event(e);
        received.push_back(static_cast<TFbChangeNotifyEvent*>(e)->Slot());
        return true;
    }
};

class ChangeHandlerThreadTest : public BrowserTest {
protected:
    static constexpr int kTimeoutMs = 10000; // CI runs under ASan on two loaded cores
    // Proves that the thread has handled everything that happened before: a change in a
    // folder watched last arrives after every event posted for earlier changes, since the
    // thread drains its handles in slot order and the probe takes a slot above every
    // watch in use.
    static void Settle(TChangeHandlerThread& thread, TEventSink& sink);
};

void ChangeHandlerThreadTest::Settle(TChangeHandlerThread& thread, TEventSink& sink) {
    TempDir probe;
    int slot = -1;
    ASSERT_TRUE(thread.AddWatch(probe.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, false, slot));
    probe.Write("probe", "x");
    ASSERT_TRUE(WaitFor([&] { return !sink.received.empty() && sink.received.back() == slot; },
                        kTimeoutMs));
    sink.received.pop_back();
    thread.RemoveWatch(slot);
}

TEST_F(ChangeHandlerThreadTest, PostsOneEventWithTheSlotOfTheFolderThatChanged) {
    TempDir first;
    TempDir second;
    TEventSink sink;
    TChangeHandlerThread thread(&sink, kChangeNotifyEvent);
    int slotA = -1;
    int slotB = -1;
    ASSERT_TRUE(thread.AddWatch(first.Path(), 0x3, false, slotA));
    ASSERT_TRUE(thread.AddWatch(second.Path(), 0x3, false, slotB));
    EXPECT_EQ(slotA, 0);
    EXPECT_EQ(slotB, 1);

    second.Write("b.jib", "b");
    ASSERT_TRUE(WaitFor([&] { return !sink.received.empty(); }, kTimeoutMs));
    Settle(thread, sink);
    EXPECT_EQ(sink.received, std::vector<int>{slotB});

    // A change of a kind the filter leaves out posts nothing.
    sink.received.clear();
    int dirsOnly = -1;
    TempDir third;
    ASSERT_TRUE(thread.AddWatch(third.Path(), FILE_NOTIFY_CHANGE_DIR_NAME, false, dirsOnly));
    third.Write("file", "x");
    Settle(thread, sink);
    EXPECT_TRUE(sink.received.empty());
}

// Whether this user may open `count` more inotify instances now (the kernel's default is
// 128 per user, shared with every other program the user runs).
bool InotifyInstancesAvailable(int count) {
    std::vector<int> fds;
    for (int i = 0; i < count; ++i) {
        const int fd = inotify_init1(IN_CLOEXEC);
        if (fd < 0)
            break;
        fds.push_back(fd);
    }
    for (const int fd : fds)
        ::close(fd);
    return static_cast<int>(fds.size()) == count;
}

TEST_F(ChangeHandlerThreadTest, ASixtyFourthWatchFailsAndTheEarlierOnesKeepReporting) {
    if (!InotifyInstancesAvailable(TChangeHandlerThread::kSlotCount + 1))
        GTEST_SKIP() << "other programs of this user hold too many inotify instances";
    TempDir root;
    TEventSink sink;
    TChangeHandlerThread thread(&sink, kChangeNotifyEvent);
    for (int i = 0; i < TChangeHandlerThread::kSlotCount; ++i) {
        int slot = -1;
        ASSERT_TRUE(thread.AddWatch(root.MakeDir("d" + std::to_string(i)), 0x3, false, slot));
        ASSERT_EQ(slot, i);
    }
    int slot = 99;
    EXPECT_FALSE(thread.AddWatch(root.MakeDir("extra"), 0x3, false, slot));
    EXPECT_EQ(slot, -1);
    root.Write("d0/a", "x");
    root.Write("d62/a", "x");
    ASSERT_TRUE(WaitFor([&] { return sink.received.size() >= 2; }, kTimeoutMs));
    std::sort(sink.received.begin(), sink.received.end());
    EXPECT_EQ(sink.received, (std::vector<int>{0, 62}));

    // Freeing one slot makes room again.
    thread.RemoveWatch(5);
    EXPECT_TRUE(thread.AddWatch(root.Path() + "/extra", 0x3, false, slot));
    EXPECT_EQ(slot, 5);
}

TEST_F(ChangeHandlerThreadTest, WatchesThatCannotBeMadeFail) {
    TEventSink sink;
    TChangeHandlerThread thread(&sink, kChangeNotifyEvent);
    TempDir dir;
    int slot = 7;
    EXPECT_FALSE(thread.AddWatch("", 0x3, false, slot));
    EXPECT_EQ(slot, -1);
    EXPECT_FALSE(thread.AddWatch(dir.File("missing"), 0x3, false, slot));
    EXPECT_TRUE(thread.AddWatch(dir.Path(), 0x3, false, slot)) << "the thread goes on";
}

TEST_F(ChangeHandlerThreadTest, RemoveAllWatchesStopsTheReports) {
    TempDir watched;
    TEventSink sink;
    TChangeHandlerThread thread(&sink, kChangeNotifyEvent);
    int slot = -1;
    ASSERT_TRUE(thread.AddWatch(watched.Path(), 0x3, false, slot));
    thread.RemoveAllWatches();
    watched.Write("a.jib", "a");
    Settle(thread, sink);
    EXPECT_TRUE(sink.received.empty());
    // The received are free again: the next watch takes the first.
    ASSERT_TRUE(thread.AddWatch(watched.Path(), 0x3, false, slot));
    EXPECT_EQ(slot, 0);
}

TEST_F(ChangeHandlerThreadTest, ASubtreeWatchReportsNamedSubfoldersButNotDeeperOnes) {
    TempDir root;
    root.MakeDir("shown/deeper");
    TEventSink sink;
    TChangeHandlerThread thread(&sink, kChangeNotifyEvent);
    int slot = -1;
    platform::TChangeNotificationPtr handle;
    ASSERT_TRUE(thread.AddWatch(root.Path(), FILE_NOTIFY_CHANGE_DIR_NAME, true, slot, &handle));
    ASSERT_TRUE(handle);
    handle->SetWatchedSubfolders({root.File("shown/")});

    root.MakeDir("shown/deeper/new");
    Settle(thread, sink);
    EXPECT_TRUE(sink.received.empty());
    root.MakeDir("shown/new");
    ASSERT_TRUE(WaitFor([&] { return !sink.received.empty(); }, kTimeoutMs));
    EXPECT_EQ(sink.received.front(), slot);
}

TEST_F(ChangeHandlerThreadTest, AWatchedFolderThatGoesAwayIsReportedOnceAndDropped) {
    TempDir root;
    const std::string folder = root.MakeDir("gone");
    TempDir other;
    TEventSink sink;
    TChangeHandlerThread thread(&sink, kChangeNotifyEvent);
    int slot = -1;
    int otherSlot = -1;
    ASSERT_TRUE(thread.AddWatch(folder, 0x3, false, slot));
    ASSERT_TRUE(thread.AddWatch(other.Path(), 0x3, false, otherSlot));
    fs::remove(folder);
    ASSERT_TRUE(WaitFor([&] { return !sink.received.empty(); }, kTimeoutMs));
    // A later change elsewhere comes after anything more the dead watch could have said.
    other.Write("a", "x");
    ASSERT_TRUE(WaitFor([&] { return sink.received.back() == otherSlot; }, kTimeoutMs));
    EXPECT_EQ(sink.received, (std::vector<int>{slot, otherSlot}));
    // Its slot is free again.
    int next = -1;
    ASSERT_TRUE(thread.AddWatch(root.Path(), 0x3, false, next));
    EXPECT_EQ(next, slot);
}

TEST_F(ChangeHandlerThreadTest, DestroyingItWhileItWaitsReturnsPromptlyAndPostsNothingLater) {
    TempDir watched;
    auto sink = std::make_unique<TEventSink>();
    auto thread = std::make_unique<TChangeHandlerThread>(sink.get(), kChangeNotifyEvent);
    int slot = -1;
    ASSERT_TRUE(thread->AddWatch(watched.Path(), 0x3, false, slot));
    const auto start = std::chrono::steady_clock::now();
    thread.reset();
    // Far below the 30-second bound: the exit command wakes the wait at once.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    watched.Write("late", "x");
    sink.reset();
    QCoreApplication::processEvents();
}

} // namespace
} // namespace shellns_test
