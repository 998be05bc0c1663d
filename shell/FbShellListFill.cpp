// Filling the file list: admitting a folder's items through the filter, the columns of
// the folder, the fill itself and the refresh that merges what changed.
#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "gui/SystemImageList.h"
#include "platform/shellns/ItemIdList.h"
#include "shell/FbListColumns.h"
#include "shell/FbPidlList.h"
#include "shell/FbShellList.h"
#include "shell/FbShellTree.h"

namespace sh = platform::shellns;

namespace {

// Enumerated items are collected in steps of this many before any is admitted.
constexpr std::size_t kCollectStep = 500;

} // namespace

std::uint32_t TFbCustomShellList::EnumFlags() const {
    std::uint32_t flags = sh::SHCONTF_FOLDERS | sh::SHCONTF_NONFOLDERS;
    if (FOptions.testFlag(sloShowHidden))
        flags |= sh::SHCONTF_INCLUDEHIDDEN;
    return flags;
}

HResult TFbCustomShellList::BindFolder(PCItemIDList list, ShellFolderPtr& folder) {
    return BindToFolder(list, folder);
}

void TFbCustomShellList::StartFiltering(PCItemIDList folder) {
    // A virtual folder has no file names to match: the filter does not apply there.
    FFiltering = FilterSelects(FFileFilter) && !ItemListToPath(folder).empty();
}

std::unique_ptr<TFbListItem> TFbCustomShellList::AdmitItem(PItemIDList item) {
    sh::UniqueIdList owned(item);
    PCItemIDList asked = item;
    std::uint32_t attributes = sh::kListAttributeMask;
    if (sh::Failed(FShellFolder->GetAttributesOf(1, &asked, attributes)))
        return nullptr;
    const bool folder = (attributes & sh::SFGAO_FOLDER) != 0;
    if (!FOptions.testFlag(sloNonFilesystemAncestors) &&
        (attributes & (sh::SFGAO_FILESYSTEM | sh::SFGAO_FILESYSANCESTOR)) == 0)
        return nullptr;
    if (HidesFoldersWhenLinked() && folder && (attributes & sh::SFGAO_FILESYSTEM) != 0)
        return nullptr;
    if (FFiltering && !folder) {
        // Matched as the folder's own names are listed, the way a search of the folder
        // for the masks would find them, without reading a large folder twice. The name
        // is the file-name part of the item's parsing name, asked of the folder as such.
        sh::StrRet ret;
        std::string name;
        if (sh::Failed(FShellFolder->GetDisplayNameOf(
                item, sh::SHGDN_INFOLDER | sh::SHGDN_FORPARSING, ret)) ||
            !sh::StrRetToString(ret, item, name) || !MatchesAnyMask(FileNamePart(name), FMasks))
            return nullptr;
    }
    bool allow = true;
    if (OnAddItem)
        OnAddItem(this, FShellFolder, FFolderList, item, attributes, allow);
    if (!allow)
        return nullptr;
    auto listItem = std::make_unique<TFbListItem>();
    if ((attributes & sh::SFGAO_SHARE) != 0)
        listItem->SetOverlayIndex(TSystemImageList::kOverlayShared);
    else if ((attributes & sh::SFGAO_LINK) != 0)
        listItem->SetOverlayIndex(TSystemImageList::kOverlayLink);
    listItem->SetCut((attributes & sh::SFGAO_GHOSTED) != 0);
    listItem->SubItems().resize(
        static_cast<std::size_t>(FDetailsFromFolder ? std::max(ColumnCount() - 1, 0) : 3));
    listItem->SetData(std::make_unique<TFbShellListData>(this, owned.release(), attributes));
    return listItem;
}

void TFbCustomShellList::TakeFolder(PItemIDList list, ShellFolderPtr folder) {
    FreeItemList(FFolderList);
    FFolderList = list;
    FShellFolder = std::move(folder);
}

void TFbCustomShellList::SaveColumnWidths() {
    if (!FWidthsKeepable || ColumnCount() == 0)
        return;
    std::vector<int> widths;
    for (int i = 0; i < ColumnCount(); ++i)
        widths.push_back(ColumnWidth(i));
    TFbColumnWidthStore::Save(widths);
}

