// The folder tree: a tree view over the shell namespace whose root is the base folder and
// whose nodes are folders (and, on request, files), each enumerated only when its parent
// is first expanded. It owns the locator of the selected folder and may drive one file
// list, which then always shows the folder selected here.
#pragma once

#include "shell/FbChangeHandlerThread.h"
#include "shell/FbControlSupport.h"
#include "shell/FbDragAutoScroll.h"
#include "shell/FbShellDragDrop.h"
#include "shell/FbShellLocator.h"
#include "shell/FbShellTreeData.h"
#include "shell/FbShellTypes.h"
#include "shell/FbTreeVw.h"

#include <memory>

#include <QTimer>

class TFbCustomShellList;
class TFbDeviceChangeEvent;

class TFbCustomShellTree : public TFbCustomTreeView {
    Q_OBJECT
public:
    using TFbShTreeInsertItemEvent = std::function<void(QObject* Sender, TFbTreeNode* Node)>;
    using TFbShTreeDeleteItemEvent =
        std::function<void(QObject* Sender, TFbTreeNode* Node, TFbShellTreeData* TreeData)>;
    // The tip of a node; arrives as its full path (empty for a virtual folder), and an
    // empty text shows none.
    using TFbShTreePopupHintEvent =
        std::function<void(QObject* Sender, TFbTreeNode* Node, std::string& HintText)>;

    // What the delay timer runs when it fires.
    enum TDelayAction { daNone = 0, daPropagateSelection = 1, daRefresh = 2 };
    static constexpr int kDefaultChangeDelay = 500;

    explicit TFbCustomShellTree(QWidget* parent = nullptr);
    ~TFbCustomShellTree() override;

    // The folder at the root (the desktop unless set). Setting it refills the tree.
    TFbShellLocator* BaseFolder() { return &FBaseFolder; }
    void SetBaseFolder(const TFbShellLocator& value) { FBaseFolder.Assign(&value); }
    // The selected folder. Setting its path or list while the tree has nodes selects it.
    TFbShellLocator* CurrentFolder() { return &FCurrentFolder; }

    TFbCustomShellList* ShellList() const { return FShellList; }
    void SetShellList(TFbCustomShellList* list);

    TFbShellTreeOptions Options() const { return FOptions; }
    void SetOptions(TFbShellTreeOptions options);

    // How long a selection made with the keyboard waits before the list follows it.
    int ChangeDelay() const { return FChangeDelay; }
    void SetChangeDelay(int ms) { FChangeDelay = ms; }

    void FillTree();
    void RefreshTree();
    void NavigateTo(PCItemIDList list);
    void GoUp(int levels);
    // Runs a pending delayed action now (and the list's too when `flushList`).
    void FlushPendingChange(bool flushList);
    // Watches every fixed, in-memory and network volume for changes, and within them the
    // folders the tree shows, replacing the watches before.
    void StartWatching();
    // The folders below the volume roots whose changes are reported now, "/" at the end.
    std::vector<std::string> WatchedFolders() const;

    bool Dragging() const { return FDragging; }
    bool RefreshPending() const { return FRefreshPending; }
    // The node drawn as the target of the drag over the tree; null when none is.
    TFbTreeNode* DropHighlight() const { return FDropHighlight; }
    // The scrolling and hover expansion of a drag over the tree.
    TFbDragAutoScroll& AutoScroll() { return FAutoScroll; }
    // The data a drag of `node` carries (the caller owns it) and the effects it allows;
    // null for the root and for nodes without a parent folder.
    QMimeData* MakeNodeDragData(TFbTreeNode* node, std::uint32_t& effects);
    TDelayAction PendingAction() const { return FDelayAction; }
    // The record of the selected node; null when none is selected.
    TFbShellTreeData* SelectedData() const { return ShellData(Selected()); }

