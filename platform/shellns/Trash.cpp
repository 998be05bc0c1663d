#include "platform/shellns/Trash.h"

#include "platform/MountTable.h"
#include "platform/PercentCoding.h"
#include "platform/TextLines.h"
#include "platform/shellns/UserDirs.h"
#include "platform/shellns/Volumes.h"

#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::shellns {
namespace {

constexpr const char* kInfoSuffix = ".trashinfo";
constexpr int kMaxNameAttempts = 10000;
constexpr std::string_view kPathKey = "Path=";
constexpr std::string_view kDeletionDateKey = "DeletionDate=";

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '~' || c == '/';
}

bool IsRealFolder(const std::string& path, struct stat* out = nullptr) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (out != nullptr)
        *out = st;
    return true;
}

// Creates a trash folder's files/ and info/ when missing, private to the user.
bool PrepareTrash(const std::string& trash) {
    for (const std::string& path : {trash, trash + "files", trash + "info"}) {
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (!IsRealFolder(path))
            return false;
    }
    return true;
}

// The trash for an entry on another volume than the home trash: $topdir/.Trash/$uid when
// .Trash is a real, sticky folder (a link there could send files anywhere), else
// $topdir/.Trash-$uid.
std::string VolumeTrashFor(const std::string& topdir) {
    const std::string uid = std::to_string(::getuid());
    const std::string base = topdir == "/" ? "/" : topdir + "/";
    struct stat st;
    if (IsRealFolder(base + ".Trash", &st) && (st.st_mode & S_ISVTX) != 0) {
        const std::string trash = base + ".Trash/" + uid + "/";
        if (PrepareTrash(trash))
            return trash;
    }
    const std::string trash = base + ".Trash-" + uid + "/";
    return PrepareTrash(trash) ? trash : std::string();
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &local);
    return buffer;
}

std::int64_t ParseTimeStamp(const std::string& text) {
    std::tm local{};
    if (::strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S", &local) == nullptr)
        return 0;
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

// Reserves a name in info/ by creating its record exclusively, so two deletions of
// files with the same name never share a record.
HResult ReserveName(const std::string& trash, const std::string& name, const std::string& info,
                    std::string& chosen) {
    const auto dot = name.find_last_of('.');
    const bool hasExt = dot != std::string::npos && dot != 0;
    for (int n = 1; n <= kMaxNameAttempts; ++n) {
        chosen = n == 1 ? name
                        : (hasExt ? name.substr(0, dot) : name) + "." + std::to_string(n) +
                              (hasExt ? name.substr(dot) : "");
        const std::string infoPath = trash + "info/" + chosen + kInfoSuffix;
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return ResultFromErrno(errno);
        }
        struct stat taken;
        if (::lstat((trash + "files/" + chosen).c_str(), &taken) == 0) {
            ::close(fd);
            ::unlink(infoPath.c_str());
            continue;
        }
        const bool written =
            ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            ::unlink(infoPath.c_str());
            return E_FAIL;
        }
        return S_OK;
    }
    return E_ALREADY_EXISTS;
}

} // namespace

std::string HomeTrashFolder() {
    return DataHomeFolder() + "Trash/";
}

std::string PercentEncodePath(const std::string& path) {
    return platform::PercentEncode(path, IsUnreserved);
}

bool PercentDecode(const std::string& text, std::string& out) {
    return platform::PercentDecode(text, out, std::string_view("\0", 1));
}

void ParseTrashInfo(std::string_view text, TrashEntry& entry) {
    text = text.substr(0, kMaxTrashInfoSize);
    while (!text.empty()) {
        const std::string_view line = TakeLine(text);
        if (line.substr(0, kPathKey.size()) == kPathKey) {
            // A half-decoded path would name something else entirely.
            if (!PercentDecode(std::string(line.substr(kPathKey.size())), entry.originalPath))
                entry.originalPath.clear();
        } else if (line.substr(0, kDeletionDateKey.size()) == kDeletionDateKey) {
            entry.deletedSec = ParseTimeStamp(std::string(line.substr(kDeletionDateKey.size())));
        }
    }
}

HResult MoveToTrash(const std::string& path, std::string* trashedName) {
    std::string source = path;
    while (source.size() > 1 && source.back() == '/')
        source.pop_back();
    struct stat st;
    if (source.empty() || source.front() != '/' || source == "/")
        return E_INVALIDARG;
    if (::lstat(source.c_str(), &st) != 0)
        return ResultFromErrno(errno);

    std::string trash = HomeTrashFolder();
    std::string recordedPath = source;
    struct stat home;
    const std::string homeTrashParent = MakePrivateFolders(DataHomeFolder());
    if (::stat(homeTrashParent.c_str(), &home) != 0 || home.st_dev != st.st_dev) {
        // Another volume: renaming into the home trash would copy the data across; the
        // volume's own trash keeps the move a rename, with the path relative to its top.
        const auto mounts = CurrentMountTable();
        const MountEntry* mount = FindMountFor(mounts, source);
        const std::string topdir = mount != nullptr ? mount->mountPoint : "/";
        trash = VolumeTrashFor(topdir);
        if (trash.empty())
            return E_ACCESSDENIED;
        if (topdir != "/")
            recordedPath = source.substr(topdir.size() + 1);
    } else if (!PrepareTrash(trash)) {
        return E_ACCESSDENIED;
    }

    const std::string info = "[Trash Info]\nPath=" + PercentEncodePath(recordedPath) +
                             "\nDeletionDate=" + TimeStamp() + "\n";
    const std::string name = source.substr(source.find_last_of('/') + 1);
    std::string chosen;
    if (const HResult hr = ReserveName(trash, name, info, chosen); Failed(hr))
        return hr;
    if (::rename(source.c_str(), (trash + "files/" + chosen).c_str()) != 0) {
        const HResult hr = ResultFromErrno(errno);
        ::unlink((trash + "info/" + chosen + kInfoSuffix).c_str());
        return hr;
    }
    if (trashedName != nullptr)
        *trashedName = chosen;
    return S_OK;
}

std::vector<TrashEntry> ReadHomeTrash() {
    std::vector<TrashEntry> entries;
    const std::string trash = HomeTrashFolder();
    std::string text;
    DIR* dir = ::opendir((trash + "files").c_str());
    if (dir == nullptr)
        return entries;
    while (const dirent* d = ::readdir(dir)) {
        TrashEntry e;
        e.name = d->d_name;
        if (e.name == "." || e.name == "..")
            continue;
        struct stat st;
        const std::string file = trash + "files/" + e.name;
        if (::lstat(file.c_str(), &st) != 0)
            continue;
        e.folder = S_ISDIR(st.st_mode);
        e.size = e.folder ? 0 : static_cast<std::uint64_t>(S_ISREG(st.st_mode) ? st.st_size : 0);
        // A record is a few lines; only so much of a bigger file is read.
        std::ifstream in(trash + "info/" + e.name + kInfoSuffix, std::ios::binary);
        text.resize(kMaxTrashInfoSize);
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(in.gcount()));
        ParseTrashInfo(text, e);
        entries.push_back(std::move(e));
    }
    ::closedir(dir);
    return entries;
}

} // namespace platform::shellns
