#include "platform/shellns/FileSystemFolder.h"

#include "platform/FolderEntries.h"
#include "platform/FolderProbe.h"
#include "platform/shellns/DetailsText.h"
#include "platform/shellns/FileTypes.h"
#include "platform/shellns/FileVerbs.h"
#include "platform/shellns/NameText.h"
#include "platform/shellns/Shares.h"
#include "platform/shellns/UserDirs.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <numeric>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform::shellns {
namespace {

// "Has sub-folders" gives up and says yes (the expand arrow shows; opening the folder
// settles it) after this many entries, or after following this many links without
// reaching a folder. Each link followed is a look at another inode, anywhere on the disk:
// /usr/bin holds hundreds, and on the first start after boot following them all took
// longer than the rest of the start-up together.
constexpr int kSubFolderProbeLimit = 4096;
constexpr int kSubFolderLinkLimit = 64;
// How long listing a folder on a network volume waits for the volume's first answer.
constexpr std::chrono::milliseconds kRemoteFolderPatience{3000};
constexpr std::uint32_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
// renameat2's flag (linux/fs.h), spelled out to keep that header's clashes away.
constexpr unsigned kRenameNoReplace = 1;

enum Column { kColName, kColSize, kColType, kColModified, kColumnCount };

constexpr ColumnHeader kColumns[kColumnCount] = {
    {"Name", LVCFMT_LEFT, 30},
    {"Size", LVCFMT_RIGHT, 10},
    {"Type", LVCFMT_LEFT, 20},
    {"Modified", LVCFMT_LEFT, 20},
};

// Whether the listing's type says the entry is no folder and no link (which may lead to
// one): a regular file, a pipe, a socket, a device.
bool ListedAsNonFolder(unsigned char type) {
    return type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN;
}

class TFsEnumerator : public IEnumIDList {
public:
    TFsEnumerator(DIR* dir, std::uint32_t flags, std::function<bool(std::string_view)> keep)
        : FDir(dir), FFlags(flags), FKeep(std::move(keep)) {}
    ~TFsEnumerator() override { ::closedir(FDir); }

    HResult Next(PItemIDList& item) override {
        item = nullptr;
        const int dirFd = ::dirfd(FDir);
        for (;;) {
            errno = 0;
            const dirent* d = ::readdir(FDir);
            if (d == nullptr)
                return errno == 0 ? S_FALSE : ResultFromErrno(errno);
            const std::string_view name = d->d_name;
            if (name == "." || name == "..")
                continue;
            if (name.front() == '.' && (FFlags & SHCONTF_INCLUDEHIDDEN) == 0)
                continue;
            // What the listing already rules out costs no look at the entry.
            if (ListedAsNonFolder(d->d_type) &&
                ((FFlags & SHCONTF_NONFOLDERS) == 0 || (FKeep && !FKeep(name))))
                continue;
            if (d->d_type == DT_DIR && (FFlags & SHCONTF_FOLDERS) == 0)
                continue;
            struct stat entry;
            struct stat target;
            const struct stat* linkTarget = nullptr;
            bool folder;
            if (::fstatat(dirFd, d->d_name, &entry, AT_SYMLINK_NOFOLLOW) != 0) {
                if (errno == ENOENT)
                    continue; // deleted since it was listed
                // Listed but not examinable (a folder we may read but not search): shown
                // with what the listing itself said.
                folder = d->d_type == DT_DIR;
                if (!Wanted(folder))
                    continue;
                item = MakeUnstattedFsItem(name, folder);
            } else {
                if (S_ISLNK(entry.st_mode) && ::fstatat(dirFd, d->d_name, &target, 0) == 0)
                    linkTarget = &target;
                folder = S_ISDIR(linkTarget != nullptr ? linkTarget->st_mode : entry.st_mode);
                if (!Wanted(folder))
                    continue;
                item = MakeFsItem(name, &entry, linkTarget);
            }
            if (item == nullptr)
                continue; // a name no item can carry (longer than a file system allows)
            return S_OK;
        }
    }

private:
    bool Wanted(bool folder) const {
        return (FFlags & (folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS)) != 0;
    }

