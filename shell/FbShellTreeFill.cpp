// Filling the folder tree: the root and each node's children, the walk to a folder, and
// the refresh that merges what the namespace holds now into what the tree shows.
#include "gui/Application.h"
#include "gui/SystemImageList.h"
#include "platform/shellns/ItemIdList.h"
#include "shell/FbIdListArray.h"
#include "shell/FbPidlList.h"
#include "shell/FbShellList.h"
#include "shell/FbShellTree.h"

#include <algorithm>

#include <QApplication>
#include <QScopedValueRollback>

namespace sh = platform::shellns;

std::uint32_t TFbCustomShellTree::EnumFlags() const {
    std::uint32_t flags = sh::SHCONTF_FOLDERS;
    if (FOptions.testFlag(stoShowHidden))
        flags |= sh::SHCONTF_INCLUDEHIDDEN;
    if (FOptions.testFlag(stoIncludeNonFolders))
        flags |= sh::SHCONTF_NONFOLDERS;
    return flags;
}

void TFbCustomShellTree::FillTree() {
    if (FDragging || IsEditing()) {
        FRefreshPending = true;
        return;
    }
    FRefreshPending = false;
    {
        TWaitCursor busy;
        {
            TFbCounterGuard updating(FUpdating);
            SetSelected(nullptr);
            ClearNodes();
        }
        ShellFolderPtr folder;
        CheckShell(BindToFolder(FBaseFolder.ItemList(), folder));
        FillNode(folder, nullptr);
        if (FCurrentFolder.ItemList() != nullptr)
            NavigateTo(FCurrentFolder.ItemList());
        else
            SelectImmediately(TopNode(0));
        FlushPendingChange(false);
    }
    if (FOptions.testFlag(stoDynamicRefresh))
        StartWatching();
}

TFbTreeNode* TFbCustomShellTree::FillNode(const ShellFolderPtr& folder, TFbTreeNode* node) {
    TFbFillEvents events(this, OnFillStart, OnFillComplete);
    const bool root = node == nullptr;
    if (root) {
        PCItemIDList base = FBaseFolder.ItemList();
        node = new TFbTreeNode(this);
        node->SetData(std::make_unique<TFbShellTreeData>(base, folder));
        node->SetText(FolderDisplayName(base));
        node->SetImages(SystemIconIndex(base, false), SystemIconIndex(base, true));
        addTopLevelItem(node);
        if (OnInsertItem)
            OnInsertItem(this, node);
    }
    TFbShellTreeData* data = ShellData(node);
    std::unique_ptr<sh::IEnumIDList> items;
    if (!folder || sh::Failed(folder->EnumObjects(EnumFlags(), items)) || !items) {
        // A folder that cannot be listed now (no permission, a medium missing) keeps its
        // mark, so the user may try again; nothing is said.
        node->SetHasChildren(true);
        return node;
    }
    std::vector<TFbTreeNode*> added;
    HResult hr;
    PItemIDList item = nullptr;
    while ((hr = items->Next(item)) == sh::S_OK) {
        sh::UniqueIdList owned(item);
        TFbTreeNode* child = nullptr;
        const HResult addResult = AddItemNode(folder, data->AbsoluteItemList(), item, node, child);
        if (sh::Failed(addResult)) {
            for (TFbTreeNode* n : added)
                delete n;
            throw EFbShellError(addResult);
        }
        if (child != nullptr)
            added.push_back(child);
    }
    if (added.empty())
        node->SetHasChildren(false);
    // Sorted before they go in: one insertion of many nodes is far cheaper for the view
    // than as many single ones, and keeps a folder of thousands responsive.
    std::stable_sort(
        added.begin(), added.end(),
        [this](const TFbTreeNode* a, const TFbTreeNode* b) { return CompareNodes(a, b) < 0; });
    node->addChildren(QList<QTreeWidgetItem*>(added.begin(), added.end()));
    if (OnInsertItem) {
        for (TFbTreeNode* n : added)
            OnInsertItem(this, n);
    }
    if (hr != sh::S_FALSE && hr != sh::E_FAIL && sh::Failed(hr))
        throw EFbShellError(hr);
    if (root)
        node->setExpanded(true);
    return node;
}

