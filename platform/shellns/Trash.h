// The freedesktop.org Trash: deleting from the browser moves the entry into the trash of
// its volume with a .trashinfo record, so the desktop's own Trash can show and restore it.
// Files in the home trash's volume go to $XDG_DATA_HOME/Trash; files elsewhere to the
// volume's $topdir/.Trash/$uid (when the administrator prepared a sticky .Trash) or
// $topdir/.Trash-$uid.
#pragma once

#include "platform/shellns/ResultCodes.h"

#include <cstdint>
#include <string>
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

// Percent-encoding of a path as the .trashinfo "Path=" key and file: URIs write it
// (everything but unreserved characters and "/"), and its inverse. Decoding fails on a
// malformed escape or an encoded zero byte.
std::string PercentEncodePath(const std::string& path);
bool PercentDecode(const std::string& text, std::string& out);

} // namespace platform::shellns