    DIR* FDir;
    std::uint32_t FFlags;
    std::function<bool(std::string_view)> FKeep;
};

bool IsHidden(const FsItem& e) {
    return e.name.front() == '.';
}

// Whether the user may write the entry, judged from its mode bits the way ls -l reads to
// a user; root may write anything that has any write bit.
bool IsWritableByUser(const FsItem& e) {
    if ((e.flags & FsItem::kNoStat) != 0)
        return true;
    const uid_t uid = ::geteuid();
    if (uid == 0)
        return (e.mode & kAnyWrite) != 0;
    if (e.uid == uid)
        return (e.mode & S_IWUSR) != 0;
    if (e.gid == ::getegid())
        return (e.mode & S_IWGRP) != 0;
    gid_t groups[256];
    const int count = ::getgroups(256, groups);
    for (int i = 0; i < count; ++i) {
        if (groups[i] == e.gid)
            return (e.mode & S_IWGRP) != 0;
    }
    return (e.mode & S_IWOTH) != 0;
}

std::string TypeNameOf(const FsItem& e) {
    if (e.IsFolder())
        return "Folder";
    if ((e.flags & FsItem::kDangling) != 0)
        return "Broken Link";
    return FileTypeOf(e.name, S_ISREG(e.mode) && (e.mode & 0111) != 0).typeName;
}

int Sign(long long v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

// The order of two entries of one folder by `column`: folders before files, then the
// column, then the name. `typeA` and `typeB` are their type names, looked at only for the
// type column.
int CompareEntries(int column, const FsItem& ea, const FsItem& eb, std::string_view typeA,
                   std::string_view typeB) {
    if (ea.IsFolder() != eb.IsFolder())
        return ea.IsFolder() ? -1 : 1;
    int order = 0;
    switch (column) {
    case kColSize:
        order = ea.size < eb.size ? -1 : ea.size > eb.size ? 1 : 0;
        break;
    case kColType:
        order = CompareNamesNaturally(typeA, typeB);
        break;
    case kColModified:
        order = Sign(ea.mtimeSec - eb.mtimeSec);
        if (order == 0)
            order = Sign(static_cast<long long>(ea.mtimeNsec) - eb.mtimeNsec);
        break;
    default:
        break;
    }
    return order != 0 ? order : CompareNamesNaturally(ea.name, eb.name);
}

// Renames without replacing what is there: rename(2) alone would silently destroy a file
// that happens to have the new name.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kRenameNoReplace) ==
        0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from.c_str(), to.c_str());
}

const char* IconOfUserDir(const std::string& key) {
    static constexpr std::pair<const char*, const char*> kIcons[] = {
        {"DESKTOP", "user-desktop"},       {"DOCUMENTS", "folder-documents"},
        {"DOWNLOAD", "folder-download"},   {"MUSIC", "folder-music"},
        {"PICTURES", "folder-pictures"},   {"PUBLICSHARE", "folder-publicshare"},
        {"TEMPLATES", "folder-templates"}, {"VIDEOS", "folder-videos"},
    };
    for (const auto& [k, icon] : kIcons) {
        if (key == k)
            return icon;
    }
    return nullptr;
}

} // namespace

TFileSystemFolder::TFileSystemFolder(std::string path, MountKind volumeKind)
    : FPath(std::move(path)), FVolumeKind(volumeKind) {
    if (FPath.empty() || FPath.back() != '/')
        FPath += '/';
}