HResult TFbCustomShellTree::AddItemNode(const ShellFolderPtr& folder, PCItemIDList parentList,
                                        PCItemIDList item, TFbTreeNode* parentNode,
                                        TFbTreeNode*& node) {
    node = nullptr;
    std::uint32_t attributes = sh::kTreeAttributeMask;
    if (const HResult hr = folder->GetAttributesOf(1, &item, attributes); sh::Failed(hr))
        return hr;
    const bool eligible = FOptions.testFlag(stoVirtualFolders) ||
                          (attributes & (sh::SFGAO_FILESYSTEM | sh::SFGAO_FILESYSANCESTOR)) != 0;
    if (!eligible)
        return sh::S_OK;
    bool allow = true;
    if (OnAddItem)
        OnAddItem(this, folder, parentList, item, attributes, allow);
    if (!allow)
        return sh::S_OK;
    const bool isFolder = (attributes & sh::SFGAO_FOLDER) != 0;
    const bool hasSubFolders = (attributes & sh::SFGAO_HASSUBFOLDER) != 0;
    node = new TFbTreeNode(this);
    node->SetText(DisplayNameOf(folder, item, dnkInFolder));
    node->SetHasChildren(FOptions.testFlag(stoIncludeNonFolders) ? isFolder || hasSubFolders
                                                                 : isFolder && hasSubFolders);
    if ((attributes & sh::SFGAO_SHARE) != 0)
        node->SetOverlayIndex(TSystemImageList::kOverlayShared);
    else if ((attributes & sh::SFGAO_LINK) != 0)
        node->SetOverlayIndex(TSystemImageList::kOverlayLink);
    node->SetCut((attributes & sh::SFGAO_GHOSTED) != 0);
    node->SetData(std::make_unique<TFbShellTreeData>(ShellData(parentNode), CopyItemList(item)));
    return sh::S_OK;
}

void TFbCustomShellTree::InsertSorted(TFbTreeNode* parent, TFbTreeNode* node) {
    int at = parent->Count();
    for (int i = 0; i < parent->Count(); ++i) {
        if (CompareNodes(node, parent->Child(i)) < 0) {
            at = i;
            break;
        }
    }
    parent->insertChild(at, node);
    if (OnInsertItem)
        OnInsertItem(this, node);
}

bool TFbCustomShellTree::CanExpand(TFbTreeNode* node) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr || node->Count() > 0 || !node->HasChildren())
        return true;
    TWaitCursor busy;
    FillNode(data->ItemFolder(), node);
    QueueWatchShownFolders();
    return true;
}

void TFbCustomShellTree::ExpandNode(TFbTreeNode* node) {
    CanExpand(node);
    node->setExpanded(true);
}

TFbTreeNode* TFbCustomShellTree::FindChild(TFbTreeNode* node, PCItemIDList item) {
    const ShellFolderPtr& folder = ShellData(node)->ItemFolder();
    if (!folder)
        return nullptr;
    for (int i = 0; i < node->Count(); ++i) {
        TFbShellTreeData* child = ShellData(node->Child(i));
        if (child == nullptr)
            continue;
        const HResult hr = folder->CompareIDs(0, child->RelativeItem(), item);
        if (sh::Succeeded(hr) && sh::CompareCode(hr) == 0)
            return node->Child(i);
    }
    return nullptr;
}

void TFbCustomShellTree::NavigateTo(PCItemIDList list) {
    if (FUpdating > 0 || NodeCount() == 0)
        return;
    TFbTreeNode* root = TopNode(0);
    TFbIdListArray base(FBaseFolder.ItemList());
    TFbIdListArray target(list);
    TFbTreeNode* node = root;
    const int baseDepth = base.ItemCount();
    if (target.ItemCount() > baseDepth) {
        // A folder outside the base folder has no node; walking its items from the base's
        // depth would make nodes of another folder's children under the root.
        if (baseDepth > 0 && CompareItemLists(target.Ancestor(target.ItemCount() - baseDepth),
                                              FBaseFolder.ItemList()) != 0) {
            QApplication::beep();
        } else {
            ExpandNode(root);
            const bool expandLast = FShellList != nullptr && FShellList->HidesFoldersWhenLinked();
            for (int i = baseDepth; i < target.ItemCount(); ++i) {
                PCItemIDList item = target.ItemAt(i);
                TFbTreeNode* child = FindChild(node, item);
                if (child == nullptr) {
                    // Not listed (hidden, or made since the node was filled): made now.
                    TFbShellTreeData* data = ShellData(node);
                    const ShellFolderPtr& folder = data->ItemFolder();
                    if (folder &&
                        sh::Succeeded(
                            AddItemNode(folder, data->AbsoluteItemList(), item, node, child)) &&
                        child != nullptr)
                        InsertSorted(node, child);
                }
                if (child == nullptr) {
                    QApplication::beep();
                    break;
                }
                node = child;
                if (i + 1 < target.ItemCount() || expandLast)
                    ExpandNode(node);
            }
        }
    } else if (target.ItemCount() > 0) {
        ExpandNode(root);
    }
    SelectImmediately(node);
    ScrollIntoViewWithChildren(node);
}

