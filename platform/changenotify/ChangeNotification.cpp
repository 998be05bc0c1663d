#include "platform/changenotify/ChangeNotification.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/inotify.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

// Names appearing, going or moving: what a folder view must merge. Attribute and content
// changes are left out; neither adds nor removes an entry.
constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// The watched folder itself going away or being renamed: what it showed is stale.
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;
constexpr std::uint32_t kWatchMask = kNameEvents | kSelfEvents | IN_ONLYDIR;
// A file written and closed, or its time set (touch, a copy keeping times): its content or
// time is new. Only watchers that ask for it get these; the rest are not woken by every
// save in a folder they show.
constexpr std::uint32_t kWriteEvents = IN_CLOSE_WRITE | IN_ATTRIB;

std::uint32_t WatchMaskFor(std::uint32_t filter) {
    return kWatchMask | ((filter & FILE_NOTIFY_CHANGE_LAST_WRITE) != 0 ? kWriteEvents : 0);
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

bool IsBelow(const std::string& path, const std::string& root) {
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0;
}

} // namespace

std::shared_ptr<TChangeNotification>
TChangeNotification::Create(const std::string& path, std::uint32_t filter, bool subtree) {
    std::shared_ptr<TChangeNotification> handle = CreateUnarmed(path, filter, subtree);
    return handle && handle->Arm() ? handle : nullptr;
}

std::shared_ptr<TChangeNotification>
TChangeNotification::CreateUnarmed(const std::string& path, std::uint32_t filter, bool subtree) {
    if (path.empty() || path.front() != '/')
        return nullptr;
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::shared_ptr<TChangeNotification>(
        new TChangeNotification(fd, WithSlash(path), filter, subtree));
}

bool TChangeNotification::Arm() {
    if (FRootWatch.load() >= 0)
        return true;
    const int wd = inotify_add_watch(FFd, FRoot.c_str(), WatchMaskFor(FFilter));
    FRootWatch.store(wd);
    return wd >= 0;
}

void TChangeNotification::ArmInBackground(std::function<void(bool)> armed) {
    std::lock_guard lock(FWorkLock);
    FArmPending = true;
    FArmed = std::move(armed);
    StartBackgroundWork();
}

void TChangeNotification::ArmInBackground(std::vector<std::string> paths) {
    std::lock_guard lock(FWorkLock);
    FArmPending = true;
    FArmed = nullptr;
    FPendingSubfolders = std::move(paths);
    StartBackgroundWork();
}

void TChangeNotification::SetWatchedSubfoldersInBackground(std::vector<std::string> paths) {
    std::lock_guard lock(FWorkLock);
    FPendingSubfolders = std::move(paths);
    StartBackgroundWork();
}

// The thread is detached: its owner never waits for a volume that may never answer. It
// holds the handle, so the descriptor it works on stays open until it is done.
void TChangeNotification::StartBackgroundWork() {
    if (FWorking)
        return;
    FWorking = true;
    std::thread([self = shared_from_this()] { self->DoBackgroundWork(); }).detach();
}

void TChangeNotification::DoBackgroundWork() {
    std::unique_lock lock(FWorkLock);
    for (;;) {
        if (FArmPending) {
            FArmPending = false;
            std::function<void(bool)> armed = std::move(FArmed);
            FArmed = nullptr;
            lock.unlock();
            const bool ok = Arm();
            if (armed)
                armed(ok);
            lock.lock();
        } else if (FPendingSubfolders) {
            const std::vector<std::string> paths = std::move(*FPendingSubfolders);
            FPendingSubfolders.reset();
            lock.unlock();
            SetWatchedSubfolders(paths);
            lock.lock();
        } else {
            FWorking = false;
            return;
        }
    }
}

TChangeNotification::TChangeNotification(int fd, std::string root, std::uint32_t filter,
                                         bool subtree)
    : FFd(fd), FRoot(std::move(root)), FFilter(filter), FSubtree(subtree) {
}

