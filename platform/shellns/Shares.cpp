#include "platform/shellns/Shares.h"

#include <chrono>
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

// How long the share folder's state is believed without looking again. Every folder the
// tree shows is asked about, thousands when a large folder is opened; a share made or
// removed shows at the next look after this.
constexpr auto kRecheckAfter = std::chrono::seconds(1);

struct ShareCache {
    std::mutex lock;
    std::string folder = kDefaultUserShares;
    std::timespec stamp{-1, 0};
    std::set<std::string> paths;
    std::chrono::steady_clock::time_point checked;
    bool looked = false;
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
    const auto now = std::chrono::steady_clock::now();
    if (!cache.looked || now - cache.checked >= kRecheckAfter) {
        cache.looked = true;
        cache.checked = now;
        struct stat st;
        if (::stat(cache.folder.c_str(), &st) != 0) {
            cache.paths.clear();
            cache.stamp = {-1, 0};
        } else if (st.st_mtim.tv_sec != cache.stamp.tv_sec ||
                   st.st_mtim.tv_nsec != cache.stamp.tv_nsec) {
            cache.paths = ReadShares(cache.folder);
            cache.stamp = st.st_mtim;
        }
    }
    return cache.paths.count(folder) != 0;
}

void SetUserSharesFolder(const std::string& folder) {
    auto& cache = Cache();
    std::lock_guard lock(cache.lock);
    cache.folder = folder.empty() ? kDefaultUserShares : folder;
    cache.stamp = {-1, 0};
    cache.paths.clear();
    cache.looked = false;
}

} // namespace platform::shellns
