#include "shell/FbShellTree.h"

#include "gui/Application.h"
#include "gui/MessageBox.h"
#include "gui/SystemImageList.h"
#include "platform/shellns/ItemIdList.h"
#include "shell/FbDeviceChangeHandler.h"
#include "shell/FbShellCommands.h"
#include "shell/FbShellList.h"

#include <utility>

#include <QKeyEvent>
#include <QMouseEvent>

namespace sh = platform::shellns;

namespace {

void DropDescendantCaches(TFbTreeNode* node) {
    for (int i = 0; i < node->Count(); ++i) {
        if (TFbShellTreeData* data = ShellData(node->Child(i)))
            data->DropCaches();
        DropDescendantCaches(node->Child(i));
    }
}

} // namespace

TFbCustomShellTree::TFbCustomShellTree(QWidget* parent) : TFbCustomTreeView(parent) {
    SetShowRoot(false);
    resize(150, 150);
    FDelayTimer.setSingleShot(true);
    // Precise, so a keyboard selection never reaches the list before its delay is up.
    FDelayTimer.setTimerType(Qt::PreciseTimer);
    connect(&FDelayTimer, &QTimer::timeout, this, [this] { DelayTimerFired(); });
    FBaseFolder.OnChange = [this](TFbShellLocator*) {
        BaseFolderChanged();
    };
    FCurrentFolder.OnChange = [this](TFbShellLocator*) {
        CurrentFolderChanged();
    };
    DeviceChangeHandler().RegisterHandler(&TFbCustomShellTree::DeviceChanged, this);
    FAutoScroll.OnHover = [this](const QPoint& pos) {
        HoverExpand(pos);
    };
    ApplyDropOption();
}

TFbCustomShellTree::~TFbCustomShellTree() {
    // The watcher goes first: once it has ended, nothing more is posted to this tree, and
    // what it posted before is dropped by QObject with the tree. The tree's own handles go
    // before it, so the watcher closes the last of them, off this thread.
    FWatches.clear();
    FChangeThread.reset();
    DeviceChangeHandler().UnregisterHandler(&TFbCustomShellTree::DeviceChanged, this);
    FDelayTimer.stop();
    {
        TFbCounterGuard updating(FUpdating);
        SetSelected(nullptr);
        ClearNodes();
    }
    if (FShellList != nullptr)
        FShellList->TreeDestroyed();
    FBaseFolder.OnChange = nullptr;
    FCurrentFolder.OnChange = nullptr;
}

void TFbCustomShellTree::SetShellList(TFbCustomShellList* list) {
    if (FShellList == list)
        return;
    if (FShellList != nullptr)
        FShellList->TreeDestroyed();
    FShellList = list;
    if (FShellList != nullptr) {
        FShellList->SetTreeLink(this);
        FShellList->Folder()->Assign(&FCurrentFolder);
    }
}

void TFbCustomShellTree::SetOptions(TFbShellTreeOptions options) {
    const TFbShellTreeOptions changed = FOptions ^ options;
    FOptions = options;
    if (changed.testFlag(stoOleDrop))
        ApplyDropOption();
    if (changed.testFlag(stoDynamicRefresh)) {
        if (FOptions.testFlag(stoDynamicRefresh))
            StartWatching();
        else
            StopWatching();
    }
}

void TFbCustomShellTree::BaseFolderChanged() {
    {
        TFbCounterGuard updating(FUpdating);
        FCurrentFolder.SetItemList(nullptr);
    }
    if (FOptions.testFlag(stoAutoFill)) {
        FImmediate = true;
        FillTree();
        FImmediate = false;
    }
}

void TFbCustomShellTree::CurrentFolderChanged() {
    if (NodeCount() > 0)
        NavigateTo(FCurrentFolder.ItemList());
}

void TFbCustomShellTree::SelectImmediately(TFbTreeNode* node) {
    if (node == nullptr)
        return;
    FImmediate = true;
    SetSelected(node);
    FImmediate = false;
}

void TFbCustomShellTree::Change(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    if (FUpdating > 0) {
        if (data != nullptr)
            FCurrentFolder.SetItemList(data->AbsoluteItemList());
        return;
    }
    TFbCustomTreeView::Change(node);
    if (data == nullptr)
        return;
    if (FImmediate || FShellList == nullptr) {
        Propagate(node);
        FImmediate = false;
        return;
    }
    // Moving through the tree with the arrow keys should not fill the list for every
    // folder passed on the way: it follows once the keys rest.
    FDelayAction = daPropagateSelection;
    FDelayTimer.start(FChangeDelay);
}

