#include "platform/MountTable.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::array kRamFileSystems = {"tmpfs", "ramfs"};
constexpr std::array kOpticalFileSystems = {"iso9660", "udf"};
constexpr std::array kRemoteFileSystems = {
    "nfs", "nfs4", "cifs",      "smb3",  "smbfs",  "ncpfs",      "afs",
    "9p",  "ceph", "glusterfs", "davfs", "lustre", "fuse.sshfs", "fuse.rclone"};
constexpr std::array kPseudoFileSystems = {
    "proc",      "sysfs",           "devtmpfs",    "devpts",     "cgroup",
    "cgroup2",   "securityfs",      "pstore",      "efivarfs",   "bpf",
    "debugfs",   "tracefs",         "configfs",    "fusectl",    "mqueue",
    "hugetlbfs", "autofs",          "binfmt_misc", "rpc_pipefs", "nsfs",
    "squashfs",  "fuse.gvfsd-fuse", "fuse.portal", "selinuxfs"};

template <std::size_t N>
bool OneOf(std::string_view value, const std::array<const char*, N>& names) {
    return std::any_of(names.begin(), names.end(), [value](const char* n) { return value == n; });
}

// mountinfo escapes blanks, tabs, newlines and backslashes in paths as \ooo octal.
std::string Unescape(std::string_view field) {
    const auto isOctal = [](char c) {
        return c >= '0' && c <= '7';
    };
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// A partition's "removable" flag lives on its whole disk, one folder up in sysfs.
bool IsRemovableDevice(unsigned major, unsigned minor, const std::string& sysRoot) {
    const std::string dev =
        sysRoot + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    if (ReadFirstLine(dev + "/removable") == "1")
        return true;
    return ReadFirstLine(dev + "/partition").empty() == false &&
           ReadFirstLine(dev + "/../removable") == "1";
}

MountKind Classify(const MountEntry& e, const std::string& sysRoot) {
    if (OneOf(e.fsType, kPseudoFileSystems))
        return MountKind::Pseudo;
    if (OneOf(e.fsType, kRamFileSystems))
        return MountKind::RamDisk;
    if (OneOf(e.fsType, kRemoteFileSystems) || e.fsType.rfind("fuse.sshfs", 0) == 0)
        return MountKind::Remote;
    if (OneOf(e.fsType, kOpticalFileSystems))
        return MountKind::Optical;
    if (e.major != 0 && IsRemovableDevice(e.major, e.minor, sysRoot))
        return MountKind::Removable;
    // Device-less file systems that are not listed above (FUSE helpers and the like) are
    // plumbing rather than volumes, unless they come from a block device.
    if (e.major == 0 && e.fsType.rfind("fuse", 0) == 0)
        return MountKind::Pseudo;
    return MountKind::Fixed;
}

bool HasPathPrefix(std::string_view path, std::string_view prefix) {
    if (prefix == "/")
        return !path.empty() && path.front() == '/';
    return path.substr(0, prefix.size()) == prefix &&
           (path.size() == prefix.size() || path[prefix.size()] == '/');
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text, const std::string& sysRoot) {
    std::vector<MountEntry> mounts;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string w; fields >> w;)
            f.push_back(w);
        const auto sep = std::find(f.begin(), f.end(), "-");
        if (f.size() < 5 || sep == f.end() || f.end() - sep < 3 || sep - f.begin() < 6)
            continue;
        MountEntry e;
        const auto colon = f[2].find(':');
        if (colon == std::string::npos)
            continue;
        e.major = static_cast<unsigned>(std::strtoul(f[2].c_str(), nullptr, 10));
        e.minor = static_cast<unsigned>(std::strtoul(f[2].c_str() + colon + 1, nullptr, 10));
        e.mountPoint = Unescape(f[4]);
        e.fsType = *(sep + 1);
        e.source = Unescape(*(sep + 2));
        if (e.mountPoint.empty() || e.mountPoint.front() != '/')
            continue;
        e.kind = Classify(e, sysRoot);
        mounts.push_back(std::move(e));
    }
    return mounts;
}

std::vector<MountEntry> ReadMountTable() {
    // The table is asked for whenever an archive is opened (is its drive removable?) and
    // by the browser's volumes; reading and classifying it costs the kernel far more than
    // the rest of opening a small archive. It changes only when something is mounted or
    // unmounted, which the kernel reports on an open mountinfo descriptor as a priority
    // event (proc(5)), so the parsed table is kept until then. A process that moves to
    // another mount namespace reads the new one afresh.
    static std::mutex lock;
    static int fd = -1;
    static ino_t space = 0;
    static std::vector<MountEntry> table;
    std::lock_guard guard(lock);
    struct stat ns;
    const ino_t current = ::stat("/proc/self/ns/mnt", &ns) == 0 ? ns.st_ino : 0;
    bool fresh = fd >= 0 && current == space;
    if (fresh) {
        pollfd changed{fd, POLLPRI, 0};
        fresh = ::poll(&changed, 1, 0) == 0;
    }
    if (fresh)
        return table;
    if (fd < 0 || current != space) {
        if (fd >= 0)
            ::close(fd);
        fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
        space = current;
        if (fd < 0)
            return {};
    }
    // Read from the start through the watched descriptor: a change after its event was
    // taken shows in the text or raises the next event.
    std::string text;
    char block[8192];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, block, sizeof block, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(block, static_cast<std::size_t>(n));
        at += n;
    }
    table = ParseMountInfo(text);
    return table;
}

const MountEntry* FindMountFor(const std::vector<MountEntry>& mounts, std::string_view path) {
    const MountEntry* best = nullptr;
    for (const auto& m : mounts) {
        // Later mounts over the same point hide earlier ones, so ">=" keeps the last.
        if (HasPathPrefix(path, m.mountPoint) &&
            (best == nullptr || m.mountPoint.size() >= best->mountPoint.size()))
            best = &m;
    }
    return best;
}

bool IsUserVolume(const MountEntry& entry) {
    if (entry.kind == MountKind::Pseudo)
        return false;
    if (entry.mountPoint == "/")
        return true;
    if (entry.kind == MountKind::Removable || entry.kind == MountKind::Optical ||
        entry.kind == MountKind::Remote)
        return true;
    return HasPathPrefix(entry.mountPoint, "/media") ||
           HasPathPrefix(entry.mountPoint, "/run/media") || HasPathPrefix(entry.mountPoint, "/mnt");
}

std::string VolumeLabel(const std::string& source) {
    if (source.empty() || source.front() != '/')
        return {};
    char device[PATH_MAX];
    if (::realpath(source.c_str(), device) == nullptr)
        return {};
    const char* byLabel = "/dev/disk/by-label";
    DIR* dir = ::opendir(byLabel);
    if (dir == nullptr)
        return {};
    std::string label;
    while (const dirent* d = ::readdir(dir)) {
        if (d->d_name[0] == '.')
            continue;
        char target[PATH_MAX];
        const std::string link = std::string(byLabel) + "/" + d->d_name;
        if (::realpath(link.c_str(), target) != nullptr && std::string_view(target) == device) {
            // udev escapes characters that cannot stand in a file name as \xHH.
            const std::string_view name = d->d_name;
            for (std::size_t i = 0; i < name.size(); ++i) {
                if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
                    label += static_cast<char>(
                        std::strtoul(std::string(name.substr(i + 2, 2)).c_str(), nullptr, 16));
                    i += 3;
                } else {
                    label += name[i];
                }
            }
            break;
        }
    }
    ::closedir(dir);
    return label;
}

} // namespace platform
