#include "platform/shellns/FileSystemFolder.h"
#include "platform/shellns/FileUri.h"
#include "platform/shellns/FileVerbs.h"
#include "platform/shellns/ItemData.h"
#include "platform/shellns/NameText.h"
#include "platform/shellns/SpecialFolders.h"
#include "platform/shellns/Trash.h"
#include "platform/shellns/UserDirs.h"
#include "platform/shellns/VirtualFolders.h"

#include <climits>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace platform::shellns {
namespace {

constexpr std::string_view kFileScheme = "file://";
constexpr std::string_view kComputerUri = "computer:///";
constexpr std::string_view kTrashUri = "trash:///";
constexpr std::uint32_t kHomeAttributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                                          SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET | SFGAO_CANCOPY |
                                          SFGAO_CANLINK;
constexpr std::uint32_t kComputerAttributes =
    SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER;
// The Trash has no file-system path: not a file-system item, not an ancestor of one.
constexpr std::uint32_t kTrashAttributes = SFGAO_FOLDER | SFGAO_DROPTARGET;

// Desktop entries in the order they are shown: the three fixed ones, then the desktop
// folder's own entries.
int Rank(ItemKind kind) {
    switch (kind) {
    case ItemKind::Home:
        return 0;
    case ItemKind::Computer:
        return 1;
    case ItemKind::Trash:
        return 2;
    case ItemKind::FileSystem:
        return 3;
    default:
        return -1;
    }
}

std::shared_ptr<TFileSystemFolder> DesktopEntries() {
    const std::string desktop = DesktopDirectory();
    if (desktop.empty())
        return nullptr;
    return std::make_shared<TFileSystemFolder>(desktop, MountKind::Fixed);
}

std::shared_ptr<TFileSystemFolder> HomeEntries() {
    return std::make_shared<TFileSystemFolder>(HomeFolder(), MountKind::Fixed);
}

bool SetInline(StrRet& name, std::string_view text) {
    if (text.size() >= kStrRetInlineSize)
        return SetStrRet(name, std::string(text));
    name.uType = StrRet::kInline;
    std::memcpy(name.cStr, text.data(), text.size());
    name.cStr[text.size()] = '\0';
    return true;
}

std::string WithoutTrailingSlash(std::string path) {
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool TrashHasEntries() {
    DIR* dir = ::opendir((HomeTrashFolder() + "files").c_str());
    if (dir == nullptr)
        return false;
    bool any = false;
    while (const dirent* d = ::readdir(dir)) {
        if (std::strcmp(d->d_name, ".") != 0 && std::strcmp(d->d_name, "..") != 0) {
            any = true;
            break;
        }
    }
    ::closedir(dir);
    return any;
}

// The first items are virtual entries, the rest come from the desktop folder.
class TDesktopEnumerator : public IEnumIDList {
public:
    TDesktopEnumerator(std::vector<UniqueIdList> fixed, std::unique_ptr<IEnumIDList> entries)
        : FFixed(std::move(fixed)), FEntries(std::move(entries)) {}

    HResult Next(PItemIDList& item) override {
        const HResult hr = FFixed.Next(item);
        if (hr != S_FALSE || !FEntries)
            return hr;
        return FEntries->Next(item);
    }

private:
    TListEnumerator FFixed;
    std::unique_ptr<IEnumIDList> FEntries;
};

} // namespace

std::string DesktopDirectory() {
    const std::string desktop = UserDirFolder("DESKTOP");
    struct stat st;
    if (desktop.empty() || desktop == HomeFolder() || ::stat(desktop.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode))
        return {};
    return desktop;
}

HResult TDesktopFolder::ParseDisplayName(std::string_view name, PItemIDList& list) {
    list = nullptr;
    std::string path;
    if (name.substr(0, kFileScheme.size()) == kFileScheme) {
        // file:///path or file://localhost/path; other hosts are not on this machine.
        if (!LocalPathOfFileUri(name, path))
            return E_INVALIDARG;
    } else if (name == kComputerUri || name == "computer:") {
        list = MakeVirtualItem(ItemKind::Computer);
        return list != nullptr ? S_OK : E_OUTOFMEMORY;
    } else if (name == kTrashUri || name == "trash:") {
        list = MakeVirtualItem(ItemKind::Trash);
        return list != nullptr ? S_OK : E_OUTOFMEMORY;
    } else {
        path = std::string(name);
    }
    if (path.size() >= PATH_MAX)
        return E_NAME_TOO_LONG;
    std::string clean;
    if (!NormalizeAbsolutePath(path, clean))
        return E_INVALIDARG;
    PItemIDList below = nullptr;
    if (const HResult hr = TComputerFolder().ParseDisplayName(clean, below); Failed(hr))
        return hr;
    UniqueIdList belowOwned(below);
    UniqueIdList computer(MakeVirtualItem(ItemKind::Computer));
    list = IdListCombine(computer.get(), below);
    return list != nullptr ? S_OK : E_OUTOFMEMORY;
}

HResult TDesktopFolder::EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) {
    items.reset();
    std::vector<UniqueIdList> fixed;
    if ((flags & SHCONTF_FOLDERS) != 0) {
        for (const ItemKind kind : {ItemKind::Home, ItemKind::Computer, ItemKind::Trash})
            AddItem(fixed, MakeVirtualItem(kind));
    }
    std::unique_ptr<IEnumIDList> entries;
    if (const auto desktop = DesktopEntries())
        desktop->EnumObjects(flags, entries); // a desktop folder that cannot be read adds nothing
    items = std::make_unique<TDesktopEnumerator>(std::move(fixed), std::move(entries));
    return S_OK;
}

