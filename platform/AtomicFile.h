// Whole-file replacement that readers never see half done.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Writes `content` to a new file beside `path` and renames it over `path`. A link at
// `path` is followed, so the file it points to is the one replaced. An existing file keeps
// its permission bits; an existing file we may not write is refused, as an in-place write
// would be. Answers false (errno set) on any failure, leaving the old file untouched.
bool ReplaceFileAtomically(const std::string& path, std::string_view content);

} // namespace platform
