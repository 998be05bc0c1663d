#include "tests/fuzz/FuzzFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/inotify.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fuzz {
namespace {

constexpr const char* kScratchPrefix = "jibfuzz-";

// A run that crashes (a finding) leaves its scratch folder behind; the next run removes
// those of processes that are gone. The folder's name carries its process's id.
void RemoveLeftovers(const fs::path& base) {
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(kScratchPrefix, 0) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + std::strlen(kScratchPrefix), nullptr, 10);
        struct stat st;
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH &&
            lstat(it->path().c_str(), &st) == 0 && st.st_uid == getuid()) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

class TScratch {
public:
    TScratch() {
        std::error_code ec;
        const bool shm = access("/dev/shm", W_OK | X_OK) == 0 && fs::is_directory("/dev/shm", ec);
        const fs::path base = shm ? fs::path("/dev/shm") : fs::temp_directory_path();
        RemoveLeftovers(base);
        std::string pattern =
            (base / (kScratchPrefix + std::to_string(getpid()) + "-XXXXXX")).string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("fuzz scratch folder");
            std::abort();
        }
        FPath = pattern + "/";
    }
    ~TScratch() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

} // namespace

const std::string& ScratchFolder() {
    static const TScratch scratch;
    return scratch.Path();
}

void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size > 0 && std::fwrite(data, 1, size, f) != size) ||
        std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

void SandboxHome() {
    static const bool done = [] {
        const std::string home = ScratchFolder() + "home";
        fs::create_directories(home + "/.config");
        fs::create_directories(home + "/.local/share");
        fs::create_directories(home + "/.cache");
        setenv("HOME", home.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CACHE_HOME");
        return true;
    }();
    (void)done;
}

namespace {

// Whether `path` is `folder` or lies below it.
bool IsWithin(const std::string& path, const std::string& folder) {
    return path.rfind(folder, 0) == 0 &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

[[noreturn]] void Escaped(const std::string& path) {
    std::fprintf(stderr, "written outside the target folder: %s\n", path.c_str());
    std::abort();
}

// Aborts when `root` holds anything outside `target` or a link inside it; what a watch
// cannot tell after its queue overflowed.
void Walk(const std::string& root, const std::string& target) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const bool inside = IsWithin(path.native(), target);
        if (!inside && !IsWithin(target, path.native()))
            Escaped(path);
        if (inside && it->is_symlink(ec)) {
            std::fprintf(stderr, "link created: %s\n", path.c_str());
            std::abort();
        }
    }
}

// Removes what `folder` holds, not the folder itself.
void EmptyFolder(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        fs::remove_all(it->path(), ec);
}

// What changes a folder's entries: any of them on the way to the target is a finding. In
// the target only what adds an entry matters (removals are mostly Empty()'s own).
constexpr std::uint32_t kEntryEvents = IN_CREATE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr std::uint32_t kAddedEvents = IN_CREATE | IN_MOVED_TO;

} // namespace

TTargetFolder::TTargetFolder() : FPath(ScratchFolder() + "a/b/out") {
    fs::create_directories(FPath);
    FWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FWatch < 0) {
        std::perror("inotify_init1");
        std::abort();
    }
    // The target and every folder on the way to it, the scratch folder included.
    const fs::path scratch = fs::path(ScratchFolder()).parent_path();
    for (fs::path folder = FPath;; folder = folder.parent_path()) {
        const std::uint32_t events = FWatched.empty() ? kAddedEvents : kEntryEvents;
        const int wd = inotify_add_watch(FWatch, folder.c_str(), events | IN_ONLYDIR);
        if (wd < 0) {
            std::perror(folder.c_str());
            std::abort();
        }
        FWatched.emplace_back(wd, folder.string());
        if (folder == scratch)
            break;
    }
    FTargetWd = FWatched.front().first;
}

TTargetFolder::~TTargetFolder() {
    close(FWatch);
}

void TTargetFolder::Collect() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(FWatch, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                std::perror("inotify");
                std::abort();
            }
            if (n < 0 && errno == EINTR)
                continue;
            return;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW)
                FLost = true;
            else if (event->wd == FTargetWd && (event->mask & kAddedEvents))
                FTouched = true;
            else if (event->wd != FTargetWd && (event->mask & kEntryEvents))
                Escaped(WatchedFolder(event->wd) + "/" + (event->len ? event->name : ""));
        }
    }
}

const std::string& TTargetFolder::WatchedFolder(int wd) const {
    for (const auto& [watch, folder] : FWatched) {
        if (watch == wd)
            return folder;
    }
    return FPath;
}

void TTargetFolder::CheckContained() {
    Collect();
    if (FLost) {
        // Events were dropped: look at everything, as if all had changed.
        Walk(ScratchFolder(), FPath);
        FLost = false;
        FTouched = true;
    } else if (FTouched) {
        Walk(FPath, FPath);
    }
}

bool TTargetFolder::HoldsAnything() {
    Collect();
    std::error_code ec;
    return (FTouched || FLost) && !fs::is_empty(FPath, ec);
}

void TTargetFolder::Empty() {
    Collect();
    if (FTouched || FLost) {
        EmptyFolder(FPath);
        FTouched = false;
    }
}

TMemoryFile::TMemoryFile(const char* name) {
    FFd = memfd_create(name, MFD_CLOEXEC);
    if (FFd < 0) {
        std::perror("memfd_create");
        std::abort();
    }
    FPath = "/proc/self/fd/" + std::to_string(FFd);
}

TMemoryFile::~TMemoryFile() {
    close(FFd);
}

// Overwrites, then cuts to the new size: emptying the file first would free its pages
// and take them anew for every input.
void TMemoryFile::Assign(const std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pwrite(FFd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0)
            std::abort();
        done += static_cast<std::size_t>(n);
    }
    if (ftruncate(FFd, static_cast<off_t>(size)) != 0)
        std::abort();
}

} // namespace fuzz