void TFbCustomShellTree::Propagate(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return;
    TFbCounterGuard updating(FUpdating);
    FCurrentFolder.SetItemList(data->AbsoluteItemList());
    if (FShellList != nullptr)
        FShellList->TreeNodeSelected(data->AbsoluteItemList());
}

void TFbCustomShellTree::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!FSelectWithoutScrolling)
        TFbCustomTreeView::scrollTo(index, hint);
}

void TFbCustomShellTree::DelayTimerFired() {
    const TDelayAction action = FDelayAction;
    FDelayAction = daNone;
    if (action == daPropagateSelection) {
        Propagate(Selected());
        FImmediate = false;
        if (std::exchange(FRefreshAfterPropagation, false)) {
            FDelayAction = daRefresh;
            FDelayTimer.start(RefreshDelayFor(this));
        }
    } else if (action == daRefresh) {
        RefreshTree();
    }
}

void TFbCustomShellTree::FlushPendingChange(bool flushList) {
    if (FDelayTimer.isActive()) {
        FDelayTimer.stop();
        DelayTimerFired();
    }
    if (flushList && FShellList != nullptr)
        FShellList->FlushPendingChange(false);
}

void TFbCustomShellTree::GoUp(int levels) {
    TFbTreeNode* node = Selected();
    if (node == nullptr)
        return;
    for (int i = 0; i < levels && node->Parent() != nullptr; ++i)
        node = node->Parent();
    SelectImmediately(node);
}

void TFbCustomShellTree::ChangeNotified() {
    if (!AcceptChange(FSkipNextChange, FDragging))
        return;
    // The folder the user chose goes to the list first. Taking over the timer would hold it
    // back for as long as changes keep coming (a busy /tmp or a download never rests), and
    // the list would go on showing the folder before.
    if (FDelayAction == daPropagateSelection) {
        FRefreshAfterPropagation = true;
        return;
    }
    FDelayAction = daRefresh;
    FDelayTimer.start(RefreshDelayFor(this));
}

bool TFbCustomShellTree::event(QEvent* event) {
    const auto fill = [this] {
        if (NodeCount() == 0)
            FillTree();
    };
    return HandleControlEvent(
               event, [this] { ChangeNotified(); }, fill) ||
           TFbCustomTreeView::event(event);
}

void TFbCustomShellTree::showEvent(QShowEvent* event) {
    TFbCustomTreeView::showEvent(event);
    if (FWindowCreated)
        return;
    // The first showing stands for the creation of the control's window: a tree set to
    // fill itself does so once the event loop turns, so the window appears at once.
    FWindowCreated = true;
    if (FOptions.testFlag(stoAutoFill) && NodeCount() == 0)
        PostDeferredFill(this);
    if (FShellList != nullptr)
        FShellList->Folder()->Assign(&FCurrentFolder);
}

void TFbCustomShellTree::mousePressEvent(QMouseEvent* event) {
    // A click selects at once, so the list follows at once; the flag must not outlive
    // the click, or the next key press would skip its delay.
    FImmediate = true;
    FDragStart.Pressed(event);
    TFbCustomTreeView::mousePressEvent(event);
    FImmediate = false;
}

void TFbCustomShellTree::keyPressEvent(QKeyEvent* event) {
    if (FOptions.testFlag(stoDefaultKeyHandling) && !IsEditing()) {
        switch (DefaultKeyCommand(event)) {
        case kcRename:
            StartEditing(Selected());
            return event->accept();
        case kcRefresh:
            RefreshTree();
            return event->accept();
        case kcCut:
            RunVerb("cut", false);
            return event->accept();
        case kcCopy:
            RunVerb("copy", false);
            return event->accept();
        case kcPaste:
            RunVerb("paste", true);
            return event->accept();
        case kcDelete:
            RunVerb("delete", true);
            return event->accept();
        default:
            break;
        }
    }
    TFbCustomTreeView::keyPressEvent(event);
}

void TFbCustomShellTree::RunVerb(const char* verb, bool refresh) {
    TFbShellTreeData* data = SelectedData();
    if (data == nullptr || data->IsRoot())
        return;
    InvokeShellVerb(data->ParentFolder(), {data->RelativeItem()}, verb);
    if (refresh)
        RefreshTree();
}

