#include "shell/ItemLists.h"

#include "gui/SystemImageList.h"
#include "platform/shellns/SpecialFolders.h"

namespace sh = platform::shellns;

namespace {

constexpr std::uint32_t kDisplayNameFlags[] = {
    sh::SHGDN_NORMAL,
    sh::SHGDN_INFOLDER,
    sh::SHGDN_FORPARSING,
    sh::SHGDN_INFOLDER | sh::SHGDN_FOREDITING,
};

ShellFolderPtr Desktop() {
    ShellFolderPtr desktop;
    sh::SHGetDesktopFolder(desktop);
    return desktop;
}

} // namespace

int ItemListSize(PCItemIDList list) {
    return static_cast<int>(sh::IdListSize(list));
}

PItemIDList CopyItemList(PCItemIDList list) {
    return sh::IdListClone(list);
}

PItemIDList ConcatItemLists(PCItemIDList parent, PCItemIDList relative) {
    return sh::IdListCombine(parent, relative);
}

void FreeItemList(PCItemIDList list) {
    sh::IdListFree(list);
}

int CompareItemLists(PCItemIDList a, PCItemIDList b) {
    if (a == nullptr || b == nullptr)
        return a == b ? 0 : -1;
    const bool aEmpty = sh::IsEmptyIdList(a);
    const bool bEmpty = sh::IsEmptyIdList(b);
    if (aEmpty || bEmpty)
        return aEmpty == bEmpty ? 0 : -1;
    const ShellFolderPtr desktop = Desktop();
    if (!desktop)
        return kNotComparable;
    const HResult hr = desktop->CompareIDs(0, a, b);
    if (sh::Failed(hr))
        return kNotComparable;
    return sh::CompareCode(hr);
}

HResult ParseFolderPath(const std::string& path, PItemIDList& list) {
    list = nullptr;
    const ShellFolderPtr desktop = Desktop();
    if (!desktop)
        return sh::E_FAIL;
    PItemIDList parsed = nullptr;
    const HResult hr = desktop->ParseDisplayName(path, parsed);
    if (sh::Failed(hr)) {
        sh::IdListFree(parsed);
        return hr;
    }
    list = parsed;
    return hr;
}

std::string ItemListToPath(PCItemIDList list) {
    std::string path;
    return sh::SHGetPathFromIDList(list, path) ? path : std::string();
}

std::string SpecialFolderPath(int number) {
    PItemIDList list = nullptr;
    if (sh::Failed(sh::SHGetSpecialFolderLocation(number, list)))
        return {};
    sh::UniqueIdList owned(list);
    return ItemListToPath(list);
}

HResult BindToFolder(PCItemIDList list, ShellFolderPtr& folder) {
    folder.reset();
    ShellFolderPtr desktop = Desktop();
    if (!desktop)
        return sh::E_FAIL;
    if (sh::IsEmptyIdList(list)) {
        folder = std::move(desktop);
        return sh::S_OK;
    }
    return desktop->BindToObject(list, folder);
}

HResult GetParentFolder(PCItemIDList list, ShellFolderPtr& parent, PItemIDList& parentList,
                        PItemIDList& lastItem) {
    parent.reset();
    parentList = nullptr;
    lastItem = nullptr;
    if (sh::IsEmptyIdList(list)) {
        PItemIDList desktopList = nullptr;
        const HResult hr = ParseFolderPath(SpecialFolderPath(sh::CSIDL_DESKTOP), desktopList);
        if (sh::Failed(hr))
            return hr;
        sh::UniqueIdList owned(desktopList);
        if (sh::IsEmptyIdList(desktopList))
            return sh::E_FAIL;
        return GetParentFolder(desktopList, parent, parentList, lastItem);
    }
    sh::PCItemIDList last = nullptr;
    if (const HResult hr = sh::BindParentOf(list, parent, last); sh::Failed(hr))
        return hr;
    sh::UniqueIdList lastCopy(sh::IdListCloneFirst(last, 1));
    sh::UniqueIdList parentCopy;
    const int count = sh::IdListCount(list);
    if (count > 1)
        parentCopy.reset(sh::IdListCloneFirst(list, count - 1));
    if (!lastCopy || (count > 1 && !parentCopy)) {
        parent.reset();
        return sh::E_OUTOFMEMORY;
    }
    parentList = parentCopy.release();
    lastItem = lastCopy.release();
    return sh::S_OK;
}

std::string DisplayNameOf(const ShellFolderPtr& folder, PCItemIDList item, int kind) {
    if (!folder || kind < dnkNormal || kind > dnkForEditing)
        return {};
    sh::StrRet name;
    if (sh::Failed(folder->GetDisplayNameOf(item, kDisplayNameFlags[kind], name)))
        return {};
    std::string text;
    return sh::StrRetToString(name, item, text) ? text : std::string();
}

std::string FolderDisplayName(PCItemIDList list) {
    if (sh::IdListCount(list) <= 1) {
        sh::UniqueIdList empty;
        if (list == nullptr)
            empty.reset(sh::IdListEmpty());
        return DisplayNameOf(Desktop(), list != nullptr ? list : empty.get(), dnkInFolder);
    }
    ShellFolderPtr parent;
    sh::PCItemIDList last = nullptr;
    if (sh::Failed(sh::BindParentOf(list, parent, last)))
        return {};
    return DisplayNameOf(parent, last, dnkInFolder);
}

int SpecialFolderOf(PCItemIDList list) {
    for (int number = 0; number < sh::kLastSpecialFolder; ++number) {
        PItemIDList special = nullptr;
        if (sh::Failed(sh::SHGetSpecialFolderLocation(number, special)))
            continue;
        sh::UniqueIdList owned(special);
        if (CompareItemLists(list, special) == 0)
            return number;
    }
    return sh::kLastSpecialFolder;
}

int SystemIconIndex(PCItemIDList list, bool open) {
    try {
        ShellFolderPtr parent;
        PItemIDList parentList = nullptr;
        PItemIDList last = nullptr;
        if (sh::Failed(GetParentFolder(list, parent, parentList, last)))
            return 0;
        sh::UniqueIdList parentOwned(parentList);
        sh::UniqueIdList lastOwned(last);
        std::string iconName;
        if (sh::Failed(parent->GetIconOf(last, open, iconName)))
            return 0;
        return TSystemImageList::IndexOf(iconName);
    } catch (...) {
        return 0;
    }
}

TSystemImageList* SystemImageList(bool small) {
    return &SystemImageListOfSize(small);
}

std::string AppendPathDelimiter(const std::string& text, char ch) {
    // In UTF-8 an ASCII delimiter never occurs inside a multibyte character, so a text
    // ending in a lead byte simply does not end with the delimiter.
    if (text.empty() || text.back() == ch)
        return text;
    return text + ch;
}
