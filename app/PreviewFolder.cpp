#include "app/PreviewFolder.h"

#include <filesystem>
#include <stdlib.h>
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
    std::error_code ec;
    for (fs::directory_iterator it(FPath, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

void TPreviewFolder::Remove() {
    if (FPath.empty())
        return;
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
    FPath.clear();
}
