#include "shell/FbShellList.h"

#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "gui/SystemImageList.h"
#include "platform/shellns/Volumes.h"
#include "shell/FbDeviceChangeHandler.h"
#include "shell/FbIdListArray.h"
#include "shell/FbShellCommands.h"
#include "shell/FbShellTree.h"

#include <utility>

#include <QKeyEvent>

namespace sh = platform::shellns;

TFbCustomShellList::TFbCustomShellList(QWidget* parent) : TFbCustomListView(parent) {
    FRefreshTimer.setSingleShot(true);
    connect(&FRefreshTimer, &QTimer::timeout, this, [this] { RefreshTimerFired(); });
    FFolder.OnChange = [this](TFbShellLocator*) {
        FolderChanged();
    };
    DeviceChangeHandler().RegisterHandler(&TFbCustomShellList::DeviceChanged, this);
    ApplyDropOption();
}

TFbCustomShellList::~TFbCustomShellList() {
    SetThumbnailSource(nullptr);
    // The watcher goes first: once it has ended, nothing more is posted to this list, and
    // what it posted before is dropped by QObject with the list.
    FChangeThread.reset();
    DeviceChangeHandler().UnregisterHandler(&TFbCustomShellList::DeviceChanged, this);
    FRefreshTimer.stop();
    SaveColumnWidths();
    {
        TFbCounterGuard updating(FUpdating);
        ClearItems();
    }
    if (FTree != nullptr)
        FTree->ShellListDestroyed();
    FFolder.OnChange = nullptr;
    FreeItemList(FFolderList);
}

TFbShellListData* TFbCustomShellList::ListData(const TFbListItem* item) {
    return item != nullptr ? dynamic_cast<TFbShellListData*>(item->Data()) : nullptr;
}

TFbShellListData* TFbCustomShellList::SelectedData() const {
    return ListData(Selected());
}

void TFbCustomShellList::SetFileFilter(const std::string& filter) {
    if (filter == FFileFilter)
        return;
    FFileFilter = filter;
    FMasks = SplitFileFilter(filter);
    if (FOptions.testFlag(sloAutoFill))
        FillList();
}

void TFbCustomShellList::SetOptions(TFbShellListOptions options) {
    const TFbShellListOptions changed = FOptions ^ options;
    FOptions = options;
    if (changed.testFlag(sloOleDrop))
        ApplyDropOption();
    if (!FWindowCreated)
        return;
    if (changed.testFlag(sloDynamicRefresh)) {
        if (FOptions.testFlag(sloDynamicRefresh))
            StartWatching();
        else
            StopWatching();
    }
    // Which folders are admitted is decided when an item is added; a merge keeps the
    // items it already has, so only a fill can take folders out.
    if (changed.testFlag(sloHideFoldersWhenLinkedToTree))
        FillList();
    else if (changed.testFlag(sloShowHidden))
        RefreshList();
}

void TFbCustomShellList::FolderChanged() {
    if (FUpdating == 0) {
        TFbCounterGuard updating(FUpdating);
        if (FTree != nullptr)
            FTree->NavigateTo(FFolder.ItemList());
        FillList();
    }
    if (OnFolderChanged)
        OnFolderChanged(this);
}

void TFbCustomShellList::TreeNodeSelected(PCItemIDList list) {
    FFolder.SetItemList(list);
}

void TFbCustomShellList::SetSortColumn(int column) {
    if (column == 0 || column == FSortColumn)
        return;
    FSortColumn = column;
    SetSortMark(std::abs(column) - 1, column > 0);
    Sort();
}

int TFbCustomShellList::CompareItems(TFbListItem* a, TFbListItem* b) const {
    TFbShellListData* da = ListData(a);
    TFbShellListData* db = ListData(b);
    if (da == nullptr || db == nullptr || !FShellFolder)
        return 0;
    const HResult hr =
        FShellFolder->CompareIDs(std::abs(FSortColumn) - 1, da->RelativeItem(), db->RelativeItem());
    const int order = sh::Succeeded(hr) ? sh::CompareCode(hr) : 0;
    return FSortColumn < 0 ? -order : order;
}

