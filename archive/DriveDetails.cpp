#include "archive/DriveDetails.h"

#include "platform/MountTable.h"

#include <climits>
#include <cstdlib>
#include <sys/statvfs.h>

namespace {

// The folder holding `path`, resolved through links so that the mount found is the one
// the bytes really live on.
std::string ResolvedFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    char resolved[PATH_MAX];
    if (::realpath(folder.c_str(), resolved) != nullptr)
        return resolved;
    return folder;
}

} // namespace

TDriveDetails ProbeDrive(const std::string& path) {
    TDriveDetails d;
    const std::string folder = ResolvedFolder(path);
    const auto mounts = platform::ReadMountTable();
    const platform::MountEntry* mount = platform::FindMountFor(mounts, folder);
    d.Root = mount != nullptr ? mount->mountPoint : "/";
    if (d.Root.empty() || d.Root.back() != '/')
        d.Root += '/';
    if (mount != nullptr) {
        d.Fixed = mount->kind != platform::MountKind::Removable &&
                  mount->kind != platform::MountKind::Optical;
        if (!d.Fixed)
            d.Label = platform::VolumeLabel(mount->source);
    }
    struct statvfs vfs;
    d.Usable = ::statvfs(d.Root.c_str(), &vfs) == 0;
    if (d.Usable) {
        d.Size = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
        d.Free = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    }
    return d;
}
