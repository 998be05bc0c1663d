#include "platform/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t n = ::write(fd, content.data(), content.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Replacing a link with a plain file would silently detach the settings from where the
// user keeps them; write through to the link's target instead.
std::string ResolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

// Writes a temporary file beside `target` and renames it over `target`; on failure the
// temporary file is removed and errno tells the first failure.
bool WriteAndRename(const std::string& target, std::string_view content, mode_t mode,
                    bool durable) {
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    const bool written =
        WriteAll(fd, content) && ::fchmod(fd, mode) == 0 && (!durable || ::fsync(fd) == 0);
    const int savedErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = written && closed ? errno : savedErrno;
        ::unlink(temp.c_str());
        errno = err;
        return false;
    }
    return true;
}

} // namespace

bool ReplaceFileAtomically(const std::string& path, std::string_view content) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    const std::string target = ResolveTarget(path);
    mode_t mode = 0644;
    struct stat st;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            errno = EISDIR;
            return false;
        }
        if (::access(target.c_str(), W_OK) != 0)
            return false;
        mode = st.st_mode & 07777;
    }
    return WriteAndRename(target, content, mode, true);
}

bool PublishFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    return WriteAndRename(path, content, mode, false);
}

} // namespace platform
