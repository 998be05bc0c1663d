#include "engine/OutputFile.h"

#include "engine/EngineErrors.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace unz {
namespace {

constexpr mode_t kNewFolderMode = 0777; // narrowed by the user's umask, as mkdir does
constexpr mode_t kNewFileMode = 0666;
constexpr int kTempNameAttempts = 100;

std::string ErrorText() {
    return strerror(errno);
}

[[noreturn]] void WriteFailure(const std::string& text) {
    throw TMemberError(ueSevere, stWriteError, text);
}

// A short hidden name: the member's own name may already be at the length limit.
std::string MakeTempName() {
    static std::atomic<uint32_t> counter{0};
    char buf[48];
    std::snprintf(buf, sizeof buf, ".unz%d-%u.tmp", static_cast<int>(getpid()),
                  counter.fetch_add(1));
    return buf;
}

} // namespace

TDirHandle::~TDirHandle() {
    if (FFd >= 0)
        close(FFd);
}

TDirHandle& TDirHandle::operator=(TDirHandle&& other) noexcept {
    if (this != &other) {
        if (FFd >= 0)
            close(FFd);
        FFd = other.FFd;
        other.FFd = -1;
    }
    return *this;
}

TDirHandle OpenTargetFolder(const std::string& path) {
    int fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throw TArchiveError(ueSevere, "cannot open target folder " + path + ": " + ErrorText());
    return TDirHandle(fd);
}

TDirHandle OpenSubfolder(const TDirHandle& base, const std::vector<std::string>& folders,
                         bool create) {
    TDirHandle current(dup(base.Fd()));
    if (current.Fd() < 0)
        WriteFailure("cannot use the target folder: " + ErrorText());
    std::string walked;
    for (const auto& part : folders) {
        walked += part + "/";
        int fd =
            openat(current.Fd(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT && create) {
            if (mkdirat(current.Fd(), part.c_str(), kNewFolderMode) != 0 && errno != EEXIST)
                WriteFailure("cannot create folder " + walked + ": " + ErrorText());
            fd =
                openat(current.Fd(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        if (fd < 0 && errno == ENOENT && !create)
            return TDirHandle();
        if (fd < 0) {
            if (errno == ELOOP || errno == ENOTDIR)
                throw TMemberError(ueUnsafeName, stFileExists,
                                   walked + " is a link or not a folder; not followed");
            WriteFailure("cannot open folder " + walked + ": " + ErrorText());
        }
        current = TDirHandle(fd);
    }
    return current;
}

TExistingEntry ProbeEntry(const TDirHandle& folder, const std::string& name) {
    TExistingEntry entry;
    struct stat st {};
    if (fstatat(folder.Fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.Exists = true;
        entry.IsFolder = S_ISDIR(st.st_mode);
        entry.Mtime = st.st_mtim.tv_sec;
    }
    return entry;
}

TOutputFile::TOutputFile(const TDirHandle& folder, std::string name)
    : FFolder(folder.Fd()), FName(std::move(name)) {
    for (int attempt = 0; attempt < kTempNameAttempts && FFd < 0; ++attempt) {
        FTempName = MakeTempName();
        FFd = openat(FFolder, FTempName.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
        if (FFd < 0 && errno != EEXIST)
            break;
    }
    if (FFd < 0)
        WriteFailure("cannot create a file for " + FName + ": " + ErrorText());
}

TOutputFile::~TOutputFile() {
    if (FFd >= 0) {
        close(FFd);
        unlinkat(FFolder, FTempName.c_str(), 0);
    }
}

void TOutputFile::Write(const uint8_t* data, size_t length) {
    while (length > 0) {
        ssize_t n = write(FFd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            WriteFailure("writing " + FName + " failed: " + ErrorText());
        data += n;
        length -= static_cast<size_t>(n);
    }
}

void TOutputFile::Commit(std::optional<int64_t> mtime) {
    if (mtime) {
        struct timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*mtime), 0}};
        futimens(FFd, times); // a time that cannot be set is no reason to lose the file
    }
    if (close(FFd) != 0) {
        FFd = -1;
        unlinkat(FFolder, FTempName.c_str(), 0);
        WriteFailure("writing " + FName + " failed: " + ErrorText());
    }
    FFd = -1;
    if (renameat(FFolder, FTempName.c_str(), FFolder, FName.c_str()) != 0) {
        std::string reason = ErrorText();
        unlinkat(FFolder, FTempName.c_str(), 0);
        WriteFailure("cannot put " + FName + " in place: " + reason);
    }
}

} // namespace unz
