// The mounted file systems, read from /proc/self/mountinfo and classified the way the
// browser and the archive reader need: is a volume fixed, in memory, remote, removable or
// optical, and which user-visible volumes are there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class MountKind {
    Fixed,     // a disk file system on a non-removable device
    RamDisk,   // tmpfs, ramfs
    Remote,    // NFS, SMB/CIFS, SSHFS and other network file systems
    Removable, // a volume on a block device whose kernel "removable" flag is set
    Optical,   // iso9660, udf
    Pseudo,    // proc, sysfs, cgroup, overlay plumbing and the like: not a volume
};

struct MountEntry {
    std::string mountPoint; // unescaped, absolute
    std::string fsType;
    std::string source;     // "/dev/sdb1", "server:/export", "tmpfs", ...
    unsigned major = 0;
    unsigned minor = 0;
    MountKind kind = MountKind::Fixed;
};

// Parses mountinfo text (one mount per line, fields as in proc(5)); malformed lines are
// skipped. `sysRoot` is where /sys is found, so tests can supply their own device flags.
std::vector<MountEntry> ParseMountInfo(std::string_view text, const std::string& sysRoot = "/sys");

// The current process's mounts, in mount order.
std::vector<MountEntry> ReadMountTable();

// The mount that holds `path` (the longest mount point that is a prefix of it); null when
// `mounts` is empty.
const MountEntry* FindMountFor(const std::vector<MountEntry>& mounts, std::string_view path);

// Volumes a user would recognise: "/", and every non-pseudo mount under /media, /run/media
// or /mnt, plus any removable, optical or remote mount wherever it is.
bool IsUserVolume(const MountEntry& entry);

// The file-system label of the volume mounted from `source`, looked up through
// /dev/disk/by-label; empty when the volume has none or it cannot be found.
std::string VolumeLabel(const std::string& source);

} // namespace platform