HResult MakeFsItemFor(const std::string& folder, std::string_view name, PItemIDList& item) {
    item = nullptr;
    if (!IsValidEntryName(name))
        return E_INVALID_NAME;
    const std::string path = folder + std::string(name);
    struct stat entry;
    struct stat target;
    if (::lstat(path.c_str(), &entry) != 0)
        return ResultFromErrno(errno);
    const bool resolved = S_ISLNK(entry.st_mode) && ::stat(path.c_str(), &target) == 0;
    item = MakeFsItem(name, &entry, resolved ? &target : nullptr);
    return item != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Read with getdents64 straight into a buffer of our own (platform/FolderEntries.h): a
// tree opening a folder of thousands asks this of every one of them.
bool HasSubFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Where the file system keeps the Unix convention (ext4, XFS, tmpfs, the kernel's own
    // volumes), a folder's link count is two plus its sub-folders, so more than two
    // answers without reading one entry: the tree asks this of every folder it shows, and
    // /etc or /proc hold hundreds of entries. Those that do not keep it report 1 (btrfs,
    // most FUSE volumes), and a folder whose only sub-folders are links reports 2: both
    // are read.
    struct stat self;
    bool found = ::fstat(fd, &self) == 0 && self.st_nlink > 2;
    alignas(dirent64) char buffer[8192];
    int looked = 0, followed = 0;
    const auto listedAsFolder = [&looked](const dirent64& d) {
        return ++looked > kSubFolderProbeLimit || d.d_type == DT_DIR;
    };
    const auto linkToFolder = [fd, &followed](const dirent64& d) {
        if (d.d_type != DT_LNK && d.d_type != DT_UNKNOWN)
            return false;
        struct stat st;
        return ++followed > kSubFolderLinkLimit ||
               (::fstatat(fd, d.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode));
    };
    while (!found) {
        const long got = platform::ReadFolderEntries(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        // A folder listed as one anywhere in the batch settles it before any link is
        // followed.
        found = platform::AnyFolderEntry(buffer, got, listedAsFolder) ||
                platform::AnyFolderEntry(buffer, got, linkToFolder);
    }
    ::close(fd);
    return found;
}

HResult TFileSystemFolder::ParseDisplayName(std::string_view name, PItemIDList& list) {
    list = nullptr;
    UniqueIdList result(IdListEmpty());
    std::string folder = FPath;
    std::size_t start = 0;
    while (start < name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        start = end + 1;
        if (part.empty())
            continue;
        PItemIDList item = nullptr;
        if (const HResult hr = MakeFsItemFor(folder, part, item); Failed(hr))
            return hr;
        UniqueIdList owned(item);
        result.reset(IdListCombine(result.get(), item));
        if (!result)
            return E_OUTOFMEMORY;
        folder += std::string(part) + "/";
    }
    if (IsEmptyIdList(result.get()))
        return E_INVALIDARG;
    list = result.release();
    return S_OK;
}

HResult TFileSystemFolder::EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) {
    return EnumObjectsKeeping(flags, nullptr, items);
}

HResult TFileSystemFolder::EnumObjectsKeeping(std::uint32_t flags,
                                              std::function<bool(std::string_view)> keep,
                                              std::unique_ptr<IEnumIDList>& items) {
    items.reset();
    // A network volume whose server is gone holds whoever opens a folder on it for ever,
    // and the lister is the GUI thread: such a folder is listed as one that cannot be read
    // now. Local disks are waited for (one spinning up takes seconds).
    const int fd = FVolumeKind == MountKind::Remote
                       ? platform::OpenFolderWithin(FPath, kRemoteFolderPatience)
                       : ::open(FPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return ResultFromErrno(errno);
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        const HResult hr = ResultFromErrno(errno);
        ::close(fd);
        return hr;
    }
    items = std::make_unique<TFsEnumerator>(dir, flags, std::move(keep));
    return S_OK;
}

HResult TFileSystemFolder::BindToItem(PCItemIDList item, ShellFolderPtr& folder) {
    FsItem e;
    if (!DecodeFsItem(item, e))
        return E_INVALIDARG;
    if (!e.IsFolder())
        return E_NOINTERFACE;
    folder = std::make_shared<TFileSystemFolder>(FPath + std::string(e.name) + "/", FVolumeKind);
    return S_OK;
}

HResult TFileSystemFolder::CompareItems(int column, PCItemIDList a, PCItemIDList b, int& order) {
    FsItem ea, eb;
    if (!DecodeFsItem(a, ea) || !DecodeFsItem(b, eb) || column < 0 || column >= kColumnCount)
        return E_INVALIDARG;
    std::string typeA, typeB;
    if (column == kColType) {
        typeA = TypeNameOf(ea);
        typeB = TypeNameOf(eb);
    }
    order = CompareEntries(column, ea, eb, typeA, typeB);
    return S_OK;
}

void TFileSystemFolder::SortItems(int column, const std::vector<PCItemIDList>& items,
                                  std::vector<std::size_t>& order) {
    // Each item decoded once (and its type named once) rather than twice a comparison:
    // for thousands of items that is most of sorting them. The order is CompareItems'.
    std::vector<FsItem> decoded(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (column < 0 || column >= kColumnCount || !IsEmptyIdList(NextItem(items[i])) ||
            !DecodeFsItem(items[i], decoded[i]))
            return IShellFolder::SortItems(column, items, order);
    }
    std::vector<std::string> types;
    if (column == kColType) {
        types.reserve(decoded.size());
        for (const FsItem& e : decoded)
            types.push_back(TypeNameOf(e));
    }
    order.resize(items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto type = [&types](std::size_t i) {
        return types.empty() ? std::string_view() : std::string_view(types[i]);
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return CompareEntries(column, decoded[a], decoded[b], type(a), type(b)) < 0;
    });
}

bool TFileSystemFolder::CanChangeEntries(const FsItem& entry) {
    if (FWritable < 0) {
        FWritable = ::access(FPath.c_str(), W_OK) == 0 && ::lstat(FPath.c_str(), &FFolderStat) == 0;
    }
    if (FWritable == 0)
        return false;
    // In a sticky folder (/tmp) only an entry's or the folder's owner may rename it.
    if ((FFolderStat.st_mode & S_ISVTX) != 0) {
        const uid_t uid = ::geteuid();
        return uid == 0 || FFolderStat.st_uid == uid ||
               ((entry.flags & FsItem::kLink) == 0 && entry.uid == uid);
    }
    return true;
}

std::uint32_t TFileSystemFolder::AttributesOf(const FsItem& e, std::uint32_t mask) {
    std::uint32_t a = SFGAO_FILESYSTEM | SFGAO_CANCOPY | SFGAO_CANLINK;
    if (e.IsFolder())
        a |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_DROPTARGET;
    if (e.IsLink())
        a |= SFGAO_LINK;
    if (IsHidden(e))
        a |= SFGAO_GHOSTED;
    if (FVolumeKind == MountKind::Removable || FVolumeKind == MountKind::Optical)
        a |= SFGAO_REMOVABLE;
    if ((mask & SFGAO_READONLY) != 0 && !IsWritableByUser(e))
        a |= SFGAO_READONLY;
    if ((mask & (SFGAO_CANRENAME | SFGAO_CANMOVE | SFGAO_CANDELETE)) != 0 && CanChangeEntries(e))
        a |= SFGAO_CANRENAME | SFGAO_CANMOVE | SFGAO_CANDELETE;
    if (e.IsFolder() && (mask & SFGAO_SHARE) != 0 &&
        IsSharedFolder(FPath + std::string(e.name) + "/"))
        a |= SFGAO_SHARE;
    if (e.IsFolder() && (mask & SFGAO_HASSUBFOLDER) != 0 &&
        (FVolumeKind == MountKind::Remote || HasSubFolder(FPath + std::string(e.name))))
        a |= SFGAO_HASSUBFOLDER;
    return a & mask;
}

HResult TFileSystemFolder::GetAttributesOf(int count, const PCItemIDList* items,
                                           std::uint32_t& attributes) {
    const std::uint32_t mask = attributes;
    if (count <= 0) {
        // Asked about the folder itself: it is still there, or the caller learns why not.
        struct stat st;
        if ((mask & SFGAO_VALIDATE) != 0 && ::stat(FPath.c_str(), &st) != 0)
            return ResultFromErrno(errno);
        attributes = mask & (SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR);
        return S_OK;
    }
    if (items == nullptr)
        return E_POINTER;
    std::uint32_t all = 0;
    for (int i = 0; i < count; ++i) {
        FsItem e;
        if (!DecodeFsItem(items[i], e))
            return E_INVALIDARG;
        if ((mask & SFGAO_VALIDATE) != 0) {
            struct stat st;
            if (::lstat((FPath + std::string(e.name)).c_str(), &st) != 0)
                return ResultFromErrno(errno);
        }
        MergeAttributes(all, AttributesOf(e, mask), i == 0);
    }
    attributes = all;
    return S_OK;
}

HResult TFileSystemFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) {
    FsItem e;
    if (!DecodeFsItem(item, e))
        return E_INVALIDARG;
    if ((flags & SHGDN_FORPARSING) != 0) {
        // Parsing names are the bytes on disk, so they reopen the same entry even when
        // they are not valid UTF-8.
        if ((flags & SHGDN_INFOLDER) != 0) {
            name.uType = StrRet::kOffset;
            name.uOffset = kFsItemNameOffset;
            return S_OK;
        }
        return SetStrRet(name, FPath + std::string(e.name)) ? S_OK : E_OUTOFMEMORY;
    }
    // The editing name is what a rename starts from: it keeps a line break a line break.
    const bool editing = (flags & SHGDN_FOREDITING) != 0;
    if (editing ? IsValidUtf8(e.name) : IsVisibleName(e.name)) {
        name.uType = StrRet::kOffset;
        name.uOffset = kFsItemNameOffset;
        return S_OK;
    }
    return SetStrRet(name, editing ? ToDisplayUtf8(e.name) : ToVisibleName(e.name)) ? S_OK
                                                                                    : E_OUTOFMEMORY;
}

