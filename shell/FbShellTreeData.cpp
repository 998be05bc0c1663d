#include "shell/FbShellTreeData.h"

#include "platform/shellns/ItemIdList.h"

namespace sh = platform::shellns;

TFbShellTreeData::TFbShellTreeData(TFbShellTreeData* parentData, PItemIDList relativeItem)
    : FParentData(parentData), FRelativeItem(relativeItem) {
}

TFbShellTreeData::TFbShellTreeData(PCItemIDList baseList, ShellFolderPtr folder)
    : FParentData(nullptr), FItemFolder(std::move(folder)) {
    FAbsoluteItemList = baseList != nullptr ? CopyItemList(baseList) : sh::IdListEmpty();
    FRelativeItem = sh::IsEmptyIdList(baseList) ? sh::IdListEmpty()
                                                : sh::IdListCloneFirst(sh::LastItem(baseList), 1);
}

TFbShellTreeData::~TFbShellTreeData() {
    FreeItemList(FRelativeItem);
    FreeItemList(FAbsoluteItemList);
}

void TFbShellTreeData::SetRelativeItem(PItemIDList item) {
    FreeItemList(FRelativeItem);
    FRelativeItem = item;
    DropCaches();
}

void TFbShellTreeData::DropCaches() {
    if (IsRoot())
        return; // the root's list and folder are the base folder's, fixed at the fill
    FreeItemList(FAbsoluteItemList);
    FAbsoluteItemList = nullptr;
    FItemFolder.reset();
    FParentFolder.reset();
}

PCItemIDList TFbShellTreeData::AbsoluteItemList() {
    if (FAbsoluteItemList == nullptr && FParentData != nullptr)
        FAbsoluteItemList = ConcatItemLists(FParentData->AbsoluteItemList(), FRelativeItem);
    return FAbsoluteItemList;
}

const ShellFolderPtr& TFbShellTreeData::ParentFolder() {
    if (FParentFolder)
        return FParentFolder;
    if (FParentData != nullptr) {
        FParentFolder = FParentData->ItemFolder();
    } else if (!FParentFolderAsked) {
        FParentFolderAsked = true;
        PItemIDList parentList = nullptr;
        PItemIDList last = nullptr;
        GetParentFolder(FAbsoluteItemList, FParentFolder, parentList, last);
        FreeItemList(parentList);
        FreeItemList(last);
    }
    return FParentFolder;
}

const ShellFolderPtr& TFbShellTreeData::ItemFolder() {
    if (!FItemFolder) {
        if (sh::IsEmptyIdList(AbsoluteItemList())) {
            BindToFolder(nullptr, FItemFolder);
        } else if (const ShellFolderPtr& parent = ParentFolder()) {
            if (sh::Failed(parent->BindToObject(FRelativeItem, FItemFolder)))
                FItemFolder.reset();
        }
    }
    return FItemFolder;
}

std::string TFbShellTreeData::DisplayName(int kind) {
    return DisplayNameOf(ParentFolder(), FRelativeItem, kind);
}

std::uint32_t TFbShellTreeData::Attributes(std::uint32_t mask) {
    const ShellFolderPtr& parent = ParentFolder();
    if (!parent || sh::IsEmptyIdList(FRelativeItem))
        return 0;
    PCItemIDList item = FRelativeItem;
    std::uint32_t attributes = mask;
    if (sh::Failed(parent->GetAttributesOf(1, &item, attributes)))
        return 0;
    return attributes;
}