void TFbCustomShellList::RebuildColumns() {
    SaveColumnWidths();
    const bool fileSystem = !ItemListToPath(FFolderList).empty();
    TFbColumnLayout layout = BuildColumnLayout(FShellFolder, fileSystem);
    FDetailsFromFolder = layout.fromProvider;
    FWidthsKeepable = layout.widthsKeepable;
    SetColumns(std::move(layout.columns));
    if (std::abs(FSortColumn) > ColumnCount())
        FSortColumn = 1;
    SetSortMark(std::abs(FSortColumn) - 1, FSortColumn > 0);
}

void TFbCustomShellList::FillList() {
    if (!FWindowCreated)
        return;
    if (FDragging || IsEditing()) {
        FRefreshPending = true;
        return;
    }
    FRefreshPending = false;
    TWaitCursor busy;
    // Pictures still coming for the items about to go are of no use any more.
    CancelThumbnails();
    ClearSelection();
    ClearItems();
    ShellFolderPtr folder;
    CheckShell(BindFolder(FFolder.ItemList(), folder));
    StartFiltering(FFolder.ItemList());
    PItemIDList previousList = CopyItemList(FFolderList);
    ShellFolderPtr previousFolder = FShellFolder;
    try {
        TFbFillEvents events(this, OnFillStart, OnFillComplete);
        PCItemIDList list = FFolder.ItemList();
        TakeFolder(list != nullptr ? CopyItemList(list) : sh::IdListEmpty(), folder);
        RebuildColumns();
        std::unique_ptr<sh::IEnumIDList> items;
        if (sh::Succeeded(folder->EnumObjects(EnumFlags(), items)) && items) {
            std::vector<sh::UniqueIdList> collected;
            HResult hr;
            PItemIDList item = nullptr;
            while ((hr = items->Next(item)) == sh::S_OK) {
                if (collected.size() == collected.capacity())
                    collected.reserve(collected.size() + kCollectStep);
                collected.emplace_back(item);
            }
            if (hr != sh::S_FALSE && hr != sh::E_NO_MORE_ITEMS && hr != sh::E_FAIL &&
                sh::Failed(hr))
                throw EFbShellError(hr);
            std::vector<std::unique_ptr<TFbListItem>> admitted;
            admitted.reserve(collected.size());
            for (auto& one : collected) {
                if (auto listItem = AdmitItem(one.release()))
                    admitted.push_back(std::move(listItem));
            }
            AddItems(std::move(admitted));
        }
    } catch (...) {
        TakeFolder(previousList, previousFolder);
        throw;
    }
    FreeItemList(previousList);
    Sort();
    if (ItemCount() > 0)
        SetItemFocused(Item(0));
    scrollToTop();
    StartThumbnails();
    if (FOptions.testFlag(sloDynamicRefresh))
        StartWatching();
}

void TFbCustomShellList::Refill() {
    // Looked up by name after the fill: a file that changed on disk is a new item then,
    // but still the file the user had chosen.
    TFbPidlList selected;
    selected.SetOwnsItems(true);
    selected.SetDuplicates(dupIgnore);
    for (TFbListItem* item : SelectedItems()) {
        if (TFbShellListData* data = ListData(item))
            selected.Add(CopyItemList(data->RelativeItem()));
    }
    const TFbShellListData* focusedData = ListData(ItemFocused());
    sh::UniqueIdList focused(focusedData != nullptr ? CopyItemList(focusedData->RelativeItem())
                                                    : nullptr);
    FillList();
    if (!FShellFolder || (selected.Count() == 0 && !focused))
        return;
    selected.SetShellFolder(FShellFolder);
    selected.SetSorted(true);
    std::vector<TFbListItem*> reselect;
    TFbListItem* focus = nullptr;
    for (int i = 0; i < ItemCount(); ++i) {
        const TFbShellListData* data = ListData(Item(i));
        if (data == nullptr)
            continue;
        if (selected.IndexOf(data->RelativeItem()) >= 0)
            reselect.push_back(Item(i));
        if (focused && focus == nullptr) {
            const HResult hr = FShellFolder->CompareIDs(0, data->RelativeItem(), focused.get());
            if (sh::Succeeded(hr) && sh::CompareCode(hr) == 0)
                focus = Item(i);
        }
    }
    if (focus != nullptr)
        SetItemFocused(focus);
    SelectItems(reselect);
}