HResult TDesktopFolder::BindToItem(PCItemIDList item, ShellFolderPtr& folder) {
    switch (KindOf(item)) {
    case ItemKind::Home:
        folder = HomeEntries();
        return S_OK;
    case ItemKind::Computer:
        folder = std::make_shared<TComputerFolder>();
        return S_OK;
    case ItemKind::Trash:
        folder = std::make_shared<TTrashFolder>();
        return S_OK;
    case ItemKind::FileSystem:
        if (const auto desktop = DesktopEntries())
            return desktop->BindToItem(item, folder);
        return E_FILE_NOT_FOUND;
    default:
        return E_INVALIDARG;
    }
}

HResult TDesktopFolder::CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) {
    const int ra = Rank(KindOf(a));
    const int rb = Rank(KindOf(b));
    if (ra < 0 || rb < 0)
        return E_INVALIDARG;
    if (ra != rb || ra != Rank(ItemKind::FileSystem)) {
        order = ra < rb ? -1 : ra > rb ? 1 : 0;
        return S_OK;
    }
    // Two desktop entries: ordered as their folder orders them, even when it is gone.
    return TFileSystemFolder(DesktopPath(), MountKind::Fixed).CompareItems(column, a, b, order);
}

HResult TDesktopFolder::GetAttributesOf(int count, const PCItemIDList* items,
                                        std::uint32_t& attributes) {
    const std::uint32_t mask = attributes;
    if (count <= 0) {
        attributes = mask & kComputerAttributes;
        return S_OK;
    }
    if (items == nullptr)
        return E_POINTER;
    std::shared_ptr<TFileSystemFolder> desktop;
    std::uint32_t all = 0;
    for (int i = 0; i < count; ++i) {
        std::uint32_t one = 0;
        switch (KindOf(items[i])) {
        case ItemKind::Home:
            one = kHomeAttributes;
            if ((mask & SFGAO_HASSUBFOLDER) != 0 && !HasSubFolder(HomeFolder()))
                one &= ~SFGAO_HASSUBFOLDER;
            break;
        case ItemKind::Computer:
            one = kComputerAttributes;
            break;
        case ItemKind::Trash:
            one = kTrashAttributes;
            break;
        case ItemKind::FileSystem: {
            FsItem e;
            if (!DecodeFsItem(items[i], e))
                return E_INVALIDARG;
            if (!desktop)
                desktop = std::make_shared<TFileSystemFolder>(DesktopPath(), MountKind::Fixed);
            one = desktop->AttributesOf(e, mask);
            break;
        }
        default:
            return E_INVALIDARG;
        }
        MergeAttributes(all, one & mask, i == 0);
    }
    attributes = all;
    return S_OK;
}

