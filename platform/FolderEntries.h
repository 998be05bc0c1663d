// A folder's entries read with getdents64 straight into a caller's buffer: where a folder
// is read often and briefly (has it sub-folders? empty it), opendir's own checks (a stat
// and two fcntl calls on the descriptor) would be more system calls than the listing.
#pragma once

#include <cstddef>
#include <dirent.h>
#include <string_view>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

// Reads the next batch of the open folder `fd`'s entries into `buffer` (aligned for
// dirent64): the bytes read, 0 at the end, negative on an error.
inline long ReadFolderEntries(int fd, char* buffer, std::size_t size) {
    return ::syscall(SYS_getdents64, fd, buffer, size);
}

// Calls `visit` with each entry of a batch but "." and "..", until it answers true;
// answers whether one did.
template <class TVisit> bool AnyFolderEntry(const char* batch, long size, TVisit visit) {
    for (long at = 0; at < size;) {
        const auto* d = reinterpret_cast<const dirent64*>(batch + at);
        at += d->d_reclen;
        const std::string_view name = d->d_name;
        if (name != "." && name != ".." && visit(*d))
            return true;
    }
    return false;
}

} // namespace platform
