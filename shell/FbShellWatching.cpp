// How the folder tree and the file list follow the disk: the watches they keep on their
// watcher threads, and what they do when a volume comes or goes.
#include "platform/shellns/SpecialFolders.h"
#include "platform/shellns/Volumes.h"
#include "shell/FbDeviceChangeHandler.h"
#include "shell/FbShellList.h"
#include "shell/FbShellTree.h"

#include <QMetaObject>

namespace sh = platform::shellns;
using platform::FILE_NOTIFY_CHANGE_DIR_NAME;
using platform::FILE_NOTIFY_CHANGE_FILE_NAME;
using platform::FILE_NOTIFY_CHANGE_LAST_WRITE;
using platform::MountKind;

namespace {

// Removable and optical media are left alone: a watch would keep the volume busy and stop
// the user from ejecting it. Pseudo file systems hold nothing the user browses. A mounted
// network file system is connected by being mounted, so it is watched like a disk.
bool IsWatchedVolume(MountKind kind) {
    return kind == MountKind::Fixed || kind == MountKind::RamDisk || kind == MountKind::Remote;
}

bool IsDeviceEvent(const TFbDeviceChangeEvent& message) {
    return message.WParam() == platform::DBT_DEVICEARRIVAL ||
           message.WParam() == platform::DBT_DEVICEREMOVECOMPLETE;
}

// The folders a refresh merges: every node whose children have been listed, and the
// leaves that are known to have none. A collapsed node keeps its children and is merged
// all the same, so collapsing changes nothing here.
void CollectShownFolders(TFbTreeNode* node, std::vector<std::string>& paths) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return;
    std::string path = ItemListToPath(data->AbsoluteItemList());
    if (!path.empty())
        paths.push_back(std::move(path));
    for (int i = 0; i < node->Count(); ++i) {
        TFbTreeNode* child = node->Child(i);
        if (child->Count() > 0 || !child->HasChildren())
            CollectShownFolders(child, paths);
    }
}

// Has the shell read the volumes afresh, so the next listing of Computer shows the mount
// table as it is now.
void RevalidateComputerFolder() {
    PItemIDList list = nullptr;
    CheckShell(sh::SHGetSpecialFolderLocation(sh::CSIDL_DRIVES, list));
    sh::UniqueIdList owned(list);
    ShellFolderPtr computer;
    CheckShell(BindToFolder(list, computer));
    std::uint32_t attributes = sh::SFGAO_VALIDATE;
    CheckShell(computer->GetAttributesOf(0, nullptr, attributes));
}

bool IsComputerFolder(PCItemIDList list) {
    PItemIDList computer = nullptr;
    if (list == nullptr || sh::Failed(sh::SHGetSpecialFolderLocation(sh::CSIDL_DRIVES, computer)))
        return false;
    sh::UniqueIdList owned(computer);
    return CompareItemLists(list, computer) == 0;
}

} // namespace

