#include "platform/shellns/SpecialFolders.h"

#include "platform/shellns/ItemData.h"
#include "platform/shellns/UserDirs.h"
#include "platform/shellns/VirtualFolders.h"

namespace platform::shellns {
namespace {

constexpr int kSpecialNumberMask = 0x7F;

} // namespace

std::string DesktopPath() {
    const std::string desktop = DesktopDirectory();
    return desktop.empty() ? HomeFolder() : desktop;
}

std::string SpecialFolderDirectory(int csidl) {
    switch (csidl & kSpecialNumberMask) {
    case CSIDL_PROGRAMS:
        return DataHomeFolder() + "applications/";
    case CSIDL_PERSONAL:
        return UserDirFolder("DOCUMENTS");
    case CSIDL_STARTUP:
        return ConfigHomeFolder() + "autostart/";
    case CSIDL_MYMUSIC:
        return UserDirFolder("MUSIC");
    case CSIDL_MYVIDEO:
        return UserDirFolder("VIDEOS");
    case CSIDL_DESKTOPDIRECTORY:
        return DesktopPath();
    case CSIDL_FONTS:
        return DataHomeFolder() + "fonts/";
    case CSIDL_TEMPLATES:
        return UserDirFolder("TEMPLATES");
    case CSIDL_COMMON_PROGRAMS:
        return "/usr/share/applications/";
    case CSIDL_COMMON_STARTUP:
        return "/etc/xdg/autostart/";
    case CSIDL_APPDATA:
        return ConfigHomeFolder();
    case CSIDL_LOCAL_APPDATA:
        return DataHomeFolder();
    case CSIDL_INTERNET_CACHE:
        return CacheHomeFolder();
    case CSIDL_MYPICTURES:
        return UserDirFolder("PICTURES");
    case CSIDL_PROFILE:
        return HomeFolder();
    case CSIDL_COMMON_DOCUMENTS:
        return UserDirFolder("PUBLICSHARE");
    default:
        return {};
    }
}

HResult SHGetSpecialFolderLocation(int csidl, PItemIDList& list) {
    list = nullptr;
    const int number = csidl & kSpecialNumberMask;
    switch (number) {
    case CSIDL_DESKTOP:
        list = IdListEmpty();
        break;
    case CSIDL_BITBUCKET:
        list = MakeVirtualItem(ItemKind::Trash);
        break;
    case CSIDL_DRIVES:
        list = MakeVirtualItem(ItemKind::Computer);
        break;
    default: {
        const std::string path = SpecialFolderDirectory(number);
        if (path.empty())
            return E_INVALIDARG;
        return TDesktopFolder().ParseDisplayName(path, list);
    }
    }
    return list != nullptr ? S_OK : E_OUTOFMEMORY;
}

HResult BindParentOf(PCItemIDList list, ShellFolderPtr& parent, PCItemIDList& last) {
    parent.reset();
    last = nullptr;
    if (IsEmptyIdList(list))
        return E_INVALIDARG;
    ShellFolderPtr desktop;
    SHGetDesktopFolder(desktop);
    const int count = IdListCount(list);
    last = LastItem(list);
    if (count == 1) {
        parent = std::move(desktop);
        return S_OK;
    }
    UniqueIdList parentList(IdListCloneFirst(list, count - 1));
    if (!parentList)
        return E_OUTOFMEMORY;
    return desktop->BindToObject(parentList.get(), parent);
}

bool SHGetPathFromIDList(PCItemIDList list, std::string& path) {
    path.clear();
    if (IsEmptyIdList(list)) {
        path = DesktopPath();
        return true;
    }
    ShellFolderPtr parent;
    PCItemIDList last = nullptr;
    if (Failed(BindParentOf(list, parent, last)))
        return false;
    std::uint32_t attributes = SFGAO_FILESYSTEM | SFGAO_FOLDER;
    if (Failed(parent->GetAttributesOf(1, &last, attributes)) ||
        (attributes & SFGAO_FILESYSTEM) == 0)
        return false;
    StrRet name;
    std::string text;
    if (Failed(parent->GetDisplayNameOf(last, SHGDN_FORPARSING, name)) ||
        !StrRetToString(name, last, text) || text.empty() || text.front() != '/')
        return false;
    if ((attributes & SFGAO_FOLDER) != 0 && text.back() != '/')
        text += '/';
    path = std::move(text);
    return true;
}

} // namespace platform::shellns