void TFbCustomShellTree::ShowNodeContextMenu(TFbTreeNode* node, const QPoint& globalPos) {
    TFbShellTreeData* data = ShellData(node);
    if (!FOptions.testFlag(stoContextMenus) || data == nullptr)
        return;
    const std::string verb =
        data->IsRoot()
            ? PopupShellContextMenu(this, data->ItemFolder(), {}, globalPos)
            : PopupShellContextMenu(this, data->ParentFolder(), {data->RelativeItem()}, globalPos);
    if (verb == "paste" || verb == "delete")
        RefreshTree();
}

void TFbCustomShellTree::GetImageIndex(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return;
    if (data->IsRoot()) {
        node->SetImages(SystemIconIndex(data->AbsoluteItemList(), false),
                        SystemIconIndex(data->AbsoluteItemList(), true));
        return;
    }
    // Asked of the parent folder directly: the same icon SystemIconIndex finds for the
    // absolute list, without binding every folder on the way down for each node drawn.
    const ShellFolderPtr& parent = data->ParentFolder();
    std::string normal;
    std::string open;
    if (!parent || sh::Failed(parent->GetIconOf(data->RelativeItem(), false, normal)))
        return;
    if (sh::Failed(parent->GetIconOf(data->RelativeItem(), true, open)))
        open = normal;
    node->SetImages(TSystemImageList::IndexOf(normal), TSystemImageList::IndexOf(open));
}

int TFbCustomShellTree::CompareNodes(const TFbTreeNode* a, const TFbTreeNode* b) const {
    TFbShellTreeData* da = ShellData(a);
    TFbShellTreeData* db = ShellData(b);
    if (da == nullptr || db == nullptr)
        return 0;
    const ShellFolderPtr& folder = da->ParentFolder();
    if (!folder)
        return 0;
    const HResult hr = folder->CompareIDs(0, da->RelativeItem(), db->RelativeItem());
    return sh::Succeeded(hr) ? sh::CompareCode(hr) : 0;
}

std::string TFbCustomShellTree::NodeHint(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return {};
    std::string hint = ItemListToPath(data->AbsoluteItemList());
    if (OnPopupHint)
        OnPopupHint(this, node, hint);
    return hint;
}

void TFbCustomShellTree::NodeDeleting(TFbTreeNode* node) {
    if (node == FDropHighlight)
        FDropHighlight = nullptr;
    if (node == FDragNode)
        FDragNode = nullptr;
    if (OnDeleteItem)
        OnDeleteItem(this, node, ShellData(node));
}

bool TFbCustomShellTree::CanEdit(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr || data->IsRoot() || sh::IsEmptyIdList(data->AbsoluteItemList()))
        return false;
    return (data->Attributes(sh::SFGAO_CANRENAME) & sh::SFGAO_CANRENAME) != 0;
}

std::string TFbCustomShellTree::EditText(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    return data != nullptr ? data->DisplayName(dnkForEditing) : node->Text();
}

void TFbCustomShellTree::Edited(TFbTreeNode* node, std::string& text) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return;
    std::string name = TrimName(text);
    if (OnEdited)
        OnEdited(this, node, name);
    // The rename is this tree's own doing; the change on disk it causes needs no refresh.
    FSkipNextChange = true;
    const ShellFolderPtr parent = data->ParentFolder();
    HResult hr = sh::E_FAIL;
    {
        TFbCounterGuard updating(FUpdating);
        PItemIDList renamed = nullptr;
        if (parent)
            hr = parent->SetNameOf(data->RelativeItem(), name, kRenameFlags, &renamed);
        if (sh::Succeeded(hr) && renamed != nullptr) {
            node->SetText(DisplayNameOf(parent, renamed, dnkInFolder));
            data->SetRelativeItem(renamed);
            DropDescendantCaches(node);
            FCurrentFolder.SetItemList(data->AbsoluteItemList());
            if (FShellList != nullptr)
                FShellList->Folder()->SetItemList(data->AbsoluteItemList());
        } else {
            FreeItemList(renamed);
            node->SetText(data->DisplayName(dnkInFolder));
        }
    }
    if (node->Parent() != nullptr)
        node->Parent()->sortChildren(0, Qt::AscendingOrder);
    if (sh::Failed(hr)) {
        FSkipNextChange = false; // nothing changed on disk
        ShowMessageBox(sh::SystemErrorText(hr), Application().Title(), MB_OK | MB_ICONERROR, this);
    }
}

void TFbCustomShellTree::EditingEnded() {
    // Run once the editor is gone: a refresh requested while it was open waited for it.
    AfterEditorClosed(this, [this] {
        if (FRefreshPending && !IsEditing())
            RefreshTree();
    });
}
