#include "platform/shellns/DetailsText.h"
#include "platform/shellns/FileTypes.h"
#include "platform/shellns/FileVerbs.h"
#include "platform/shellns/ItemData.h"
#include "platform/shellns/NameText.h"
#include "platform/shellns/Trash.h"
#include "platform/shellns/VirtualFolders.h"

namespace platform::shellns {
namespace {

enum Column { kColName, kColSize, kColType, kColDeleted, kColumnCount };

constexpr ColumnHeader kColumns[kColumnCount] = {
    {"Name", LVCFMT_LEFT, 30},
    {"Size", LVCFMT_RIGHT, 10},
    {"Type", LVCFMT_LEFT, 20},
    {"Date Deleted", LVCFMT_LEFT, 20},
};

// What a trashed entry is called: the name it had where it came from.
std::string ShownName(const TrashedItem& t) {
    const std::string_view original = t.originalPath;
    const auto slash = original.find_last_of('/');
    const std::string_view base =
        slash == std::string_view::npos ? original : original.substr(slash + 1);
    return ToVisibleName(base.empty() ? t.name : base);
}

std::string TypeOf(const TrashedItem& t) {
    return t.folder ? "Folder" : FileTypeOf(ShownName(t), false).typeName;
}

PItemIDList ItemOf(const TrashEntry& e) {
    return MakeTrashedItem({e.folder, e.size, e.deletedSec, e.name, e.originalPath});
}

} // namespace

HResult TTrashFolder::ParseDisplayName(std::string_view name, PItemIDList& list) {
    list = nullptr;
    for (const auto& e : ReadHomeTrash()) {
        if (e.name == name) {
            list = ItemOf(e);
            return list != nullptr ? S_OK : E_OUTOFMEMORY;
        }
    }
    return E_FILE_NOT_FOUND;
}

HResult TTrashFolder::EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) {
    std::vector<UniqueIdList> entries;
    for (const auto& e : ReadHomeTrash()) {
        const bool wanted = (flags & (e.folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)) != 0;
        const bool hidden = !e.name.empty() && e.name.front() == '.';
        if (wanted && (!hidden || (flags & SHCONTF_INCLUDEHIDDEN) != 0))
            AddItem(entries, ItemOf(e));
    }
    items = std::make_unique<TListEnumerator>(std::move(entries));
    return S_OK;
}

HResult TTrashFolder::BindToItem(PCItemIDList item, ShellFolderPtr&) {
    TrashedItem t;
    if (!DecodeTrashedItem(item, t))
        return E_INVALIDARG;
    // What is in the Trash is only there to be restored, not browsed.
    return E_NOINTERFACE;
}

HResult TTrashFolder::CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) {
    TrashedItem ta, tb;
    if (!DecodeTrashedItem(a, ta) || !DecodeTrashedItem(b, tb) || column < 0 ||
        column >= kColumnCount)
        return E_INVALIDARG;
    order = 0;
    if (ta.folder != tb.folder) {
        order = ta.folder ? -1 : 1;
        return S_OK;
    }
    if (column == kColSize)
        order = ta.size < tb.size ? -1 : ta.size > tb.size ? 1 : 0;
    else if (column == kColType)
        order = CompareNamesNaturally(TypeOf(ta), TypeOf(tb));
    else if (column == kColDeleted)
        order = ta.deletedSec < tb.deletedSec ? -1 : ta.deletedSec > tb.deletedSec ? 1 : 0;
    if (order == 0)
        order = CompareNamesNaturally(ShownName(ta), ShownName(tb));
    if (order == 0)
        order = CompareNamesNaturally(ta.name, tb.name);
    return S_OK;
}

HResult TTrashFolder::GetAttributesOf(int count, const PCItemIDList* items,
                                      std::uint32_t& attributes) {
    const std::uint32_t mask = attributes;
    if (count <= 0) {
        attributes = mask & (SFGAO_FOLDER | SFGAO_DROPTARGET);
        return S_OK;
    }
    if (items == nullptr)
        return E_POINTER;
    std::uint32_t all = 0;
    for (int i = 0; i < count; ++i) {
        TrashedItem t;
        if (!DecodeTrashedItem(items[i], t))
            return E_INVALIDARG;
        std::uint32_t one = t.folder ? SFGAO_FOLDER : 0;
        if (t.name.front() == '.')
            one |= SFGAO_GHOSTED;
        MergeAttributes(all, one & mask, i == 0);
    }
    attributes = all;
    return S_OK;
}

HResult TTrashFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) {
    TrashedItem t;
    if (!DecodeTrashedItem(item, t))
        return E_INVALIDARG;
    std::string text;
    if ((flags & SHGDN_FORPARSING) == 0)
        text = ShownName(t);
    else if ((flags & SHGDN_INFOLDER) != 0)
        text = std::string(t.name);
    else
        text = "trash:///" + PercentEncodePath(std::string(t.name));
    return SetStrRet(name, text) ? S_OK : E_OUTOFMEMORY;
}

HResult TTrashFolder::GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) {
    if (const HResult hr = StartDetails(kColumns, kColumnCount, item, column, details);
        hr != S_FALSE)
        return hr;
    TrashedItem t;
    if (!DecodeTrashedItem(item, t))
        return E_INVALIDARG;
    switch (column) {
    case kColName:
        details.text = ShownName(t);
        break;
    case kColSize:
        details.text = t.folder ? "" : SizeInKilobytesText(t.size);
        break;
    case kColType:
        details.text = TypeOf(t);
        break;
    default:
        details.text = LocalTimeText(t.deletedSec);
        break;
    }
    return S_OK;
}

HResult TTrashFolder::GetIconOf(PCItemIDList item, bool, std::string& iconName) {
    TrashedItem t;
    if (!DecodeTrashedItem(item, t))
        return E_INVALIDARG;
    iconName = t.folder ? "folder" : FileTypeOf(ShownName(t), false).iconName;
    return S_OK;
}

HResult TTrashFolder::GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) {
    target.reset();
    if (item != nullptr)
        return E_NOINTERFACE;
    target = MakeTrashDropTarget();
    return S_OK;
}

} // namespace platform::shellns
