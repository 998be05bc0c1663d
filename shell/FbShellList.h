// The file list: a report view of one shell folder's content, filtered by a list of name
// masks, with the folder's detail columns, sorting by any column, opening of items and a
// refresh that merges changes in. Linked to a folder tree it shows the folder selected
// there and moves the tree's selection along when it changes folder itself.
#pragma once

#include "shell/FbChangeHandlerThread.h"
#include "shell/FbControlSupport.h"
#include "shell/FbDragAutoScroll.h"
#include "shell/FbFileMasks.h"
#include "shell/FbListVw.h"
#include "shell/FbShellDragDrop.h"
#include "shell/FbShellListData.h"
#include "shell/FbShellLocator.h"
#include "shell/FbShellTypes.h"
#include "shell/FbThumbnailSource.h"

#include <memory>

#include <QTimer>

class TFbCustomShellTree;
class TFbPidlList;
class TFbDeviceChangeEvent;

class TFbCustomShellList : public TFbCustomListView {
    Q_OBJECT
public:
    using TFbShListDeleteItemEvent =
        std::function<void(QObject* Sender, TFbListItem* Item, TFbShellListData* ListData)>;
    // Opening: `ListData` is the item opened, or null when several are opened at once
    // (the selection says which). Setting Handled (which arrives false) opens nothing.
    using TFbShDblClickOpenEvent =
        std::function<void(QObject* Sender, TFbShellListData* ListData, bool& Handled)>;
    // The tip of an item; arrives as its full path, and an empty text shows none.
    using TFbShListPopupHintEvent =
        std::function<void(QObject* Sender, TFbListItem* Item, std::string& HintText)>;

    explicit TFbCustomShellList(QWidget* parent = nullptr);
    ~TFbCustomShellList() override;

    // The folder shown. Each change to another folder fills the list.
    TFbShellLocator* Folder() { return &FFolder; }
    void SetFolder(const TFbShellLocator& value) { FFolder.Assign(&value); }
    const std::string& FileFilter() const { return FFileFilter; }
    void SetFileFilter(const std::string& filter);
    TFbShellListOptions Options() const { return FOptions; }
    void SetOptions(TFbShellListOptions options);
    TFbCustomShellTree* Tree() const { return FTree; }
    bool HidesFoldersWhenLinked() const {
        return FTree != nullptr && FOptions.testFlag(sloHideFoldersWhenLinkedToTree);
    }

    // The folder of the last fill: its list (null before the first) and its interface.
    PCItemIDList FolderItemList() const { return FFolderList; }
    const ShellFolderPtr& ShellFolder() const { return FShellFolder; }
    // Whether the columns are the folder's own (else Name, Size, Type, Modified).
    bool HasDetailsProvider() const { return FDetailsFromFolder; }
    // The sort column, 1-based, negative when descending.
    int SortColumn() const { return FSortColumn; }
    void SetSortColumn(int column);

    // Where icon view gets its files' pictures (not owned; it must outlive the list or be
    // taken away first). Without one, icon view shows every item's icon.
    TFbThumbnailSource* ThumbnailSource() const { return FThumbnails; }
    void SetThumbnailSource(TFbThumbnailSource* source);
    // The key the source knows the item's file by; false for folders and items that are no
    // file-system files.
    bool ThumbnailKeyOf(TFbListItem* item, TFbThumbnailKey& key) const;

    // The record of the (first) selected item; null when none is selected.
    TFbShellListData* SelectedData() const;
    static TFbShellListData* ListData(const TFbListItem* item);

    void FillList();
    // FillList for the folder shown, keeping the selection and the focus mark on the items
    // that are still there (matched by name). F5 runs it.
    void Refill();
    void RefreshList();
    void OpenSelected();
    void GoUp(int levels);
    void FlushPendingChange(bool flushTree);
    // Watches the folder of the last fill for names that come, go or move, replacing the
    // watch before; a folder without a file-system path is not watched.
    void StartWatching();
    void Sort();

    bool Dragging() const { return FDragging; }
    bool RefreshPending() const { return FRefreshPending; }
    // The item drawn as the target of the drag over the list; null when none is.
    TFbListItem* DropHighlight() const { return FDropHighlight; }
    // The data a drag of the selected items carries (the caller owns it) and the effects
    // they allow; null when nothing is selected.
    QMimeData* MakeSelectionDragData(std::uint32_t& effects);

    TFbShAddItemEvent OnAddItem;
    TFbShListDeleteItemEvent OnDeleteItem;
    TFbShDblClickOpenEvent OnDblClickOpen;
    TNotifyEvent OnFillStart;
    TNotifyEvent OnFillComplete;
    TNotifyEvent OnFolderChanged;
    TFbShListPopupHintEvent OnPopupHint;

protected:
    // Binds the folder a fill lists; the namespace's folder for the list.
    virtual HResult BindFolder(PCItemIDList list, ShellFolderPtr& folder);

