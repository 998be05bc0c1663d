#include "platform/TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

std::string BaseTempFolder() {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base;
}

} // namespace

std::string PrivateTempFolder() {
    const uid_t uid = ::getuid();
    std::string folder = BaseTempFolder() + "/jibview-" + std::to_string(uid);
    // Asked for before every preview: made only when it is not there (the first time, or
    // after a cleaner took it), and checked after that whoever made it.
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 &&
        (errno != ENOENT || (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) ||
         ::lstat(folder.c_str(), &st) != 0))
        return {};
    if (!S_ISDIR(st.st_mode) || st.st_uid != uid)
        return {};
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return {};
    folder += '/';
    return folder;
}

} // namespace platform