void TFbCustomShellList::Sort() {
    // Ascending, the folder puts its own items in CompareItems' order, looking at each item
    // once instead of at two items a comparison. Descending stays a comparison, so equal
    // items keep their order there too.
    if (FSortColumn > 0 && FShellFolder) {
        std::vector<PCItemIDList> items;
        items.reserve(static_cast<std::size_t>(ItemCount()));
        for (int i = 0; i < ItemCount(); ++i) {
            const TFbShellListData* data = ListData(Item(i));
            if (data == nullptr)
                break;
            items.push_back(data->RelativeItem());
        }
        if (items.size() == static_cast<std::size_t>(ItemCount())) {
            std::vector<std::size_t> order;
            FShellFolder->SortItems(FSortColumn - 1, items, order);
            ArrangeItems(order);
            return;
        }
    }
    CustomSort([this](TFbListItem* a, TFbListItem* b) { return CompareItems(a, b); });
}

void TFbCustomShellList::ColumnClicked(int column) {
    const int before = FSortColumn;
    TFbCustomListView::ColumnClicked(column);
    if (FSortColumn != before)
        return; // the handler chose the order itself
    const int clicked = column + 1;
    SetSortColumn(std::abs(FSortColumn) == clicked ? -FSortColumn : clicked);
}

std::string TFbCustomShellList::ItemCaption(TFbListItem* item) {
    if (!item->CaptionKnown()) {
        TFbShellListData* data = ListData(item);
        item->SetCaption(data != nullptr ? data->DisplayName() : std::string());
    }
    return item->Caption();
}

std::string TFbCustomShellList::SubItemText(TFbListItem* item, int column) {
    const std::string set = TFbCustomListView::SubItemText(item, column);
    TFbShellListData* data = ListData(item);
    if (!set.empty() || data == nullptr)
        return set;
    if (!FDetailsFromFolder)
        return data->ColumnText(column);
    sh::ShellDetails details;
    if (!FShellFolder ||
        sh::Failed(FShellFolder->GetDetailsOf(data->RelativeItem(), column, details)))
        return {};
    return details.text;
}

int TFbCustomShellList::ItemImage(TFbListItem* item) {
    if (item->ImageIndex() >= 0)
        return item->ImageIndex();
    if (OnGetImageIndex)
        OnGetImageIndex(this, item);
    if (item->ImageIndex() < 1) {
        TFbShellListData* data = ListData(item);
        std::string icon;
        int index = 0;
        if (data != nullptr && FShellFolder &&
            sh::Succeeded(FShellFolder->GetIconOf(data->RelativeItem(), false, icon)))
            index = TSystemImageList::IndexOf(icon);
        item->SetImageIndex(index);
    }
    return item->ImageIndex();
}

std::string TFbCustomShellList::ItemHint(TFbListItem* item) {
    TFbShellListData* data = ListData(item);
    if (data == nullptr)
        return {};
    std::string hint = data->FullPath();
    if (OnPopupHint)
        OnPopupHint(this, item, hint);
    return hint;
}

void TFbCustomShellList::ItemDeleting(TFbListItem* item) {
    if (item == FDropHighlight)
        FDropHighlight = nullptr;
    if (item == FRenamed)
        FRenamed = nullptr;
    if (OnDeleteItem)
        OnDeleteItem(this, item, ListData(item));
}

std::vector<PCItemIDList> TFbCustomShellList::SelectedRelativeItems() const {
    std::vector<PCItemIDList> items;
    for (TFbListItem* item : SelectedItems()) {
        if (TFbShellListData* data = ListData(item))
            items.push_back(data->RelativeItem());
    }
    return items;
}

void TFbCustomShellList::OpenSelected() {
    const std::vector<TFbListItem*> selected = SelectedItems();
    if (selected.size() < 2) {
        if (!selected.empty())
            OpenItem(selected.front());
        return;
    }
    bool handled = false;
    if (OnDblClickOpen)
        OnDblClickOpen(this, nullptr, handled);
    if (!handled)
        InvokeDefaultVerb(FShellFolder, SelectedRelativeItems());
}

