// Copying, moving and linking files into a folder, as a paste or a drop does it. Nothing
// is ever overwritten: an entry whose name is taken in the target folder gets the next
// free name in the style of the file managers ("photo (2).jib").
#pragma once

#include "platform/shellns/ResultCodes.h"

#include <string>
#include <vector>

namespace platform::shellns {

enum class TransferKind { Copy, Move, Link };

// Transfers each source path (file, folder or link; a trailing "/" is ignored) into
// `targetFolder`. Folders are copied with everything in them; links are copied as links.
// A folder is never copied or moved into itself or below itself, and a move within the
// same folder does nothing. Stops at the first failure and answers its code; what was
// done before stays done.
HResult TransferPaths(const std::vector<std::string>& sources, const std::string& targetFolder,
                      TransferKind kind);

// `name`, or the first of "stem (2).ext", "stem (3).ext", ... that does not exist in
// `folder` (ending with "/").
std::string UniqueNameIn(const std::string& folder, const std::string& name);

// True when both paths lie on the same mounted file system (a move there is a rename).
bool OnSameFileSystem(const std::string& a, const std::string& b);

} // namespace platform::shellns
