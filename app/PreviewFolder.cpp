#include "app/PreviewFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <stdlib.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

TPreviewFolder::~TPreviewFolder() {
    Remove();
}

const std::string& TPreviewFolder::Prepare(const std::string& parent) {
    // The one made before serves while it is still a folder of ours where it was made:
    // $TMPDIR may have changed since, or a cleaner may have removed it.
    if (!FPath.empty()) {
        struct stat st;
        if (FPath.compare(0, parent.size(), parent) == 0 && ::lstat(FPath.c_str(), &st) == 0 &&
            S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
            return FPath;
        Remove();
    }
    std::string pattern = parent + "preview-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr)
        FPath = pattern + "/";
    return FPath;
}

void TPreviewFolder::Empty() const {
    if (FPath.empty())
        return;
    const int fd = ::open(FPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    // What a run leaves is one file, unlinked by name; only a folder (or an entry whose
    // kind the file system does not say) takes the long way.
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN &&
            ::unlinkat(fd, entry->d_name, 0) == 0)
            continue;
        std::error_code ignored;
        fs::remove_all(FPath + entry->d_name, ignored);
    }
    ::closedir(dir);
}

void TPreviewFolder::Remove() {
    if (FPath.empty())
        return;
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
    FPath.clear();
}