void TFbCustomShellTree::ScrollIntoViewWithChildren(TFbTreeNode* node) {
    // A folder opened at the last visible row would hide what the user came for: its
    // sub-folders. A few of them show below it, unless the view is too short for that;
    // the folder itself always shows.
    constexpr int kChildrenShown = 3;
    if (node->Expanded() && node->Count() > 0)
        scrollToItem(node->Child(std::min(node->Count(), kChildrenShown) - 1));
    scrollToItem(node);
}

void TFbCustomShellTree::RefreshTree() {
    if (FDragging || IsEditing()) {
        FRefreshPending = true;
        return;
    }
    if (NodeCount() == 0) {
        FillTree();
        return;
    }
    FRefreshPending = false;
    TFbTreeNode* remembered = nullptr;
    {
        TWaitCursor busy;
        TFbFillEvents events(this, OnFillStart, OnFillComplete);
        TFbTreeNode* selected = nullptr;
        // Rows may come and go above the view; the row at its top stays at its top.
        const QPersistentModelIndex top(indexAt(QPoint(0, 0)));
        {
            TFbCounterGuard updating(FUpdating);
            remembered = selected = Selected();
            SetSelected(nullptr);
            MergeNode(TopNode(0), remembered);
        }
        // A refresh comes unasked (a change on disk, a drop): the view stays where the user
        // put it, or the next drop lands on another folder than the one under the cursor.
        // Only a selection that had to move is brought into view.
        {
            const QScopedValueRollback<bool> quiet(FSelectWithoutScrolling, true);
            SelectImmediately(remembered);
        }
        if (top.isValid())
            scrollTo(top, PositionAtTop);
        if (remembered != selected && remembered != nullptr)
            scrollToItem(remembered);
    }
    WatchShownFolders();
}

void TFbCustomShellTree::MergeNode(TFbTreeNode* node, TFbTreeNode*& remembered) {
    TFbShellTreeData* data = ShellData(node);
    if (data == nullptr)
        return;
    const ShellFolderPtr& folder = data->ItemFolder();
    std::unique_ptr<sh::IEnumIDList> items;
    if (!folder || sh::Failed(folder->EnumObjects(EnumFlags(), items)) || !items)
        return; // cannot be listed now: what it shows stays until it can be
    TFbPidlList existing;
    existing.SetShellFolder(folder);
    existing.SetDuplicates(dupAccept);
    for (int i = 0; i < node->Count(); ++i) {
        if (TFbShellTreeData* child = ShellData(node->Child(i)))
            existing.Add(const_cast<PItemIDList>(child->RelativeItem()), node->Child(i));
    }
    existing.SetSorted(true);
    TFbPidlList current;
    current.SetOwnsItems(true);
    HResult hr;
    PItemIDList item = nullptr;
    while ((hr = items->Next(item)) == sh::S_OK)
        current.Add(item);
    if (hr != sh::S_FALSE && hr != sh::E_FAIL && sh::Failed(hr))
        throw EFbShellError(hr);
    for (int i = current.Count() - 1; i >= 0; --i) {
        const int found = existing.IndexOf(current.Pidls(i));
        if (found >= 0) {
            existing.Delete(found);
            current.Delete(i);
        }
    }
    for (int i = existing.Count() - 1; i >= 0; --i) {
        auto* gone = static_cast<TFbTreeNode*>(existing.Objects(i));
        for (TFbTreeNode* n = remembered; n != nullptr; n = n->Parent()) {
            if (n == gone) {
                remembered = gone->Parent();
                break;
            }
        }
        delete gone;
    }
    bool added = false;
    for (int i = 0; i < current.Count(); ++i) {
        TFbTreeNode* child = nullptr;
        if (const HResult r =
                AddItemNode(folder, data->AbsoluteItemList(), current.Pidls(i), node, child);
            sh::Failed(r))
            throw EFbShellError(r);
        if (child != nullptr) {
            node->addChild(child);
            if (OnInsertItem)
                OnInsertItem(this, child);
            added = true;
        }
    }
    if (added)
        node->sortChildren(0, Qt::AscendingOrder);
    node->SetHasChildren(node->Count() > 0);
    for (int i = 0; i < node->Count(); ++i) {
        TFbTreeNode* child = node->Child(i);
        if (child->Count() > 0 || !child->HasChildren())
            MergeNode(child, remembered);
    }
}
