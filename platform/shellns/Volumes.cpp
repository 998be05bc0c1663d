#include "platform/shellns/Volumes.h"

#include <mutex>

namespace platform::shellns {
namespace {

std::mutex gSourceLock;
MountTableSource gSource;

bool Holds(const std::string& mountPoint, const std::string& path) {
    if (mountPoint == "/")
        return !path.empty() && path.front() == '/';
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

} // namespace

void SetMountTableSource(MountTableSource source) {
    std::lock_guard lock(gSourceLock);
    gSource = std::move(source);
}

std::vector<MountEntry> CurrentMountTable() {
    MountTableSource source;
    {
        std::lock_guard lock(gSourceLock);
        source = gSource;
    }
    return source ? source() : ReadMountTable();
}

std::vector<Volume> UserVolumes() {
    std::vector<Volume> volumes{{"/", MountKind::Fixed, {}}};
    for (const auto& m : CurrentMountTable()) {
        if (!IsUserVolume(m))
            continue;
        if (m.mountPoint == "/") {
            volumes.front().kind = m.kind;
            continue;
        }
        Volume v{m.mountPoint, m.kind, VolumeLabel(m.source)};
        bool replaced = false;
        for (auto& existing : volumes) {
            if (existing.mountPoint == v.mountPoint) {
                existing = v;
                replaced = true;
            }
        }
        if (!replaced)
            volumes.push_back(std::move(v));
    }
    return volumes;
}

Volume VolumeHolding(const std::vector<Volume>& volumes, const std::string& path) {
    const Volume* best = nullptr;
    for (const auto& v : volumes) {
        if (Holds(v.mountPoint, path) &&
            (best == nullptr || v.mountPoint.size() > best->mountPoint.size()))
            best = &v;
    }
    return best != nullptr ? *best : Volume{"/", MountKind::Fixed, {}};
}

std::string VolumeDisplayName(const std::string& mountPoint, const std::string& label) {
    if (mountPoint == "/")
        return "File System";
    if (!label.empty())
        return label;
    return mountPoint.substr(mountPoint.find_last_of('/') + 1);
}

} // namespace platform::shellns
