#include "platform/shellns/FolderBase.h"

#include <algorithm>
#include <numeric>

namespace platform::shellns {

HResult TFolderBase::BindToObject(PCItemIDList relative, ShellFolderPtr& folder) {
    folder.reset();
    if (IsEmptyIdList(relative))
        return E_INVALIDARG;
    ShellFolderPtr first;
    if (const HResult hr = BindToItem(relative, first); Failed(hr))
        return hr;
    PCItemIDList rest = NextItem(relative);
    if (IsEmptyIdList(rest)) {
        folder = std::move(first);
        return S_OK;
    }
    return first->BindToObject(rest, folder);
}

HResult TFolderBase::CompareIDs(int column, PCItemIDList a, PCItemIDList b) {
    const bool aEmpty = IsEmptyIdList(a);
    const bool bEmpty = IsEmptyIdList(b);
    if (aEmpty || bEmpty)
        return CompareResult(aEmpty == bEmpty ? 0 : aEmpty ? -1 : 1);
    int order = 0;
    if (const HResult hr = CompareItems(column, a, b, order); Failed(hr))
        return hr;
    if (order != 0)
        return CompareResult(order);
    PCItemIDList restA = NextItem(a);
    PCItemIDList restB = NextItem(b);
    if (IsEmptyIdList(restA) || IsEmptyIdList(restB))
        return CompareIDs(column, restA, restB);
    // Same first item: the rest is compared by the folder that item names.
    ShellFolderPtr sub;
    if (const HResult hr = BindToItem(a, sub); Failed(hr))
        return hr;
    return sub->CompareIDs(column, restA, restB);
}

void IShellFolder::SortItems(int column, const std::vector<PCItemIDList>& items,
                             std::vector<std::size_t>& order) {
    order.resize(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const HResult hr = CompareIDs(column, items[a], items[b]);
        return Succeeded(hr) && CompareCode(hr) < 0;
    });
}

HResult TFolderBase::SetNameOf(PCItemIDList, std::string_view, std::uint32_t,
                               PItemIDList* newItem) {
    if (newItem != nullptr)
        *newItem = nullptr;
    return E_NOTIMPL;
}

HResult TFolderBase::GetContextMenu(int, const PCItemIDList*, std::unique_ptr<IContextMenu>& menu) {
    menu.reset();
    return E_NOTIMPL;
}

HResult TFolderBase::GetDropTarget(PCItemIDList, std::unique_ptr<IDropTarget>& target) {
    target.reset();
    return E_NOINTERFACE;
}

HResult TListEnumerator::Next(PItemIDList& item) {
    item = nullptr;
    if (FNext >= FItems.size())
        return S_FALSE;
    item = IdListClone(FItems[FNext++].get());
    return item != nullptr ? S_OK : E_OUTOFMEMORY;
}

HResult StartDetails(const ColumnHeader* columns, int count, PCItemIDList item, int column,
                     ShellDetails& details) {
    if (column < 0 || column >= count)
        return E_INVALIDARG;
    details.fmt = columns[column].fmt;
    details.cxChar = columns[column].chars;
    details.text = item == nullptr ? columns[column].title : "";
    return item == nullptr ? S_OK : S_FALSE;
}

void AddItem(std::vector<UniqueIdList>& items, PItemIDList item) {
    if (item != nullptr)
        items.emplace_back(item);
}

} // namespace platform::shellns
