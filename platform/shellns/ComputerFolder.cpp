#include "platform/StrFormat.h"
#include "platform/shellns/FileSystemFolder.h"
#include "platform/shellns/FileVerbs.h"
#include "platform/shellns/ItemData.h"
#include "platform/shellns/NameText.h"
#include "platform/shellns/VirtualFolders.h"
#include "platform/shellns/Volumes.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace platform::shellns {
namespace {

enum Column { kColName, kColType, kColTotal, kColFree, kColumnCount };

constexpr ColumnHeader kColumns[kColumnCount] = {
    {"Name", LVCFMT_LEFT, 30},
    {"Type", LVCFMT_LEFT, 20},
    {"Total Size", LVCFMT_RIGHT, 12},
    {"Free Space", LVCFMT_RIGHT, 12},
};

std::string VolumeFolderPath(std::string_view mountPoint) {
    std::string path(mountPoint);
    if (path.back() != '/')
        path += '/';
    return path;
}

const char* TypeOfVolume(MountKind kind) {
    switch (kind) {
    case MountKind::RamDisk:
        return "RAM Disk";
    case MountKind::Remote:
        return "Network Drive";
    case MountKind::Removable:
        return "Removable Disk";
    case MountKind::Optical:
        return "CD Drive";
    default:
        return "Local Disk";
    }
}

const char* IconOfVolume(MountKind kind) {
    switch (kind) {
    case MountKind::Remote:
        return "folder-remote";
    case MountKind::Removable:
        return "drive-removable-media";
    case MountKind::Optical:
        return "media-optical";
    default:
        return "drive-harddisk";
    }
}

std::string HumanSize(double bytes) {
    static constexpr const char* kUnits[] = {"bytes", "KB", "MB", "GB", "TB", "PB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 5) {
        bytes /= 1024;
        ++unit;
    }
    return unit == 0 ? Format("%.0f %s", bytes, kUnits[unit])
                     : Format("%.1f %s", bytes, kUnits[unit]);
}

// A volume is said to hold folders without a look at it, as Explorer marks every drive:
// looking means reading its root, and a disk or network server that has stopped
// answering would hold the tree, and the window, for as long. Expanding a volume that
// holds none takes its mark away.
std::uint32_t VolumeAttributes(const VolumeItem& v, std::uint32_t mask) {
    std::uint32_t a = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER |
                      SFGAO_DROPTARGET | SFGAO_CANCOPY | SFGAO_CANLINK;
    if (v.kind == MountKind::Removable || v.kind == MountKind::Optical)
        a |= SFGAO_REMOVABLE;
    if (v.kind == MountKind::Optical)
        a |= SFGAO_READONLY;
    return a & mask;
}

} // namespace

HResult TComputerFolder::ParseDisplayName(std::string_view name, PItemIDList& list) {
    list = nullptr;
    std::string path;
    if (!NormalizeAbsolutePath(name, path))
        return E_INVALIDARG;
    const Volume volume = VolumeHolding(UserVolumes(), path);
    struct stat st;
    if (::stat(volume.mountPoint.c_str(), &st) != 0)
        return ResultFromErrno(errno);
    UniqueIdList volumeItem(MakeVolumeItem({volume.kind, volume.mountPoint, volume.label}));
    if (!volumeItem)
        return E_OUTOFMEMORY;
    const std::string below =
        volume.mountPoint == "/" ? path.substr(1) : path.substr(volume.mountPoint.size());
    if (below.empty() || below == "/") {
        list = volumeItem.release();
        return S_OK;
    }
    PItemIDList rest = nullptr;
    TFileSystemFolder root(VolumeFolderPath(volume.mountPoint), volume.kind);
    if (const HResult hr = root.ParseDisplayName(below, rest); Failed(hr))
        return hr;
    UniqueIdList restOwned(rest);
    list = IdListCombine(volumeItem.get(), rest);
    return list != nullptr ? S_OK : E_OUTOFMEMORY;
}

HResult TComputerFolder::EnumObjects(std::uint32_t flags, std::unique_ptr<IEnumIDList>& items) {
    std::vector<UniqueIdList> volumes;
    if ((flags & SHCONTF_FOLDERS) != 0) {
        for (const auto& v : UserVolumes())
            AddItem(volumes, MakeVolumeItem({v.kind, v.mountPoint, v.label}));
    }
    items = std::make_unique<TListEnumerator>(std::move(volumes));
    return S_OK;
}

