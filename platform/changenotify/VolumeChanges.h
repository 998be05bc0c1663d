// Which user volumes arrived and which went between two readings of the mount table: what
// the device relay tells the folder browser after the kernel reports a mount change.
#pragma once

#include "platform/MountTable.h"

#include <string>
#include <vector>

namespace platform {

// The device events as the browser numbers them.
inline constexpr unsigned DBT_DEVICEARRIVAL = 0x8000;
inline constexpr unsigned DBT_DEVICEREMOVECOMPLETE = 0x8004;

struct TVolumeChange {
    unsigned event = 0;     // DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE
    std::string mountPoint; // the volume that arrived or went
    bool operator==(const TVolumeChange&) const = default;
};

// Removals first, then arrivals, each in mount order. Only user volumes count (IsUserVolume):
// a container's or a sandbox's plumbing mounts come and go without the user seeing them. A
// volume remounted with another file system or device counts as gone and come.
std::vector<TVolumeChange> DiffUserVolumes(const std::vector<MountEntry>& before,
                                           const std::vector<MountEntry>& after);

} // namespace platform
