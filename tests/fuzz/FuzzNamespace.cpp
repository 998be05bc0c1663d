#include "tests/fuzz/FuzzNamespace.h"

#include "platform/MountTable.h"
#include "platform/shellns/Volumes.h"
#include "tests/fuzz/FuzzFiles.h"

#include <vector>

namespace fuzz {

void UseStandInSystem() {
    static const bool done = [] {
        SandboxHome();
        const std::string home = ScratchFolder() + "home";
        // The root, the scratch folder's memory file system, a removable stick, a network
        // share and the kernel's own, as a desktop machine has them.
        const std::vector<platform::MountEntry> mounts = {
            {"/", "ext4", "/dev/sda1", 8, 1, platform::MountKind::Fixed},
            {"/proc", "proc", "proc", 0, 22, platform::MountKind::Pseudo},
            {"/dev/shm", "tmpfs", "tmpfs", 0, 25, platform::MountKind::RamDisk},
            {"/media/user/STICK", "vfat", "/dev/sdb1", 8, 17, platform::MountKind::Removable},
            {"/mnt/share", "nfs4", "server:/export", 0, 50, platform::MountKind::Remote},
            {home + "/cdrom", "iso9660", "/dev/sr0", 11, 0, platform::MountKind::Optical},
        };
        platform::shellns::SetMountTableSource([mounts] { return mounts; });
        return true;
    }();
    (void)done;
}

} // namespace fuzz
