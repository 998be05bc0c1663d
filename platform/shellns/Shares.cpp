#include "platform/shellns/Shares.h"

#include <ctime>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <set>
#include <sys/stat.h>

namespace platform::shellns {
namespace {

constexpr const char* kDefaultUserShares = "/var/lib/samba/usershares";
// A hostile or broken share folder must not make every folder query slow.
constexpr int kMaxShares = 1000;

struct ShareCache {
    std::mutex lock;
    std::string folder = kDefaultUserShares;
    std::timespec stamp{-1, 0};
    std::set<std::string> paths;
};

ShareCache& Cache() {
    static ShareCache cache;
    return cache;
}

std::set<std::string> ReadShares(const std::string& folder) {
    std::set<std::string> paths;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return paths;
    int count = 0;
    while (const dirent* d = ::readdir(dir)) {
        if (d->d_name[0] == '.' || ++count > kMaxShares)
            continue;
        std::ifstream in(folder + "/" + d->d_name);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("path=", 0) == 0 && line.size() > 6 && line[5] == '/') {
                std::string path = line.substr(5);
                if (path.back() != '/')
                    path += '/';
                paths.insert(path);
            }
        }
    }
    ::closedir(dir);
    return paths;
}

} // namespace

bool IsSharedFolder(const std::string& folder) {
    auto& cache = Cache();
    std::lock_guard lock(cache.lock);
    struct stat st;
    if (::stat(cache.folder.c_str(), &st) != 0)
        return false;
    if (st.st_mtim.tv_sec != cache.stamp.tv_sec || st.st_mtim.tv_nsec != cache.stamp.tv_nsec) {
        cache.paths = ReadShares(cache.folder);
        cache.stamp = st.st_mtim;
    }
    return cache.paths.count(folder) != 0;
}

void SetUserSharesFolder(const std::string& folder) {
    auto& cache = Cache();
    std::lock_guard lock(cache.lock);
    cache.folder = folder.empty() ? kDefaultUserShares : folder;
    cache.stamp = {-1, 0};
    cache.paths.clear();
}

} // namespace platform::shellns
