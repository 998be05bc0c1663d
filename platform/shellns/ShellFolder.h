// The namespace's folder interface and what it hands out: enumerators of its items,
// context menus that run verbs on them and drop targets that take files. Folders are
// shared objects; whoever holds a pointer keeps the folder alive.
#pragma once

#include "platform/shellns/ResultCodes.h"
#include "platform/shellns/ShellTypes.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::shellns {

// Hands out a folder's items one at a time, each a one-item list the caller owns.
class IEnumIDList {
public:
    virtual ~IEnumIDList() = default;
    // S_OK with an item, S_FALSE at the end (item null), or a failure (item null).
    virtual HResult Next(PItemIDList& item) = 0;
};

// Verbs run on items: "open", "copy", "cut", "paste", "delete". The default verb is the
// first of Verbs().
class IContextMenu {
public:
    virtual ~IContextMenu() = default;
    virtual std::vector<std::string> Verbs() const = 0;
    virtual HResult InvokeCommand(std::string_view verb) = 0;
};

// Takes files dropped on a folder. The dropped data arrives as file-system paths; the
// effect is chosen from the key state and the effects the source allows.
class IDropTarget {
public:
    virtual ~IDropTarget() = default;
    virtual HResult DragEnter(const std::vector<std::string>& paths, std::uint32_t keyState,
                              std::uint32_t& effect) = 0;
    virtual HResult DragOver(std::uint32_t keyState, std::uint32_t& effect) = 0;
    virtual HResult DragLeave() = 0;
    virtual HResult Drop(const std::vector<std::string>& paths, std::uint32_t keyState,
                         std::uint32_t& effect) = 0;
};

class IShellFolder;
using ShellFolderPtr = std::shared_ptr<IShellFolder>;

class IShellFolder {
public:
    virtual ~IShellFolder() = default;

    // Turns a name into a list relative to this folder (for the desktop: an absolute
    // path, a file: URI, "computer:///" or "trash:///").
    virtual HResult ParseDisplayName(std::string_view name, PItemIDList& list) = 0;
    virtual HResult EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) = 0;
    // Like EnumObjects, but a folder that can tell from its listing alone may leave out the
    // non-folders whose in-folder parsing name `keep` refuses, before it looks at anything
    // else about them: a filtered view of a folder of 100,000 files then examines only the
    // files it shows. Folders are never left out this way, and a folder that cannot tell
    // lists everything, so the caller still applies its own filter to what it gets.
    virtual HResult EnumObjectsKeeping(std::uint32_t flags,
                                       std::function<bool(std::string_view)> keep,
                                       std::unique_ptr<IEnumIDList>& items) {
        (void)keep;
        return EnumObjects(flags, items);
    }
    // The order CompareIDs(column) gives the one-item lists `items` of this folder, as
    // positions into `items`: stable, and an item that cannot be compared keeps its place
    // among its equals, as std::stable_sort over CompareIDs would have it. A folder that
    // compares its own items faster than through CompareIDs (decoding each once) does so.
    virtual void SortItems(int column, const std::vector<PCItemIDList>& items,
                           std::vector<std::size_t>& order);
    // Binds to the folder named by a relative list of one or more items.
    virtual HResult BindToObject(PCItemIDList relative, ShellFolderPtr& folder) = 0;
    // Order of two relative lists by `column` (0 name, 1 size, 2 type, 3 modified): the
    // low 16 bits of a success code as a signed number (see CompareCode).
    virtual HResult CompareIDs(int column, PCItemIDList a, PCItemIDList b) = 0;
    // Answers in `attributes` the bits of its incoming mask that all `items` have.
    virtual HResult GetAttributesOf(int count, const PCItemIDList* items,
                                    std::uint32_t& attributes) = 0;
    virtual HResult GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) = 0;
    // Renames an item; on success `newItem` (when asked for) is the renamed item's list.
    virtual HResult SetNameOf(PCItemIDList item, std::string_view name, std::uint32_t flags,
                              PItemIDList* newItem) = 0;
    // Column `column` of `item`, or the column's header when `item` is null; a failure
    // past the last column.
    virtual HResult GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) = 0;
    // The freedesktop icon-theme name of an item's icon (the open-folder variant when
    // `open`).
    virtual HResult GetIconOf(PCItemIDList item, bool open, std::string& iconName) = 0;
    // The context menu of `items` (all of this folder), or of the folder itself (its
    // background: "paste") when `count` is 0.
    virtual HResult GetContextMenu(int count, const PCItemIDList* items,
                                   std::unique_ptr<IContextMenu>& menu) = 0;
    // The drop target of a folder item, or of this folder itself when `item` is null.
    virtual HResult GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) = 0;
};

// The root of every absolute list.
HResult SHGetDesktopFolder(ShellFolderPtr& folder);

} // namespace platform::shellns