HResult TFileSystemFolder::SetNameOf(PCItemIDList item, std::string_view typed, std::uint32_t flags,
                                     PItemIDList* newItem) {
    if (newItem != nullptr)
        *newItem = nullptr;
    FsItem e;
    if (!DecodeFsItem(item, e))
        return E_INVALIDARG;
    // A name edited from the editing name keeps the bytes the user did not touch, which
    // that name could only show as U+FFFD.
    const std::string newName =
        (flags & SHGDN_FOREDITING) != 0 ? NameFromEdit(e.name, typed) : std::string(typed);
    if (!IsValidEntryName(newName))
        return E_INVALID_NAME;
    const std::string from = FPath + std::string(e.name);
    const std::string to = FPath + newName;
    if (from != to && RenameNoReplace(from, to) != 0)
        return ResultFromErrno(errno);
    if (newItem == nullptr)
        return S_OK;
    return MakeFsItemFor(FPath, newName, *newItem);
}

HResult TFileSystemFolder::GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) {
    if (const HResult hr = StartDetails(kColumns, kColumnCount, item, column, details);
        hr != S_FALSE)
        return hr;
    FsItem e;
    if (!DecodeFsItem(item, e))
        return E_INVALIDARG;
    switch (column) {
    case kColName:
        details.text = ToVisibleName(e.name);
        break;
    case kColSize:
        details.text =
            e.IsFolder() || (e.flags & FsItem::kNoStat) != 0 ? "" : SizeInKilobytesText(e.size);
        break;
    case kColType:
        details.text = TypeNameOf(e);
        break;
    default:
        details.text = LocalTimeText(e.mtimeSec);
        break;
    }
    return S_OK;
}

