#include "platform/shellns/ItemData.h"

#include "platform/shellns/NameText.h"

#include <cstring>
#include <limits>
#include <string>

namespace platform::shellns {
namespace {

// Offsets inside an 'F' item, from the item's first byte (its size field).
constexpr std::size_t kFsKind = 2;
constexpr std::size_t kFsFlags = 3;
constexpr std::size_t kFsMode = 4;
constexpr std::size_t kFsUid = 8;
constexpr std::size_t kFsGid = 12;
constexpr std::size_t kFsSize = 16;
constexpr std::size_t kFsMtimeSec = 24;
constexpr std::size_t kFsMtimeNsec = 32;
constexpr std::size_t kFsNameLength = 36;
static_assert(kFsItemNameOffset == kFsNameLength + 2);

// 'V' item.
constexpr std::size_t kVolKind = 2;
constexpr std::size_t kVolMountKind = 3;
constexpr std::size_t kVolMountLength = 4;
constexpr std::size_t kVolLabelLength = 6;
constexpr std::size_t kVolText = 8;

// 'X' item.
constexpr std::size_t kTrKind = 2;
constexpr std::size_t kTrFlags = 3;
constexpr std::size_t kTrSize = 4;
constexpr std::size_t kTrDeleted = 12;
constexpr std::size_t kTrNameLength = 20;
constexpr std::size_t kTrOriginalLength = 22;
constexpr std::size_t kTrText = 24;
constexpr std::uint8_t kTrFolder = 0x01;

constexpr std::size_t kMaxEntryName = 255;

// Little-endian fields at fixed offsets of a buffer whose size was checked beforehand.
class Fields {
public:
    explicit Fields(std::uint8_t* p) : FP(p) {}
    void Put(std::size_t at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            FP[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    void PutText(std::size_t at, std::string_view text) {
        if (!text.empty())
            std::memcpy(FP + at, text.data(), text.size());
        FP[at + text.size()] = 0;
    }

private:
    std::uint8_t* FP;
};

std::uint64_t Get(const std::uint8_t* p, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i)
        value |= static_cast<std::uint64_t>(p[at + i]) << (8 * i);
    return value;
}

const std::uint8_t* Bytes(PCItemIDList item) {
    return reinterpret_cast<const std::uint8_t*>(item);
}

// A zero-terminated text of `length` bytes at `at`, inside an item of `size` bytes, with
// no zero byte inside it.
bool TextAt(const std::uint8_t* p, std::size_t size, std::size_t at, std::size_t length,
            std::string_view& out) {
    if (at > size || length >= size - at || p[at + length] != 0)
        return false;
    out = std::string_view(reinterpret_cast<const char*>(p) + at, length);
    return out.find('\0') == std::string_view::npos;
}

// Allocates a one-item list of `itemSize` bytes with the size field and terminator set.
PItemIDList NewItem(std::size_t itemSize, std::uint8_t*& p) {
    PItemIDList list = IdListNewItem(itemSize);
    p = reinterpret_cast<std::uint8_t*>(list);
    return list;
}

// An absolute path that is already clean: no "." or ".." parts, no "//", no zero byte.
bool IsCleanAbsolutePath(std::string_view path) {
    std::string clean;
    return NormalizeAbsolutePath(path, clean) && clean == path;
}

} // namespace

ItemKind KindOf(PCItemIDList item) {
    if (ItemSize(item) < kMinItemSize)
        return ItemKind::Unknown;
    switch (static_cast<char>(Bytes(item)[kItemSizeFieldSize])) {
    case 'H':
        return ItemKind::Home;
    case 'C':
        return ItemKind::Computer;
    case 'T':
        return ItemKind::Trash;
    case 'F':
        return ItemKind::FileSystem;
    case 'V':
        return ItemKind::Volume;
    case 'X':
        return ItemKind::Trashed;
    default:
        return ItemKind::Unknown;
    }
}

PItemIDList MakeVirtualItem(ItemKind kind) {
    const char content = static_cast<char>(kind);
    return IdListFromItemBytes(std::string_view(&content, 1));
}

bool IsValidEntryName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxEntryName && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

PItemIDList MakeFsItem(std::string_view name, const struct stat* entry,
                       const struct stat* linkTarget) {
    if (!IsValidEntryName(name))
        return nullptr;
    std::uint8_t* p = nullptr;
    PItemIDList list = NewItem(kFsItemNameOffset + name.size() + 1, p);
    if (list == nullptr)
        return nullptr;
    const bool link = entry != nullptr && S_ISLNK(entry->st_mode);
    const struct stat* info = link && linkTarget != nullptr ? linkTarget : entry;
    std::uint8_t flags = 0;
    if (link)
        flags |= FsItem::kLink;
    if (link && linkTarget == nullptr)
        flags |= FsItem::kDangling;
    if (info == nullptr)
        flags |= FsItem::kNoStat;
    if (info != nullptr && S_ISDIR(info->st_mode))
        flags |= FsItem::kFolder;
    Fields f(p);
    f.Put(kFsKind, static_cast<std::uint8_t>(ItemKind::FileSystem), 1);
    f.Put(kFsFlags, flags, 1);
    if (info != nullptr) {
        f.Put(kFsMode, info->st_mode, 4);
        f.Put(kFsUid, info->st_uid, 4);
        f.Put(kFsGid, info->st_gid, 4);
        f.Put(kFsSize, S_ISREG(info->st_mode) ? static_cast<std::uint64_t>(info->st_size) : 0, 8);
        f.Put(kFsMtimeSec, static_cast<std::uint64_t>(info->st_mtim.tv_sec), 8);
        f.Put(kFsMtimeNsec, static_cast<std::uint64_t>(info->st_mtim.tv_nsec), 4);
    }
    f.Put(kFsNameLength, name.size(), 2);
    f.PutText(kFsItemNameOffset, name);
    return list;
}

PItemIDList MakeUnstattedFsItem(std::string_view name, bool folder) {
    PItemIDList list = MakeFsItem(name, nullptr, nullptr);
    if (list != nullptr) {
        auto* p = reinterpret_cast<std::uint8_t*>(list);
        p[kFsFlags] = static_cast<std::uint8_t>(FsItem::kNoStat | (folder ? FsItem::kFolder : 0));
        Fields(p).Put(kFsMode, folder ? S_IFDIR : S_IFREG, 4);
    }
    return list;
}

bool DecodeFsItem(PCItemIDList item, FsItem& out) {
    if (KindOf(item) != ItemKind::FileSystem)
        return false;
    const std::size_t size = ItemSize(item);
    const std::uint8_t* p = Bytes(item);
    if (size < kFsItemNameOffset + 2)
        return false;
    const auto length = static_cast<std::size_t>(Get(p, kFsNameLength, 2));
    if (kFsItemNameOffset + length + 1 != size)
        return false;
    if (!TextAt(p, size, kFsItemNameOffset, length, out.name) || !IsValidEntryName(out.name))
        return false;
    out.flags = p[kFsFlags];
    out.mode = static_cast<std::uint32_t>(Get(p, kFsMode, 4));
    out.uid = static_cast<std::uint32_t>(Get(p, kFsUid, 4));
    out.gid = static_cast<std::uint32_t>(Get(p, kFsGid, 4));
    out.size = Get(p, kFsSize, 8);
    out.mtimeSec = static_cast<std::int64_t>(Get(p, kFsMtimeSec, 8));
    out.mtimeNsec = static_cast<std::uint32_t>(Get(p, kFsMtimeNsec, 4));
    return true;
}

PItemIDList MakeVolumeItem(const VolumeItem& volume) {
    if (!IsCleanAbsolutePath(volume.mountPoint) || volume.label.size() > kMaxEntryName)
        return nullptr;
    std::uint8_t* p = nullptr;
    PItemIDList list =
        NewItem(kVolText + volume.mountPoint.size() + 1 + volume.label.size() + 1, p);
    if (list == nullptr)
        return nullptr;
    Fields f(p);
    f.Put(kVolKind, static_cast<std::uint8_t>(ItemKind::Volume), 1);
    f.Put(kVolMountKind, static_cast<std::uint8_t>(volume.kind), 1);
    f.Put(kVolMountLength, volume.mountPoint.size(), 2);
    f.Put(kVolLabelLength, volume.label.size(), 2);
    f.PutText(kVolText, volume.mountPoint);
    f.PutText(kVolText + volume.mountPoint.size() + 1, volume.label);
    return list;
}

bool DecodeVolumeItem(PCItemIDList item, VolumeItem& out) {
    if (KindOf(item) != ItemKind::Volume)
        return false;
    const std::size_t size = ItemSize(item);
    const std::uint8_t* p = Bytes(item);
    if (size < kVolText + 2)
        return false;
    const auto mountLength = static_cast<std::size_t>(Get(p, kVolMountLength, 2));
    const auto labelLength = static_cast<std::size_t>(Get(p, kVolLabelLength, 2));
    if (kVolText + mountLength + 1 + labelLength + 1 != size)
        return false;
    const auto kind = p[kVolMountKind];
    if (kind > static_cast<std::uint8_t>(MountKind::Pseudo))
        return false;
    out.kind = static_cast<MountKind>(kind);
    return TextAt(p, size, kVolText, mountLength, out.mountPoint) &&
           TextAt(p, size, kVolText + mountLength + 1, labelLength, out.label) &&
           IsCleanAbsolutePath(out.mountPoint);
}

PItemIDList MakeTrashedItem(const TrashedItem& entry) {
    if (!IsValidEntryName(entry.name) || entry.originalPath.size() > 4096)
        return nullptr;
    std::uint8_t* p = nullptr;
    PItemIDList list = NewItem(kTrText + entry.name.size() + 1 + entry.originalPath.size() + 1, p);
    if (list == nullptr)
        return nullptr;
    Fields f(p);
    f.Put(kTrKind, static_cast<std::uint8_t>(ItemKind::Trashed), 1);
    f.Put(kTrFlags, entry.folder ? kTrFolder : 0, 1);
    f.Put(kTrSize, entry.size, 8);
    f.Put(kTrDeleted, static_cast<std::uint64_t>(entry.deletedSec), 8);
    f.Put(kTrNameLength, entry.name.size(), 2);
    f.Put(kTrOriginalLength, entry.originalPath.size(), 2);
    f.PutText(kTrText, entry.name);
    f.PutText(kTrText + entry.name.size() + 1, entry.originalPath);
    return list;
}

bool DecodeTrashedItem(PCItemIDList item, TrashedItem& out) {
    if (KindOf(item) != ItemKind::Trashed)
        return false;
    const std::size_t size = ItemSize(item);
    const std::uint8_t* p = Bytes(item);
    if (size < kTrText + 2)
        return false;
    const auto nameLength = static_cast<std::size_t>(Get(p, kTrNameLength, 2));
    const auto originalLength = static_cast<std::size_t>(Get(p, kTrOriginalLength, 2));
    if (kTrText + nameLength + 1 + originalLength + 1 != size)
        return false;
    out.folder = (p[kTrFlags] & kTrFolder) != 0;
    out.size = Get(p, kTrSize, 8);
    out.deletedSec = static_cast<std::int64_t>(Get(p, kTrDeleted, 8));
    return TextAt(p, size, kTrText, nameLength, out.name) &&
           TextAt(p, size, kTrText + nameLength + 1, originalLength, out.originalPath) &&
           IsValidEntryName(out.name);
}

} // namespace platform::shellns