void TFbCustomShellList::OpenItem(TFbListItem* item) {
    TFbShellListData* data = ListData(item);
    if (data == nullptr)
        return;
    if (data->IsFolder()) {
        EnterFolder(data->AbsoluteItemList());
        return;
    }
    if (data->IsLink()) {
        if (sh::UniqueIdList target(data->LinkTargetFolder()); target) {
            EnterFolder(target.get());
            return;
        }
    }
    bool handled = false;
    if (OnDblClickOpen)
        OnDblClickOpen(this, data, handled);
    if (!handled)
        InvokeDefaultVerb(FShellFolder, {data->RelativeItem()});
}

void TFbCustomShellList::EnterFolder(PCItemIDList list) {
    if (FOptions.testFlag(sloDontChangeFolder))
        return;
    // The list may be about to be refilled from under the caller's item: a copy is
    // entered, not the item's own list.
    sh::UniqueIdList target(CopyItemList(list));
    ClearSelection();
    ClearItems();
    if (FTree != nullptr)
        FTree->CurrentFolder()->SetItemList(target.get());
    else
        FFolder.SetItemList(target.get());
}

void TFbCustomShellList::GoUp(int levels) {
    if (FOptions.testFlag(sloDontChangeFolder) || levels <= 0)
        return;
    if (FTree != nullptr) {
        FTree->GoUp(levels);
        return;
    }
    TFbIdListArray items(FFolder.ItemList());
    const int up = std::min(levels, items.ItemCount());
    if (up > 0)
        FFolder.SetItemList(items.Ancestor(up));
}

bool TFbCustomShellList::OnNetworkVolume() const {
    const std::string path = ItemListToPath(FFolderList);
    return !path.empty() &&
           sh::VolumeHolding(sh::UserVolumes(), path).kind == platform::MountKind::Remote;
}

void TFbCustomShellList::RunVerb(const char* verb, bool refresh) {
    const std::vector<PCItemIDList> items = SelectedRelativeItems();
    if (items.empty())
        return;
    InvokeShellVerb(FShellFolder, items, verb);
    // A network volume tells nobody about its changes: the list looks for itself.
    if (refresh || OnNetworkVolume())
        RefreshList();
}

void TFbCustomShellList::keyPressEvent(QKeyEvent* event) {
    if (FOptions.testFlag(sloDefaultKeyHandling) && !IsEditing()) {
        const Qt::KeyboardModifiers mods =
            event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (event->key() == Qt::Key_Backspace && mods == Qt::NoModifier) {
            GoUp(1);
            return event->accept();
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            mods == Qt::NoModifier) {
            OpenSelected();
            return event->accept();
        }
        switch (DefaultKeyCommand(event)) {
        case kcSelectAll:
            SelectAll();
            return event->accept();
        case kcRefresh:
            Refill();
            return event->accept();
        case kcCopy:
            RunVerb("copy", false);
            return event->accept();
        case kcCut:
            RunVerb("cut", false);
            return event->accept();
        case kcPaste:
            InvokeShellVerb(FShellFolder, {}, "paste");
            RefreshList();
            return event->accept();
        case kcRename:
            StartEditing(ItemFocused());
            return event->accept();
        case kcDelete:
            RunVerb("delete", true);
            return event->accept();
        default:
            break;
        }
    }
    TFbCustomListView::keyPressEvent(event);
}

void TFbCustomShellList::ItemDoubleClicked(TFbListItem*) {
    OpenSelected();
}

void TFbCustomShellList::ShowItemContextMenu(TFbListItem* item, const QPoint& globalPos) {
    std::string verb;
    if (item != nullptr) {
        if (FOptions.testFlag(sloContextMenus))
            verb = PopupShellContextMenu(this, FShellFolder, SelectedRelativeItems(), globalPos);
    } else if (FOptions.testFlag(sloFolderContextMenu)) {
        verb = PopupShellContextMenu(this, FShellFolder, {}, globalPos);
    }
    if (verb == "paste" || verb == "delete")
        RefreshList();
}

