// Whole-file replacement that readers never see half done.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// Writes `content` to a new file beside `path` and renames it over `path`. A link at
// `path` is followed, so the file it points to is the one replaced. An existing file keeps
// its permission bits; an existing file we may not write is refused, as an in-place write
// would be. Answers false (errno set) on any failure, leaving the old file untouched.
bool ReplaceFileAtomically(const std::string& path, std::string_view content);

// Writes `content` to a new file beside `path` with permission bits `mode` and renames it
// to `path`, replacing whatever entry is there (a link itself, not its target). Not flushed
// to disk: for files another program takes up at once, such as a thumbnail handed to a
// file manager, where a crash may lose the file but no reader ever sees half of it. Answers
// false (errno set) on any failure, leaving nothing behind.
bool PublishFileAtomically(const std::string& path, std::string_view content, mode_t mode);

// PublishFileAtomically for the entry `name` (no "/") of the folder open as `folderFd`. The
// folder is never looked up by path again, so one that was checked when it was opened
// (its owner, that it is no link) cannot be swapped for another between the check and
// the write; the temporary file is created without following links.
bool PublishFileAtomicallyAt(int folderFd, const std::string& name, std::string_view content,
                             mode_t mode);

} // namespace platform