    std::string ItemCaption(TFbListItem* item) override;
    std::string SubItemText(TFbListItem* item, int column) override;
    int ItemImage(TFbListItem* item) override;
    std::string ItemHint(TFbListItem* item) override;
    bool CanEdit(TFbListItem* item) override;
    std::string EditText(TFbListItem* item) override;
    void Edited(TFbListItem* item, std::string& text) override;
    void EditingEnded() override;
    void ItemDeleting(TFbListItem* item) override;
    void ColumnClicked(int column) override;
    void ItemDoubleClicked(TFbListItem* item) override;
    void ShowItemContextMenu(TFbListItem* item, const QPoint& globalPos) override;
    TFbItemPicture ItemPicture(TFbListItem* item) override;
    bool ItemDropHighlighted(TFbListItem* item) const override;
    void PicturesPainted() override;
    void ViewStyleChanged() override;

    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    friend class TFbCustomShellTree;

    // Drag and drop.
    void ApplyDropOption();
    void StartSelectionDrag(Qt::MouseButton button);
    // Where a drag at `pos` goes: the folder item under the cursor (`item`), else the
    // folder itself (`item` null); null target when neither takes drops.
    std::unique_ptr<platform::shellns::IDropTarget> DropTargetAt(const QPoint& pos,
                                                                 TFbListItem*& item);
    std::unique_ptr<platform::shellns::IDropTarget> ItemDropTarget(TFbListItem* item);
    std::uint32_t DragOverAt(QDropEvent* event, TFbListItem*& item);
    void SetDropHighlight(TFbListItem* item);
    void DragEnded();

    std::uint32_t EnumFlags() const;
    // Whether the fill of `folder` filters its files: only a folder with a file-system
    // path, and only with a filter that selects.
    void StartFiltering(PCItemIDList folder);
    // A list item for `item` when it is admitted; null otherwise. Takes `item` over.
    std::unique_ptr<TFbListItem> AdmitItem(PItemIDList item);
    void TakeFolder(PItemIDList list, ShellFolderPtr folder);
    void RebuildColumns();
    void SaveColumnWidths();
    int CompareItems(TFbListItem* a, TFbListItem* b) const;
    // Gives existing items whose file changed on disk their new item (same name, new size
    // or time), so they keep their selection; answers the current entries left.
    void TakeChangedItems(TFbPidlList& gone, TFbPidlList& current);
    void OpenItem(TFbListItem* item);
    void EnterFolder(PCItemIDList list);
    std::vector<PCItemIDList> SelectedRelativeItems() const;
    void RunVerb(const char* verb, bool refresh);
    bool OnNetworkVolume() const;
    void FolderChanged();
    void ChangeNotified();
    void RefreshTimerFired();
    void SetTreeLink(TFbCustomShellTree* tree) { FTree = tree; }
    void TreeDestroyed() { FTree = nullptr; }
    void TreeNodeSelected(PCItemIDList list);
    void StopWatching();
    static void DeviceChanged(QObject* control, const TFbDeviceChangeEvent& message);
    // Pictures (FbShellListThumbnails.cpp): the source starts over for the items as they
    // are now, or only learns of items a refresh added or removed; `Cancel` when icon view
    // is not shown.
    void StartThumbnails();
    void UpdateThumbnails();
    void CancelThumbnails();
    std::vector<TFbThumbnailKey> AllThumbnailKeys() const;
    // The path of the folder of the last fill, "/" at the end, as keys begin with it.
    const std::string& PictureFolder() const;
    void ThumbnailArrived(const std::string& path);

    TFbShellLocator FFolder;
    std::string FFileFilter;
    std::vector<std::string> FMasks;
    bool FFiltering = false;
    TFbShellListOptions FOptions = kDefaultShellListOptions;
    PItemIDList FFolderList = nullptr;
    ShellFolderPtr FShellFolder;
    bool FDetailsFromFolder = false;
    bool FWidthsKeepable = false;
    int FSortColumn = 1;
    TFbCustomShellTree* FTree = nullptr;
    int FUpdating = 0;
    bool FDragging = false;
    bool FRefreshPending = false;
    bool FSkipNextChange = false;
    bool FWindowCreated = false;
    TFbListItem* FRenamed = nullptr; // moves to its sorted place once the editor closes
    QTimer FRefreshTimer;
    TFbDragStartTracker FDragStart;
    TFbShellDropTracker FDrop;
    TFbDragAutoScroll FAutoScroll{this};
    TFbListItem* FDropHighlight = nullptr;
    TFbThumbnailSource* FThumbnails = nullptr;
    mutable platform::shellns::UniqueIdList FPictureFolderOf;
    mutable std::string FPictureFolder;
    // Made on the first StartWatching; destroyed first in the destructor, so the thread
    // has ended before anything it posts to is gone.
    std::unique_ptr<TChangeHandlerThread> FChangeThread;
};

class TFbShellList : public TFbCustomShellList {
    Q_OBJECT
public:
    using TFbCustomShellList::TFbCustomShellList;
};