bool TFbCustomShellList::CanEdit(TFbListItem* item) {
    TFbShellListData* data = ListData(item);
    if (data == nullptr || !FShellFolder)
        return false;
    PCItemIDList asked = data->RelativeItem();
    std::uint32_t attributes = sh::SFGAO_CANRENAME;
    return sh::Succeeded(FShellFolder->GetAttributesOf(1, &asked, attributes)) &&
           (attributes & sh::SFGAO_CANRENAME) != 0;
}

std::string TFbCustomShellList::EditText(TFbListItem* item) {
    TFbShellListData* data = ListData(item);
    return data != nullptr ? DisplayNameOf(FShellFolder, data->RelativeItem(), dnkForEditing)
                           : item->Caption();
}

void TFbCustomShellList::Edited(TFbListItem* item, std::string& text) {
    TFbShellListData* data = ListData(item);
    if (data == nullptr || !FShellFolder)
        return;
    std::string name = TrimName(text);
    if (OnEdited)
        OnEdited(this, item, name);
    FSkipNextChange = true;
    PItemIDList renamed = nullptr;
    const HResult hr = FShellFolder->SetNameOf(data->RelativeItem(), name, kRenameFlags, &renamed);
    if (sh::Succeeded(hr) && renamed != nullptr) {
        // The item keeps its place and selection: the refresh that follows finds it
        // under its new name rather than seeing one file go and another come.
        data->SetRelativeItem(renamed);
        item->Invalidate();
        UpdateItem(item);
        FRenamed = item;
    } else {
        FreeItemList(renamed);
    }
    if (sh::Failed(hr)) {
        FSkipNextChange = false;
        ShowMessageBox(sh::SystemErrorText(hr), Application().Title(), MB_OK | MB_ICONERROR, this);
        return;
    }
    FRefreshPending = true; // runs once the editor has closed
}

void TFbCustomShellList::EditingEnded() {
    AfterEditorClosed(this, [this] {
        // The list stays in the order its sort mark shows, under the new name too.
        if (TFbListItem* renamed = std::exchange(FRenamed, nullptr))
            RepositionItem(renamed,
                           [this](TFbListItem* a, TFbListItem* b) { return CompareItems(a, b); });
        if (FRefreshPending && !IsEditing())
            RefreshList();
    });
}

void TFbCustomShellList::ChangeNotified() {
    if (AcceptChange(FSkipNextChange, FDragging))
        FRefreshTimer.start(RefreshDelayFor(this));
}

void TFbCustomShellList::RefreshTimerFired() {
    if (FTree != nullptr) {
        // The tree's pending selection is carried out first, so list and tree agree.
        TFbCounterGuard updating(FUpdating);
        FTree->FlushPendingChange(false);
    }
    // When that moved the list to another folder, the list shows that folder now; a
    // merge would only compare the old folder with itself.
    if (CompareItemLists(FFolder.ItemList(), FFolderList) != 0 &&
        !(sh::IsEmptyIdList(FFolder.ItemList()) && sh::IsEmptyIdList(FFolderList)))
        FillList();
    else
        RefreshList();
}

void TFbCustomShellList::FlushPendingChange(bool flushTree) {
    if (FRefreshTimer.isActive()) {
        FRefreshTimer.stop();
        RefreshTimerFired();
    }
    if (flushTree && FTree != nullptr)
        FTree->FlushPendingChange(false);
}

bool TFbCustomShellList::event(QEvent* event) {
    const auto fill = [this] {
        if (ItemCount() == 0)
            FillList();
    };
    return HandleControlEvent(
               event, [this] { ChangeNotified(); }, fill) ||
           TFbCustomListView::event(event);
}

void TFbCustomShellList::showEvent(QShowEvent* event) {
    TFbCustomListView::showEvent(event);
    if (FWindowCreated)
        return;
    // The first showing stands for the creation of the control's window.
    FWindowCreated = true;
    if (FOptions.testFlag(sloAutoFill) && ItemCount() == 0)
        PostDeferredFill(this);
}