    TFbShAddItemEvent OnAddItem;
    TFbShTreeInsertItemEvent OnInsertItem;
    TFbShTreeDeleteItemEvent OnDeleteItem;
    TNotifyEvent OnFillStart;
    TNotifyEvent OnFillComplete;
    TFbShTreePopupHintEvent OnPopupHint;

protected:
    void Change(TFbTreeNode* node) override;
    void GetImageIndex(TFbTreeNode* node) override;
    bool CanEdit(TFbTreeNode* node) override;
    std::string EditText(TFbTreeNode* node) override;
    void Edited(TFbTreeNode* node, std::string& text) override;
    void EditingEnded() override;
    bool CanExpand(TFbTreeNode* node) override;
    // A folder's children are sorted by the folder itself as they are filled in, in this
    // order: it is not to be overridden.
    int CompareNodes(const TFbTreeNode* a, const TFbTreeNode* b) const final;
    std::string NodeHint(TFbTreeNode* node) override;
    void NodeDeleting(TFbTreeNode* node) override;
    void ShowNodeContextMenu(TFbTreeNode* node, const QPoint& globalPos) override;

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
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    bool DrawnSelected(const QModelIndex& index) const override;

private:
    friend class TFbCustomShellList;

    // Drag and drop.
    void ApplyDropOption();
    void StartNodeDrag(TFbTreeNode* node, Qt::MouseButton button);
    TFbTreeNode* NodeAt(const QPoint& pos) const;
    std::unique_ptr<platform::shellns::IDropTarget> NodeDropTarget(TFbTreeNode* node);
    void DragMovedOver(QDropEvent* event);
    void SetDropHighlight(TFbTreeNode* node);
    void HoverExpand(const QPoint& pos);
    void DragEnded();

    std::uint32_t EnumFlags() const;
    // Creates the root when `node` is null; answers the node filled.
    TFbTreeNode* FillNode(const ShellFolderPtr& folder, TFbTreeNode* node);
    // A node for `item` of `folder` under `parentNode`, not yet inserted; null (with
    // S_OK) when the item is not shown. Fails when its attributes cannot be asked.
    HResult AddItemNode(const ShellFolderPtr& folder, PCItemIDList parentList, PCItemIDList item,
                        TFbTreeNode* parentNode, TFbTreeNode*& node);
    void InsertSorted(TFbTreeNode* parent, TFbTreeNode* node);
    void ExpandNode(TFbTreeNode* node);
    void MergeNode(TFbTreeNode* node, TFbTreeNode*& remembered);
    TFbTreeNode* FindChild(TFbTreeNode* node, PCItemIDList item);
    void SelectImmediately(TFbTreeNode* node);
    // Scrolls `node` into view with the first of its sub-folders below it.
    void ScrollIntoViewWithChildren(TFbTreeNode* node);
    void Propagate(TFbTreeNode* node);
    void DelayTimerFired();
    void RunVerb(const char* verb, bool refresh);
    void ChangeNotified();
    void BaseFolderChanged();
    void CurrentFolderChanged();
    void ShellListDestroyed() { FShellList = nullptr; }
    void StopWatching();
    void WatchShownFolders();
    // The folders the tree shows, one list per watch in FWatches: each under the watch
    // of the volume holding it.
    std::vector<std::vector<std::string>> ShownFoldersByWatch() const;
    void QueueWatchShownFolders();
    static void DeviceChanged(QObject* control, const TFbDeviceChangeEvent& message);

    TFbShellLocator FBaseFolder;
    TFbShellLocator FCurrentFolder;
    TFbCustomShellList* FShellList = nullptr;
    TFbShellTreeOptions FOptions = kDefaultShellTreeOptions;
    int FChangeDelay = kDefaultChangeDelay;
    QTimer FDelayTimer;
    TDelayAction FDelayAction = daNone;
    // A change on disk arrived while a selection was waiting to reach the list: refresh
    // once it has.
    bool FRefreshAfterPropagation = false;
    int FUpdating = 0;
    bool FImmediate = false;
    bool FDragging = false;
    bool FRefreshPending = false;
    bool FSkipNextChange = false;
    bool FWindowCreated = false;
    bool FSelectWithoutScrolling = false; // a refresh selecting its node again
    // Made on the first StartWatching; destroyed first in the destructor, so the thread
    // has ended before anything it posts to is gone.
    std::unique_ptr<TChangeHandlerThread> FChangeThread;
    std::vector<platform::TChangeNotificationPtr> FWatches; // one per watched volume
    bool FWatchUpdateQueued = false;
    TFbDragStartTracker FDragStart;
    TFbShellDropTracker FDrop;
    TFbDragAutoScroll FAutoScroll{this};
    TFbTreeNode* FDragNode = nullptr;      // the node this tree is dragging out
    TFbTreeNode* FDropHighlight = nullptr; // the node drawn as the drop target
};

class TFbShellTree : public TFbCustomShellTree {
    Q_OBJECT
public:
    using TFbCustomShellTree::TFbCustomShellTree;
};