HResult TFileSystemFolder::GetIconOf(PCItemIDList item, bool open, std::string& iconName) {
    FsItem e;
    if (!DecodeFsItem(item, e))
        return E_INVALIDARG;
    if (!e.IsFolder()) {
        iconName = FileTypeOf(e.name, S_ISREG(e.mode) && (e.mode & 0111) != 0).iconName;
        return S_OK;
    }
    const std::string path = FPath + std::string(e.name) + "/";
    if (path == HomeFolder()) {
        iconName = "user-home";
    } else if (const char* special = IconOfUserDir(UserDirKeyOf(path))) {
        iconName = special;
    } else {
        iconName = open ? "folder-open" : "folder";
    }
    return S_OK;
}

HResult TFileSystemFolder::GetContextMenu(int count, const PCItemIDList* items,
                                          std::unique_ptr<IContextMenu>& menu) {
    menu.reset();
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        FsItem e;
        if (!DecodeFsItem(items[i], e))
            return E_INVALIDARG;
        paths.push_back(FPath + std::string(e.name));
    }
    menu = MakeFileContextMenu(std::move(paths), FPath);
    return S_OK;
}

HResult TFileSystemFolder::GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) {
    target.reset();
    if (item == nullptr) {
        target = MakeFolderDropTarget(FPath);
        return S_OK;
    }
    FsItem e;
    if (!DecodeFsItem(item, e))
        return E_INVALIDARG;
    if (!e.IsFolder())
        return E_NOINTERFACE;
    target = MakeFolderDropTarget(FPath + std::string(e.name) + "/");
    return S_OK;
}

} // namespace platform::shellns
