// The folders that are not a file-system folder: the desktop (the root of the namespace),
// Computer (the volumes) and the Trash.
#pragma once

#include "platform/shellns/FolderBase.h"

#include <string>

namespace platform::shellns {

// Holds Home, Computer and Trash, then the entries of the user's desktop folder.
class TDesktopFolder : public TFolderBase {
public:
    HResult ParseDisplayName(std::string_view name, PItemIDList& list) override;
    HResult EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) override;
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

    HResult BindToItem(PCItemIDList item, ShellFolderPtr& folder) override;
    HResult CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) override;
};

// Holds the root file system and each mounted user volume.
class TComputerFolder : public TFolderBase {
public:
    // An absolute path: the volume holding it, then one item per component below it.
    HResult ParseDisplayName(std::string_view name, PItemIDList& list) override;
    HResult EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) override;
    HResult GetAttributesOf(int count, const PCItemIDList* items,
                            std::uint32_t& attributes) override;
    HResult GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) override;
    HResult GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) override;
    HResult GetIconOf(PCItemIDList item, bool open, std::string& iconName) override;
    HResult GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) override;

    HResult BindToItem(PCItemIDList item, ShellFolderPtr& folder) override;
    HResult CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) override;
};

// The entries of the home trash. They cannot be opened as folders; the Trash itself
// takes drops, which move what is dropped into it.
class TTrashFolder : public TFolderBase {
public:
    HResult ParseDisplayName(std::string_view name, PItemIDList& list) override;
    HResult EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) override;
    HResult GetAttributesOf(int count, const PCItemIDList* items,
                            std::uint32_t& attributes) override;
    HResult GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) override;
    HResult GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) override;
    HResult GetIconOf(PCItemIDList item, bool open, std::string& iconName) override;
    HResult GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) override;

    HResult BindToItem(PCItemIDList item, ShellFolderPtr& folder) override;
    HResult CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) override;
};

// The user's desktop folder, ending with "/"; empty when it is the home folder itself
// (the desktop is then switched off) or is missing.
std::string DesktopDirectory();

} // namespace platform::shellns
