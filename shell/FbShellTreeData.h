// The record a folder tree keeps with each node: the item relative to the parent folder,
// and, made on demand and kept while the node lives, the absolute list and the folder
// interfaces of the item and of its parent.
#pragma once

#include "shell/FbTreeVw.h"
#include "shell/ItemLists.h"

class TFbShellTreeData : public TFbNodeData {
public:
    // A child node's record; takes `relativeItem` over.
    TFbShellTreeData(TFbShellTreeData* parentData, PItemIDList relativeItem);
    // The root's record for the base folder's list (copied); `folder` is its own folder.
    TFbShellTreeData(PCItemIDList baseList, ShellFolderPtr folder);
    ~TFbShellTreeData() override;
    TFbShellTreeData(const TFbShellTreeData&) = delete;
    TFbShellTreeData& operator=(const TFbShellTreeData&) = delete;

    TFbShellTreeData* ParentData() const { return FParentData; }
    bool IsRoot() const { return FParentData == nullptr; }
    // One item relative to the parent folder (for the root: the base folder's last item,
    // or the base list itself when it has none).
    PCItemIDList RelativeItem() const { return FRelativeItem; }
    // Takes `item` over after a rename. The caller drops the caches of the descendants,
    // whose absolute lists and folders named the old item.
    void SetRelativeItem(PItemIDList item);
    void DropCaches();

    PCItemIDList AbsoluteItemList();
    // The node's own folder; null when it cannot be bound.
    const ShellFolderPtr& ItemFolder();
    // The folder holding the item; null when it cannot be bound.
    const ShellFolderPtr& ParentFolder();
    // The in-folder display name of a kind (see TDisplayNameKind).
    std::string DisplayName(int kind);
    // The item's attributes within `mask`; 0 when they cannot be asked.
    std::uint32_t Attributes(std::uint32_t mask);

private:
    TFbShellTreeData* FParentData;
    PItemIDList FRelativeItem = nullptr;
    PItemIDList FAbsoluteItemList = nullptr;
    ShellFolderPtr FItemFolder;
    ShellFolderPtr FParentFolder;
    // The root's parent folder is looked for once; a base folder without one (the desktop
    // on a system without a desktop directory) is not looked for again on every ask.
    bool FParentFolderAsked = false;
};

// The record of a node; null for a node that carries none.
inline TFbShellTreeData* ShellData(const TFbTreeNode* node) {
    return node != nullptr ? dynamic_cast<TFbShellTreeData*>(node->Data()) : nullptr;
}