HResult TDesktopFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) {
    const bool parsing = (flags & SHGDN_FORPARSING) != 0 && (flags & SHGDN_INFOLDER) == 0;
    if (IsEmptyIdList(item)) {
        // The desktop's own name, asked of it with the empty list.
        return (parsing ? SetStrRet(name, WithoutTrailingSlash(DesktopPath()))
                        : SetInline(name, "Desktop"))
                   ? S_OK
                   : E_OUTOFMEMORY;
    }
    switch (KindOf(item)) {
    case ItemKind::Home:
        return (parsing ? SetStrRet(name, WithoutTrailingSlash(HomeFolder()))
                        : SetInline(name, "Home"))
                   ? S_OK
                   : E_OUTOFMEMORY;
    case ItemKind::Computer:
        SetInline(name, parsing ? kComputerUri : "Computer");
        return S_OK;
    case ItemKind::Trash:
        SetInline(name, parsing ? kTrashUri : "Trash");
        return S_OK;
    case ItemKind::FileSystem:
        return TFileSystemFolder(DesktopPath(), MountKind::Fixed)
            .GetDisplayNameOf(item, flags, name);
    default:
        return E_INVALIDARG;
    }
}

HResult TDesktopFolder::SetNameOf(PCItemIDList item, std::string_view name, std::uint32_t flags,
                                  PItemIDList* newItem) {
    if (KindOf(item) == ItemKind::FileSystem) {
        if (const auto desktop = DesktopEntries())
            return desktop->SetNameOf(item, name, flags, newItem);
    }
    return TFolderBase::SetNameOf(item, name, flags, newItem);
}

HResult TDesktopFolder::GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) {
    TFileSystemFolder entries(DesktopPath(), MountKind::Fixed);
    if (item == nullptr || KindOf(item) == ItemKind::FileSystem)
        return entries.GetDetailsOf(item, column, details);
    if (const HResult hr = entries.GetDetailsOf(nullptr, column, details); Failed(hr))
        return hr;
    StrRet name;
    std::string text;
    switch (column) {
    case 0:
        if (const HResult hr = GetDisplayNameOf(item, SHGDN_NORMAL, name); Failed(hr))
            return hr;
        StrRetToString(name, item, text);
        break;
    case 2:
        text = KindOf(item) == ItemKind::Home ? "Folder" : "System Folder";
        break;
    default:
        break;
    }
    details.text = text;
    return S_OK;
}

HResult TDesktopFolder::GetIconOf(PCItemIDList item, bool open, std::string& iconName) {
    switch (KindOf(item)) {
    case ItemKind::Home:
        iconName = "user-home";
        return S_OK;
    case ItemKind::Computer:
        iconName = "computer";
        return S_OK;
    case ItemKind::Trash:
        iconName = TrashHasEntries() ? "user-trash-full" : "user-trash";
        return S_OK;
    case ItemKind::FileSystem:
        return TFileSystemFolder(DesktopPath(), MountKind::Fixed).GetIconOf(item, open, iconName);
    default:
        return E_INVALIDARG;
    }
}

HResult TDesktopFolder::GetContextMenu(int count, const PCItemIDList* items,
                                       std::unique_ptr<IContextMenu>& menu) {
    menu.reset();
    for (int i = 0; i < count; ++i) {
        if (KindOf(items[i]) != ItemKind::FileSystem)
            return E_NOTIMPL;
    }
    const auto desktop = DesktopEntries();
    if (!desktop)
        return E_NOTIMPL;
    return desktop->GetContextMenu(count, items, menu);
}

HResult TDesktopFolder::GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) {
    target.reset();
    switch (item == nullptr ? ItemKind::FileSystem : KindOf(item)) {
    case ItemKind::Home:
        target = MakeFolderDropTarget(HomeFolder());
        return S_OK;
    case ItemKind::Trash:
        target = MakeTrashDropTarget();
        return S_OK;
    case ItemKind::FileSystem:
        if (const auto desktop = DesktopEntries())
            return desktop->GetDropTarget(item, target);
        return E_NOINTERFACE;
    default:
        return E_NOINTERFACE;
    }
}

HResult SHGetDesktopFolder(ShellFolderPtr& folder) {
    folder = std::make_shared<TDesktopFolder>();
    return S_OK;
}

} // namespace platform::shellns