// A network volume whose server is gone answers no lookup, and a watch starts with one:
// the volumes are watched in the background (TChangeNotification::ArmInBackground), so
// the tree fills and answers the user whatever the volumes do. Each volume's watch is
// armed together with the shown folders on it, in one visit of its own thread.
void TFbCustomShellTree::StartWatching() {
    if (!FChangeThread)
        FChangeThread = std::make_unique<TChangeHandlerThread>(this, kChangeNotifyEvent);
    // The tree lets go of its handles first, so the watcher closes them, off this thread.
    FWatches.clear();
    FChangeThread->RemoveAllWatches();
    const std::uint32_t filter =
        FILE_NOTIFY_CHANGE_DIR_NAME |
        (FOptions.testFlag(stoIncludeNonFolders) ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
    // Volumes mounted later are shown by the device refresh and watched from the next fill.
    for (const sh::Volume& volume : sh::UserVolumes()) {
        if (!IsWatchedVolume(volume.kind))
            continue;
        if (platform::TChangeNotificationPtr handle =
                FChangeThread->AddUnarmedWatch(volume.mountPoint, filter, true))
            FWatches.push_back(std::move(handle));
    }
    std::vector<std::vector<std::string>> perVolume = ShownFoldersByWatch();
    for (std::size_t i = 0; i < FWatches.size(); ++i)
        FWatches[i]->ArmInBackground(std::move(perVolume[i]));
}

void TFbCustomShellTree::StopWatching() {
    FWatches.clear();
    if (FChangeThread)
        FChangeThread->RemoveAllWatches();
}

// A volume watch covers its root; inotify has no recursive watch, and walking a whole disk
// to add one per folder would take minutes and the user's watch budget. What the tree
// shows is what a refresh can change, so those folders are the ones named.
std::vector<std::vector<std::string>> TFbCustomShellTree::ShownFoldersByWatch() const {
    std::vector<std::vector<std::string>> perVolume(FWatches.size());
    if (FWatches.empty())
        return perVolume;
    std::vector<std::string> shown;
    if (NodeCount() > 0)
        CollectShownFolders(TopNode(0), shown);
    for (std::string& path : shown) {
        // The volume with the longest root holds the folder.
        std::size_t best = FWatches.size();
        for (std::size_t i = 0; i < FWatches.size(); ++i) {
            const std::string& root = FWatches[i]->Root();
            if (path.compare(0, root.size(), root) == 0 &&
                (best == FWatches.size() || root.size() > FWatches[best]->Root().size()))
                best = i;
        }
        if (best < FWatches.size())
            perVolume[best].push_back(std::move(path));
    }
    return perVolume;
}

void TFbCustomShellTree::WatchShownFolders() {
    FWatchUpdateQueued = false;
    std::vector<std::vector<std::string>> perVolume = ShownFoldersByWatch();
    // Named in the background: adding a watch looks its folder up.
    for (std::size_t i = 0; i < FWatches.size(); ++i)
        FWatches[i]->SetWatchedSubfoldersInBackground(std::move(perVolume[i]));
}

// Expanding several nodes in a row (a walk to the remembered folder) names the folders
// once, when the event loop turns.
void TFbCustomShellTree::QueueWatchShownFolders() {
    if (FWatchUpdateQueued || FWatches.empty())
        return;
    FWatchUpdateQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { WatchShownFolders(); }, Qt::QueuedConnection);
}

std::vector<std::string> TFbCustomShellTree::WatchedFolders() const {
    std::vector<std::string> paths;
    for (const auto& handle : FWatches) {
        for (std::string& path : handle->WatchedSubfolders())
            paths.push_back(std::move(path));
    }
    return paths;
}

void TFbCustomShellTree::DeviceChanged(QObject* control, const TFbDeviceChangeEvent& message) {
    if (!IsDeviceEvent(message))
        return;
    auto* tree = static_cast<TFbCustomShellTree*>(control);
    if (DeviceRefreshCounter() == 0)
        RevalidateComputerFolder();
    TFbCounterGuard refreshing(DeviceRefreshCounter());
    tree->RefreshTree();
}

void TFbCustomShellList::StartWatching() {
    FRefreshTimer.stop();
    if (FChangeThread)
        FChangeThread->RemoveAllWatches();
    else
        FChangeThread = std::make_unique<TChangeHandlerThread>(this, kChangeNotifyEvent);
    const std::string path = ItemListToPath(FFolderList);
    // Icon view shows what the files hold, so a file written in place (not only one renamed
    // into place) must reach it too.
    const std::uint32_t filter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                 (ViewStyle() == vsIcon ? FILE_NOTIFY_CHANGE_LAST_WRITE : 0);
    if (!path.empty())
        FChangeThread->WatchInBackground(path, filter, false);
}

void TFbCustomShellList::StopWatching() {
    if (FChangeThread)
        FChangeThread->RemoveAllWatches();
}

void TFbCustomShellList::DeviceChanged(QObject* control, const TFbDeviceChangeEvent& message) {
    auto* list = static_cast<TFbCustomShellList*>(control);
    if (IsDeviceEvent(message) && IsComputerFolder(list->FFolder.ItemList()))
        list->FillList();
}
