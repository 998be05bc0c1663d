#include "platform/changenotify/VolumeChanges.h"

#include <algorithm>

namespace platform {

namespace {

struct TVolumeKey {
    std::string mountPoint;
    std::string source;
    std::string fsType;
    bool operator==(const TVolumeKey&) const = default;
};

std::vector<TVolumeKey> UserVolumeKeys(const std::vector<MountEntry>& mounts) {
    std::vector<TVolumeKey> keys;
    for (const MountEntry& m : mounts) {
        if (!IsUserVolume(m))
            continue;
        TVolumeKey key{m.mountPoint, m.source, m.fsType};
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(std::move(key));
    }
    return keys;
}

void AppendMissing(const std::vector<TVolumeKey>& from, const std::vector<TVolumeKey>& in,
                   unsigned event, std::vector<TVolumeChange>& changes) {
    for (const TVolumeKey& key : from) {
        if (std::find(in.begin(), in.end(), key) == in.end())
            changes.push_back({event, key.mountPoint});
    }
}

} // namespace

std::vector<TVolumeChange> DiffUserVolumes(const std::vector<MountEntry>& before,
                                           const std::vector<MountEntry>& after) {
    const std::vector<TVolumeKey> was = UserVolumeKeys(before);
    const std::vector<TVolumeKey> is = UserVolumeKeys(after);
    std::vector<TVolumeChange> changes;
    AppendMissing(was, is, DBT_DEVICEREMOVECOMPLETE, changes);
    AppendMissing(is, was, DBT_DEVICEARRIVAL, changes);
    return changes;
}

} // namespace platform
