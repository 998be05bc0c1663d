// The volumes shown under Computer and the volume that holds a path, from the mount
// table. Tests replace the table's source to stage removable or remote volumes.
#pragma once

#include "platform/MountTable.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::shellns {

struct Volume {
    std::string mountPoint; // absolute, no trailing "/" except for "/"
    MountKind kind = MountKind::Fixed;
    std::string label; // the file-system label, or empty
};

using MountTableSource = std::function<std::vector<MountEntry>()>;
// Replaces where the mount table comes from; an empty function restores the real table.
void SetMountTableSource(MountTableSource source);
std::vector<MountEntry> CurrentMountTable();

// "/" first, then every other user volume in mount order; a mount point mounted over
// twice is listed once, with the mount that is visible.
std::vector<Volume> UserVolumes();

// The user volume with the longest mount point that holds `path`; the root file system
// when no other does.
Volume VolumeHolding(const std::vector<Volume>& volumes, const std::string& path);

// The name a volume is shown under: "File System" for "/", else its label, else the last
// part of its mount point.
std::string VolumeDisplayName(const std::string& mountPoint, const std::string& label);

} // namespace platform::shellns
