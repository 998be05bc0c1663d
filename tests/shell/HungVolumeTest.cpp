// A network volume whose server is gone (tests/common/HungVolume.h): the tree shows it
// under Computer and its watcher tries to watch it, but nothing on the GUI thread may wait
// for it, or the window freezes.
#include "tests/common/HungVolume.h"

#include "platform/MountTable.h"
#include "platform/shellns/Volumes.h"
#include "tests/common/MessageCapture.h"
#include "tests/shell/BrowserTest.h"

#include <QCoreApplication>

namespace shellns_test {
namespace {

using platform::MountEntry;
using platform::MountKind;

using HungVolumeTest = BrowserTest;

TEST_F(HungVolumeTest, NothingOnTheGuiThreadWaitsForAVolumeThatHangs) {
    const THungVolumeRun run = RunInOwnMountNamespace("HungVolumeTest.*");
    if (run.Kind == THungVolumeRun::Skipped)
        GTEST_SKIP() << run.Output;
    if (run.Kind == THungVolumeRun::RanThere) {
        EXPECT_EQ(run.Status, 0) << run.Output;
        return;
    }
    THungVolume volume;
    if (!volume.Mount())
        GTEST_SKIP() << volume.WhyNot();
    const std::string mountPoint = THungVolume::kMountPoint;

    // The volume as a network share (watched), a disk (watched, and searched for
    // sub-folders where it is listed) and a removable disk (searched only).
    for (const MountKind kind : {MountKind::Remote, MountKind::Fixed, MountKind::Removable}) {
        SCOPED_TRACE(static_cast<int>(kind));
        sh::SetMountTableSource([&mountPoint, kind] {
            std::vector<MountEntry> table = platform::ReadMountTable();
            for (MountEntry& entry : table) {
                if (entry.mountPoint == mountPoint)
                    entry.kind = kind;
            }
            return table;
        });
        const std::size_t seen = volume.Requests().size();
        const auto requests = [&volume, seen] {
            return volume.Requests().substr(seen);
        };
        MessageCapture capture;
        {
            // As the viewer starts: the tree from the desktop, watching, open at a folder
            // elsewhere, which expands Computer and lists the volume there.
            TFbShellTree tree;
            TFbShellList list;
            tree.SetOptions(stoDefaultKeyHandling | stoDynamicRefresh | stoShowHidden);
            list.SetOptions(sloDefaultKeyHandling | sloDynamicRefresh |
                            sloHideFoldersWhenLinkedToTree | sloShowHidden);
            list.SetFileFilter("*.jib");
            tree.show();
            list.show();
            OpenLinked(tree, list, TreeFolder());
            QCoreApplication::processEvents();
            ASSERT_EQ(SelectedPath(tree), TreeFolder());
            EXPECT_NE(NodeOf(tree, mountPoint + "/"), nullptr) << "the volume shows";

            // A watched volume is tried off the GUI thread, which is held there.
            if (kind != MountKind::Removable) {
                EXPECT_TRUE(WaitFor([&] { return requests().find(" held") != std::string::npos; }))
                    << requests();
            }
            if (kind == MountKind::Remote) {
                // The user opens the share: listing it gives up after a moment, and it
                // shows as a folder that cannot be read now, as an unreadable one does.
                tree.setCurrentItem(NodeOf(tree, mountPoint + "/"));
                QCoreApplication::processEvents();
                EXPECT_EQ(SelectedPath(tree), mountPoint + "/");
                EXPECT_TRUE(WaitFor([&] { return ListFolder(list) == mountPoint + "/"; }, 20000))
                    << ListFolder(list);
                EXPECT_TRUE(Captions(list).empty());
            }
            // Refreshes, watches dropped and made again, another folder in the list: the
            // GUI thread goes on while the first attempt is still held.
            tree.RefreshTree();
            tree.SetOptions(tree.Options() & ~TFbShellTreeOptions(stoDynamicRefresh));
            tree.SetOptions(tree.Options() | stoDynamicRefresh);
            tree.CurrentFolder()->SetFolderPath(FHome.Home() + "/");
            QCoreApplication::processEvents();
            EXPECT_EQ(ListFolder(list), FHome.Home() + "/");
        } // the controls end their watchers, whatever the volume holds
        sh::SetMountTableSource({});
        EXPECT_EQ(requests().find("refused"), std::string::npos)
            << "requests made on the GUI thread:\n"
            << requests();
        EXPECT_TRUE(capture.Shown().empty());
    }
}

} // namespace
} // namespace shellns_test
