// What the bytes of this namespace's items hold. The layout is private to the namespace;
// every decoder checks the item completely, since an item may come from a stored
// locator or another program's drop rather than from one of our own folders.
//
// Every item starts with a kind byte:
//   'H' Home, 'C' Computer, 'T' Trash (the desktop's virtual entries: only the kind);
//   'F' a file-system entry (file, folder or link) of the folder that holds it;
//   'V' a volume under Computer (the root file system or a mounted user volume);
//   'X' an entry of the Trash.
#pragma once

#include "platform/MountTable.h"
#include "platform/shellns/ItemIdList.h"

#include <cstdint>
#include <string_view>
#include <sys/stat.h>

namespace platform::shellns {

enum class ItemKind : char {
    Home = 'H',
    Computer = 'C',
    Trash = 'T',
    FileSystem = 'F',
    Volume = 'V',
    Trashed = 'X',
    Unknown = 0,
};

// The kind of the first item; Unknown for the terminator, null and foreign items.
ItemKind KindOf(PCItemIDList item);

PItemIDList MakeVirtualItem(ItemKind kind);

// A file-system entry as it was when the item was made.
struct FsItem {
    enum Flags : std::uint8_t {
        kFolder = 0x01,   // a folder, or a link to one
        kLink = 0x02,     // a symbolic link (the fields below describe its target)
        kDangling = 0x04, // a link whose target is missing
        kNoStat = 0x08,   // the entry could be listed but not examined
    };
    std::uint8_t flags = 0;
    std::uint32_t mode = 0;
    std::uint32_t uid = 0;
    std::uint32_t gid = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeSec = 0;
    std::uint32_t mtimeNsec = 0;
    std::string_view name; // points into the item

    bool IsFolder() const { return (flags & kFolder) != 0; }
    bool IsLink() const { return (flags & kLink) != 0; }
};

// Offset of the zero-terminated name inside an 'F' item (from the item's first byte).
inline constexpr std::uint32_t kFsItemNameOffset = 38;

// A name one folder entry may carry: not empty, no "/" or zero byte, not "." or "..",
// at most 255 bytes.
bool IsValidEntryName(std::string_view name);

// The item for `name` from its lstat result, and for a link its target's stat (null when
// the target is missing). Null when the name is invalid or memory is short.
PItemIDList MakeFsItem(std::string_view name, const struct stat* entry,
                       const struct stat* linkTarget);
// An item for an entry that could be listed but not examined.
PItemIDList MakeUnstattedFsItem(std::string_view name, bool folder);
bool DecodeFsItem(PCItemIDList item, FsItem& out);

struct VolumeItem {
    MountKind kind = MountKind::Fixed;
    std::string_view mountPoint; // absolute, "/" for the root file system
    std::string_view label;      // may be empty
};
PItemIDList MakeVolumeItem(const VolumeItem& volume);
bool DecodeVolumeItem(PCItemIDList item, VolumeItem& out);

struct TrashedItem {
    bool folder = false;
    std::uint64_t size = 0;
    std::int64_t deletedSec = 0;
    std::string_view name;         // name inside the trash's files/ folder
    std::string_view originalPath; // where it came from
};
PItemIDList MakeTrashedItem(const TrashedItem& entry);
bool DecodeTrashedItem(PCItemIDList item, TrashedItem& out);

} // namespace platform::shellns
