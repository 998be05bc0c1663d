#include "app/PreviewFolder.h"

#include "platform/FolderEntries.h"

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
    // What a run leaves is one file, unlinked by name; only a folder (or an entry whose
    // kind the file system does not say) takes the long way. Read without opendir: this
    // runs after every preview.
    alignas(dirent64) char buffer[4096];
    long got;
    while ((got = platform::ReadFolderEntries(fd, buffer, sizeof buffer)) > 0) {
        platform::AnyFolderEntry(buffer, got, [&](const dirent64& entry) {
            if (entry.d_type != DT_DIR && entry.d_type != DT_UNKNOWN &&
                ::unlinkat(fd, entry.d_name, 0) == 0)
                return false;
            std::error_code ignored;
            fs::remove_all(FPath + entry.d_name, ignored);
            return false;
        });
    }
    ::close(fd);
}

void TPreviewFolder::Remove() {
    if (FPath.empty())
        return;
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
    FPath.clear();
}