void TFbCustomShellList::RefreshList() {
    if (FDragging || IsEditing()) {
        FRefreshPending = true;
        return;
    }
    if (ItemCount() == 0 || !FShellFolder) {
        FillList();
        return;
    }
    FRefreshPending = false;
    TWaitCursor busy;
    TFbFillEvents events(this, OnFillStart, OnFillComplete);
    StartFiltering(FFolderList);
    // Byte-wise for file-system items: an item carries its size and time, so a file that
    // changed counts as gone and new, and its row shows the new size and time.
    TFbPidlList existing;
    if (ItemListToPath(FFolderList).empty())
        existing.SetShellFolder(FShellFolder);
    existing.SetDuplicates(dupAccept);
    for (int i = 0; i < ItemCount(); ++i) {
        if (TFbShellListData* data = ListData(Item(i)))
            existing.Add(const_cast<PItemIDList>(data->RelativeItem()), Item(i));
    }
    existing.SetSorted(true);
    TFbPidlList current;
    current.SetOwnsItems(true);
    std::unique_ptr<sh::IEnumIDList> items;
    if (sh::Failed(FShellFolder->EnumObjects(EnumFlags(), items)) || !items) {
        return;
    }
    HResult hr;
    PItemIDList item = nullptr;
    while ((hr = items->Next(item)) == sh::S_OK)
        current.Add(item);
    for (int i = current.Count() - 1; i >= 0; --i) {
        const int found = existing.IndexOf(current.Pidls(i));
        if (found >= 0) {
            existing.Delete(found);
            current.Delete(i);
        }
    }
    TakeChangedItems(existing, current);
    for (int i = existing.Count() - 1; i >= 0; --i)
        DeleteItem(static_cast<TFbListItem*>(existing.Objects(i)));
    std::vector<std::unique_ptr<TFbListItem>> added;
    try {
        for (int i = 0; i < current.Count(); ++i) {
            PItemIDList one = CopyItemList(current.Pidls(i));
            if (auto listItem = AdmitItem(one))
                added.push_back(std::move(listItem));
        }
    } catch (...) {
        ShowMessage("Exception in AddNewShellItem");
        throw;
    }
    // The list is always in the order its sort mark shows: a newcomer takes its place.
    InsertItemsSorted(std::move(added),
                      [this](TFbListItem* a, TFbListItem* b) { return CompareItems(a, b); });
    UpdateThumbnails();
}

void TFbCustomShellList::TakeChangedItems(TFbPidlList& gone, TFbPidlList& current) {
    // Only file-system items are merged byte-wise, so only they can look gone when changed.
    if (gone.Count() == 0 || current.Count() == 0 || ItemListToPath(FFolderList).empty())
        return;
    // Gone and new under one name: the same file, written anew.
    TFbPidlList byName;
    byName.SetShellFolder(FShellFolder);
    byName.SetDuplicates(dupAccept);
    for (int i = 0; i < gone.Count(); ++i)
        byName.Add(gone.Pidls(i), gone.Objects(i));
    byName.SetSorted(true);
    const auto order = [this](TFbListItem* a, TFbListItem* b) {
        return CompareItems(a, b);
    };
    for (int i = current.Count() - 1; i >= 0; --i) {
        const int found = byName.IndexOf(current.Pidls(i));
        if (found < 0)
            continue;
        auto* item = static_cast<TFbListItem*>(byName.Objects(found));
        TFbShellListData* data = ListData(item);
        gone.Delete(gone.IndexOf(data->RelativeItem()));
        byName.Delete(found);
        data->SetRelativeItem(CopyItemList(current.Pidls(i)));
        current.Delete(i);
        item->Invalidate();
        UpdateItem(item);
        RepositionItem(item, order); // its size or time may order it elsewhere now
    }
}
