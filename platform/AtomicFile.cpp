#include "platform/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Names tried for the moment between linking the finished file and renaming it into place.
constexpr int kLinkNameAttempts = 100;
constexpr const char* kOwnDescriptors = "/proc/self/fd";

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

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside `target` in `folderFd` (AT_FDCWD for paths), named `target` plus a
// random suffix, created exclusively and never through a link: mkstemp's rules, relative
// to a folder descriptor.
int CreateTemporary(int folderFd, const std::string& target, std::string& temp) {
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    constexpr int kSuffixLength = 6;
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        unsigned char random[kSuffixLength];
        if (::getentropy(random, sizeof random) != 0)
            return -1;
        temp = target + ".";
        for (unsigned char r : random)
            temp += kLetters[r % (sizeof kLetters - 1)];
        const int fd = ::openat(folderFd, temp.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    temp.clear();
    return -1;
}

// The new file is written unnamed (O_TMPFILE) where the file system allows: a writer
// killed before the rename then leaves nothing behind, where a named temporary file would
// stay beside the target for good. The name it gets for the rename exists only between
// two system calls.
struct TTemporaryFile {
    int fd = -1;
    bool unnamed = false;
    std::string name; // the named temporary file's, once it has one
};

// `target` is relative to `folderFd` (AT_FDCWD for paths).
TTemporaryFile OpenTemporary(int folderFd, const std::string& target, mode_t mode) {
    TTemporaryFile temp;
    // The unnamed file is linked through /proc (see LinkUnnamed); a sandbox without it
    // gets the named file from the start.
    if (::access(kOwnDescriptors, X_OK) == 0)
        temp.fd =
            ::openat(folderFd, FolderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    if (temp.fd >= 0) {
        temp.unnamed = true;
        return temp;
    }
    temp.fd = CreateTemporary(folderFd, target, temp.name);
    if (temp.fd < 0)
        temp.name.clear();
    return temp;
}

// Gives the unnamed file a name beside `target`. Linking through /proc needs no
// privilege, where linking the descriptor itself (AT_EMPTY_PATH) does.
bool LinkUnnamed(int folderFd, TTemporaryFile& temp, const std::string& target) {
    const std::string source = std::string(kOwnDescriptors) + "/" + std::to_string(temp.fd);
    for (int attempt = 0; attempt < kLinkNameAttempts; ++attempt) {
        std::string name =
            target + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        if (::linkat(AT_FDCWD, source.c_str(), folderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp.name = std::move(name);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// A rename is on disk only once the folder that holds the name is: without this, a power
// cut shortly after a save can bring back the old file, or (on some file systems) none.
void SyncFolderOf(int folderFd, const std::string& target) {
    const int folder =
        ::openat(folderFd, FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    ::fsync(folder); // file systems that cannot sync a folder keep their names by other means
    ::close(folder);
}

// Writes a temporary file beside `target` (relative to `folderFd`, AT_FDCWD for paths) and
// renames it over `target`, in the order that keeps one whole file at `target` at every
// moment: content, permission bits, flush (when `durable`), close, rename, flush of the
// folder. On failure the temporary file is gone and errno tells the first failure.
bool WriteAndRename(int folderFd, const std::string& target, std::string_view content, mode_t mode,
                    bool durable) {
    TTemporaryFile temp = OpenTemporary(folderFd, target, mode);
    if (temp.fd < 0)
        return false;
    bool done = WriteAll(temp.fd, content) && ::fchmod(temp.fd, mode) == 0 &&
                (!durable || ::fsync(temp.fd) == 0) &&
                (!temp.unnamed || LinkUnnamed(folderFd, temp, target));
    int err = errno;
    if (::close(temp.fd) != 0 && done) {
        done = false;
        err = errno;
    }
    if (done && ::renameat(folderFd, temp.name.c_str(), folderFd, target.c_str()) != 0) {
        done = false;
        err = errno;
    }
    if (!done) {
        if (!temp.name.empty())
            ::unlinkat(folderFd, temp.name.c_str(), 0);
        errno = err;
        return false;
    }
    if (durable)
        SyncFolderOf(folderFd, target);
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
    return WriteAndRename(AT_FDCWD, target, content, mode, true);
}

bool PublishFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    return WriteAndRename(AT_FDCWD, path, content, mode, false);
}

bool PublishFileAtomicallyAt(int folderFd, const std::string& name, std::string_view content,
                             mode_t mode) {
    if (name.empty() || name.find('/') != std::string::npos) {
        errno = EINVAL;
        return false;
    }
    return WriteAndRename(folderFd, name, content, mode, false);
}

} // namespace platform
