// What all folders of the namespace share: comparing and binding lists of several items
// by descending one item at a time, the answers for operations a folder does not offer,
// and an enumerator over items collected beforehand.
#pragma once

#include "platform/shellns/ShellFolder.h"

#include <vector>

namespace platform::shellns {

class TFolderBase : public IShellFolder, public std::enable_shared_from_this<TFolderBase> {
public:
    HResult BindToObject(PCItemIDList relative, ShellFolderPtr& folder) override;
    HResult CompareIDs(int column, PCItemIDList a, PCItemIDList b) override;
    HResult SetNameOf(PCItemIDList item, std::string_view name, std::uint32_t flags,
                      PItemIDList* newItem) override;
    HResult GetContextMenu(int count, const PCItemIDList* items,
                           std::unique_ptr<IContextMenu>& menu) override;
    HResult GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) override;

    // The folder of this folder's first item of `item` (a list whose first item is ours).
    virtual HResult BindToItem(PCItemIDList item, ShellFolderPtr& folder) = 0;
    // The order of the first items of `a` and `b` by `column`: negative, 0 or positive;
    // E_INVALIDARG (through `result`) when either is not an item of this folder.
    virtual HResult CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) = 0;
};

// Hands out copies of a list of one-item lists collected beforehand.
class TListEnumerator : public IEnumIDList {
public:
    explicit TListEnumerator(std::vector<UniqueIdList> items) : FItems(std::move(items)) {}
    HResult Next(PItemIDList& item) override;

private:
    std::vector<UniqueIdList> FItems;
    std::size_t FNext = 0;
};

// One detail column: its title, alignment (LVCFMT_*) and width in characters.
struct ColumnHeader {
    const char* title;
    int fmt;
    int chars;
};

// The part of GetDetailsOf every folder shares: the column's alignment and width, and its
// title when asked without an item. E_INVALIDARG past the last column; S_OK when the
// header is complete; S_FALSE when the item's text is still to be filled in.
HResult StartDetails(const ColumnHeader* columns, int count, PCItemIDList item, int column,
                     ShellDetails& details);

// Appends the one-item list `item` to `items` when it is not null.
void AddItem(std::vector<UniqueIdList>& items, PItemIDList item);

// ANDs one item's attributes into the running answer of a GetAttributesOf call.
inline void MergeAttributes(std::uint32_t& all, std::uint32_t one, bool first) {
    all = first ? one : (all & one);
}

} // namespace platform::shellns
