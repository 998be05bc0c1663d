// The freedesktop.org Trash: deleting from the browser moves the entry into the trash of
// its volume with a .trashinfo record, so the desktop's own Trash can show and restore it.
// Files in the home trash's volume go to $XDG_DATA_HOME/Trash; files elsewhere to the
// volume's $topdir/.Trash/$uid (when the administrator prepared a sticky .Trash) or
// $topdir/.Trash-$uid.
#pragma once

#include "platform/shellns/ResultCodes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::shellns {

// The home trash folder, ending with "/": $XDG_DATA_HOME/Trash/.
std::string HomeTrashFolder();

// Moves `path` (a file, folder or link; a link is moved, not what it points at) into the
// trash. On success `trashedName` (when given) is its name in the trash's files/ folder.
HResult MoveToTrash(const std::string& path, std::string* trashedName = nullptr);

struct TrashEntry {
    std::string name;         // in files/
    std::string originalPath; // from the .trashinfo record; empty when it has none
    std::int64_t deletedSec = 0;
    bool folder = false;
    std::uint64_t size = 0;
};

// The entries of the home trash, in no particular order.
std::vector<TrashEntry> ReadHomeTrash();

// Reads a .trashinfo record's "Path" (percent-decoded into originalPath) and
// "DeletionDate" (local time, into deletedSec). Any program may have written the record: a
// path that does not decode leaves originalPath empty, a date that does not parse leaves
// deletedSec 0, and lines past the first kMaxTrashInfoSize bytes are not read.
inline constexpr std::size_t kMaxTrashInfoSize = 16384;
void ParseTrashInfo(std::string_view text, TrashEntry& entry);

// Percent-encoding of a path as the .trashinfo "Path=" key and file: URIs write it
// (everything but unreserved characters and "/"), and its inverse. Decoding fails on a
// malformed escape or a zero byte, encoded or not.
std::string PercentEncodePath(const std::string& path);
bool PercentDecode(const std::string& text, std::string& out);

} // namespace platform::shellns