TChangeNotification::~TChangeNotification() {
    ::close(FFd); // drops every watch on it
}

bool TChangeNotification::SharesWatch(int wd) const {
    for (const auto& entry : FSubfolders) {
        if (entry.second == wd)
            return true;
    }
    return false;
}

bool TChangeNotification::Matches(std::uint32_t mask) const {
    if ((mask & IN_Q_OVERFLOW) != 0 || (mask & kSelfEvents) != 0)
        return true; // events were lost, or the folder itself changed: assume the worst
    // A folder's own attributes are no change to what it lists.
    if ((mask & kWriteEvents) != 0 && (mask & IN_ISDIR) == 0)
        return (FFilter & FILE_NOTIFY_CHANGE_LAST_WRITE) != 0;
    if ((mask & kNameEvents) == 0)
        return false;
    // inotify cannot be told to watch files or folders only; the kind comes with the event.
    const std::uint32_t kind =
        (mask & IN_ISDIR) != 0 ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME;
    return (FFilter & kind) != 0;
}

TChangeNotification::TRearm TChangeNotification::Rearm() {
    alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    bool changed = false;
    bool dead = false;
    for (;;) {
        const ssize_t got = ::read(FFd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN)
                break;
            return TRearm::Dead;
        }
        if (got == 0)
            return TRearm::Dead;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            if ((event.mask & IN_IGNORED) != 0) {
                // A named subfolder that went away only loses its own watch; the root
                // going away leaves nothing to wait for.
                if (event.wd == FRootWatch.load())
                    dead = true;
                continue;
            }
            if (Matches(event.mask))
                changed = true;
        }
    }
    if (dead)
        return TRearm::Dead;
    return changed ? TRearm::Changed : TRearm::Quiet;
}

void TChangeNotification::SetWatchedSubfolders(const std::vector<std::string>& paths) {
    if (!FSubtree)
        return;
    std::map<std::string, int> wanted;
    for (const std::string& raw : paths) {
        std::string path = WithSlash(raw);
        if (IsBelow(path, FRoot))
            wanted.emplace(std::move(path), -1);
    }
    // The bookkeeping is done under the lock; the system calls, which may wait on a slow
    // volume, outside it, so WatchedSubfolders never waits for them.
    std::vector<int> dropped;
    std::vector<std::string> added;
    {
        std::lock_guard lock(FSubfolderLock);
        for (auto it = FSubfolders.begin(); it != FSubfolders.end();) {
            if (wanted.count(it->first) == 0) {
                const int wd = it->second;
                it = FSubfolders.erase(it);
                // Two paths reach one folder through a link share its watch descriptor, and
                // so may a path and the root: the watch stays while anyone still needs it.
                if (wd != FRootWatch.load() && !SharesWatch(wd))
                    dropped.push_back(wd);
            } else {
                ++it;
            }
        }
        for (const auto& [path, unused] : wanted) {
            if (FSubfolders.size() + added.size() >= kMaxSubfolders)
                break;
            if (FSubfolders.count(path) == 0)
                added.push_back(path);
        }
    }
    // Fails quietly when the folder is gone and the kernel has dropped the watch.
    for (const int wd : dropped)
        inotify_rm_watch(FFd, wd);
    for (const std::string& path : added) {
        const int wd = inotify_add_watch(FFd, path.c_str(), WatchMaskFor(FFilter));
        if (wd >= 0) {
            std::lock_guard lock(FSubfolderLock);
            FSubfolders.emplace(path, wd);
        } else if (errno == ENOSPC) {
            break; // the user's inotify budget is spent; further tries would fail alike
        }
    }
}

std::vector<std::string> TChangeNotification::WatchedSubfolders() const {
    std::lock_guard lock(FSubfolderLock);
    std::vector<std::string> paths;
    paths.reserve(FSubfolders.size());
    for (const auto& entry : FSubfolders)
        paths.push_back(entry.first);
    return paths;
}

} // namespace platform
