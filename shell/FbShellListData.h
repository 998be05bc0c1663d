// The record a file list keeps with each item: the item relative to the list's folder,
// its absolute list and display name made on first use, the attributes it was admitted
// with, and the texts of the Name/Size/Type/Modified columns for folders that describe
// no columns of their own.
#pragma once

#include "shell/FbListVw.h"
#include "shell/ItemLists.h"

#include <cstdint>
#include <string>

class TFbCustomShellList;

class TFbShellListData : public TFbItemData {
public:
    // Takes `relativeItem` over.
    TFbShellListData(TFbCustomShellList* owner, PItemIDList relativeItem, std::uint32_t attributes);
    ~TFbShellListData() override;
    TFbShellListData(const TFbShellListData&) = delete;
    TFbShellListData& operator=(const TFbShellListData&) = delete;

    TFbCustomShellList* Owner() const { return FOwner; }
    PCItemIDList RelativeItem() const { return FRelativeItem; }
    // Takes `item` over (after a rename); the cached list, name and texts are dropped.
    void SetRelativeItem(PItemIDList item);

    PCItemIDList AbsoluteItemList();
    // The file-system path; empty for a virtual item.
    std::string FullPath();
    std::string DisplayName();
    // The text of a column of the fallback layout: 0 name, 1 size, 2 type, 3 modified.
    std::string ColumnText(int column);
    // The attributes the item was admitted with (the list's mask).
    std::uint32_t Attributes() const { return FAttributes; }
    // Its detail attributes, asked now.
    std::uint32_t DetailAttributes();
    bool IsFolder() const;
    // A desktop link file (".desktop"), the desktop's counterpart of a shortcut.
    bool IsLink();
    // The folder a link file points to (a link of type "Link" whose address is a local
    // folder), as an absolute list the caller owns; null for anything else.
    PItemIDList LinkTargetFolder();

private:
    void FetchFallbackTexts();

    TFbCustomShellList* FOwner;
    PItemIDList FRelativeItem;
    PItemIDList FAbsoluteItemList = nullptr;
    std::uint32_t FAttributes;
    std::string FDisplayName;
    bool FDisplayNameKnown = false;
    std::string FSizeText;
    std::string FTypeText;
    std::string FModifiedText;
    bool FFallbackTextsValid = false;
};