HResult TComputerFolder::BindToItem(PCItemIDList item, ShellFolderPtr& folder) {
    VolumeItem v;
    if (!DecodeVolumeItem(item, v))
        return E_INVALIDARG;
    folder = std::make_shared<TFileSystemFolder>(VolumeFolderPath(v.mountPoint), v.kind);
    return S_OK;
}

HResult TComputerFolder::CompareItems(int, PCItemIDList a, PCItemIDList b, int& order) {
    VolumeItem va, vb;
    if (!DecodeVolumeItem(a, va) || !DecodeVolumeItem(b, vb))
        return E_INVALIDARG;
    const bool rootA = va.mountPoint == "/";
    const bool rootB = vb.mountPoint == "/";
    if (rootA != rootB) {
        order = rootA ? -1 : 1;
        return S_OK;
    }
    order =
        CompareNamesNaturally(VolumeDisplayName(std::string(va.mountPoint), std::string(va.label)),
                              VolumeDisplayName(std::string(vb.mountPoint), std::string(vb.label)));
    if (order == 0)
        order = va.mountPoint.compare(vb.mountPoint) < 0 ? -1
                : va.mountPoint == vb.mountPoint         ? 0
                                                         : 1;
    return S_OK;
}

HResult TComputerFolder::GetAttributesOf(int count, const PCItemIDList* items,
                                         std::uint32_t& attributes) {
    const std::uint32_t mask = attributes;
    if (count <= 0) {
        attributes = mask & (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER);
        return S_OK;
    }
    if (items == nullptr)
        return E_POINTER;
    std::uint32_t all = 0;
    for (int i = 0; i < count; ++i) {
        VolumeItem v;
        if (!DecodeVolumeItem(items[i], v))
            return E_INVALIDARG;
        MergeAttributes(all, VolumeAttributes(v, mask), i == 0);
    }
    attributes = all;
    return S_OK;
}

HResult TComputerFolder::GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, StrRet& name) {
    VolumeItem v;
    if (!DecodeVolumeItem(item, v))
        return E_INVALIDARG;
    const bool parsing = (flags & SHGDN_FORPARSING) != 0 && (flags & SHGDN_INFOLDER) == 0;
    const std::string text =
        parsing ? std::string(v.mountPoint)
                : ToDisplayUtf8(VolumeDisplayName(std::string(v.mountPoint), std::string(v.label)));
    return SetStrRet(name, text) ? S_OK : E_OUTOFMEMORY;
}

HResult TComputerFolder::GetDetailsOf(PCItemIDList item, int column, ShellDetails& details) {
    if (const HResult hr = StartDetails(kColumns, kColumnCount, item, column, details);
        hr != S_FALSE)
        return hr;
    VolumeItem v;
    if (!DecodeVolumeItem(item, v))
        return E_INVALIDARG;
    if (column == kColName) {
        details.text =
            ToDisplayUtf8(VolumeDisplayName(std::string(v.mountPoint), std::string(v.label)));
    } else if (column == kColType) {
        details.text = TypeOfVolume(v.kind);
    } else if (v.kind != MountKind::Remote) {
        struct statvfs fs;
        if (::statvfs(std::string(v.mountPoint).c_str(), &fs) == 0) {
            const double block = static_cast<double>(fs.f_frsize);
            details.text = HumanSize(
                block * static_cast<double>(column == kColTotal ? fs.f_blocks : fs.f_bavail));
        }
    }
    return S_OK;
}

HResult TComputerFolder::GetIconOf(PCItemIDList item, bool, std::string& iconName) {
    VolumeItem v;
    if (!DecodeVolumeItem(item, v))
        return E_INVALIDARG;
    iconName = IconOfVolume(v.kind);
    return S_OK;
}

HResult TComputerFolder::GetDropTarget(PCItemIDList item, std::unique_ptr<IDropTarget>& target) {
    target.reset();
    VolumeItem v;
    if (item == nullptr)
        return E_NOINTERFACE;
    if (!DecodeVolumeItem(item, v))
        return E_INVALIDARG;
    target = MakeFolderDropTarget(VolumeFolderPath(v.mountPoint));
    return S_OK;
}

} // namespace platform::shellns
