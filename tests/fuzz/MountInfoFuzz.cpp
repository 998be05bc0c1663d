// Fuzzes what the mount-table monitor reads: two readings of /proc/self/mountinfo (the
// input before and after its first zero byte; without one, the first reading is empty).
// Any user can mount a FUSE file system under any name and source, so the lines carry
// hostile text. Both readings are parsed, compared into volume arrivals and removals, and
// shown as the volumes under Computer, which are checked for the promises the browser
// relies on. Removable flags come from a small sysfs stand-in built once.
#include "platform/MountTable.h"
#include "platform/changenotify/VolumeChanges.h"
#include "platform/shellns/Volumes.h"
#include "tests/fuzz/FuzzFiles.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
namespace sh = platform::shellns;

namespace {

void WriteText(const fs::path& path, std::string_view text) {
    fs::create_directories(path.parent_path());
    fuzz::WriteWholeFile(path, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// A whole removable disk (8:0), a fixed one (8:16) with a partition (8:17), and a
// partition (8:33) of a removable disk, linked the way sysfs links them.
const std::string& SysRoot() {
    static const std::string root = [] {
        const fs::path sys = fuzz::ScratchFolder() + "sys";
        WriteText(sys / "devices/sda/removable", "1\n");
        WriteText(sys / "devices/sdb/removable", "0\n");
        WriteText(sys / "devices/sdb/sdb1/partition", "1\n");
        WriteText(sys / "devices/sdc/removable", "1\n");
        WriteText(sys / "devices/sdc/sdc1/partition", "1\n");
        fs::create_directories(sys / "dev/block");
        for (const auto& [number, target] :
             {std::pair{"8:0", "sda"}, {"8:16", "sdb"}, {"8:17", "sdb/sdb1"}, {"8:33", "sdc/sdc1"}})
            fs::create_directory_symlink(fs::path("../../devices") / target,
                                         sys / "dev/block" / number);
        return sys.string();
    }();
    return root;
}

void Fail(const char* what, const std::string& mountPoint) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, mountPoint.c_str());
    std::abort();
}

std::vector<platform::MountEntry> Parse(std::string_view text) {
    std::vector<platform::MountEntry> mounts = platform::ParseMountInfo(text, SysRoot());
    for (const auto& m : mounts) {
        if (m.mountPoint.empty() || m.mountPoint.front() != '/')
            Fail("a mount point that is not an absolute path", m.mountPoint);
        const platform::MountEntry* holder = platform::FindMountFor(mounts, m.mountPoint);
        if (holder == nullptr || holder->mountPoint != m.mountPoint)
            Fail("a mount point is not held by its own mount", m.mountPoint);
    }
    return mounts;
}

std::vector<std::string> MountPoints(const std::vector<platform::TVolumeChange>& changes,
                                     unsigned event) {
    std::vector<std::string> points;
    for (const auto& c : changes) {
        if (c.event == event)
            points.push_back(c.mountPoint);
    }
    return points;
}

void CheckComputer(const std::vector<platform::MountEntry>& mounts) {
    sh::SetMountTableSource([&mounts] { return mounts; });
    const std::vector<sh::Volume> volumes = sh::UserVolumes();
    sh::SetMountTableSource({});
    if (volumes.empty() || volumes.front().mountPoint != "/")
        Fail("Computer does not start with the file system", "");
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        for (std::size_t j = i + 1; j < volumes.size(); ++j) {
            if (volumes[i].mountPoint == volumes[j].mountPoint)
                Fail("Computer lists a volume twice", volumes[i].mountPoint);
        }
        if (sh::VolumeHolding(volumes, volumes[i].mountPoint).mountPoint != volumes[i].mountPoint)
            Fail("a volume's own mount point is held by another", volumes[i].mountPoint);
        (void)sh::VolumeDisplayName(volumes[i].mountPoint, volumes[i].label);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    const auto before = Parse(split == std::string_view::npos ? "" : input.substr(0, split));
    const auto after = Parse(split == std::string_view::npos ? input : input.substr(split + 1));

    if (!platform::DiffUserVolumes(after, after).empty())
        Fail("a mount table differs from itself", "");
    const auto forward = platform::DiffUserVolumes(before, after);
    const auto backward = platform::DiffUserVolumes(after, before);
    if (MountPoints(forward, platform::DBT_DEVICEREMOVECOMPLETE) !=
            MountPoints(backward, platform::DBT_DEVICEARRIVAL) ||
        MountPoints(forward, platform::DBT_DEVICEARRIVAL) !=
            MountPoints(backward, platform::DBT_DEVICEREMOVECOMPLETE))
        Fail("going back is not the opposite of going forward", "");
    CheckComputer(after);
    return 0;
}
