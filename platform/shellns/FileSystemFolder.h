// A folder of the file system: its entries are 'F' items made from what lstat (and, for
// links, stat) said when they were listed.
#pragma once

#include "platform/MountTable.h"
#include "platform/shellns/FolderBase.h"
#include "platform/shellns/ItemData.h"

#include <string>

namespace platform::shellns {

class TFileSystemFolder : public TFolderBase {
public:
    // `path` is the folder's absolute path ending with "/"; `volumeKind` the kind of the
    // volume it lies on (remote volumes are not searched for sub-folders, removable ones
    // mark their items removable).
    TFileSystemFolder(std::string path, MountKind volumeKind);

    const std::string& Path() const { return FPath; }
    MountKind VolumeKind() const { return FVolumeKind; }

    HResult ParseDisplayName(std::string_view name, PItemIDList& list) override;
    HResult EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) override;
    HResult EnumObjectsKeeping(std::uint32_t flags, std::function<bool(std::string_view)> keep,
                               std::unique_ptr<IEnumIDList>& items) override;
    void SortItems(int column, const std::vector<PCItemIDList>& items,
                   std::vector<std::size_t>& order) override;
    HResult GetAttributesOf(int count, const PCItemIDList* items,
                            std::uint32_t& attributes) override;
    HResult GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) override;
    HResult SetNameOf(PCItemIDList item, std::string_view name, std::uint32_t flags,
                      PItemIDList* newItem) override;
    HResult GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) override;
    HResult GetIconOf(PCItemIDList item, bool open, std::string& iconName) override;
    HResult GetContextMenu(int count, const PCItemIDList* items,
                           std::unique_ptr<IContextMenu>& menu) override;
    HResult GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) override;

    // The attributes of one decoded entry of this folder, limited to `mask`.
    std::uint32_t AttributesOf(const FsItem& entry, std::uint32_t mask);

    HResult BindToItem(PCItemIDList item, ShellFolderPtr& folder) override;
    HResult CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) override;

private:
    bool CanChangeEntries(const FsItem& entry);

    std::string FPath;
    MountKind FVolumeKind;
    int FWritable = -1; // lazily: may entries of this folder be renamed or deleted
    struct stat FFolderStat {};
};

// The item for the entry `name` of `folder` (ending with "/"), examined now.
HResult MakeFsItemFor(const std::string& folder, std::string_view name, PItemIDList& item);

// True when the folder at `path` holds at least one folder (or link to one). Looks at a
// bounded number of entries and answers yes beyond them, as expanding then tells.
bool HasSubFolder(const std::string& path);

} // namespace platform::shellns
