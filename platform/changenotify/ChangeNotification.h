// A directory change notification: one inotify descriptor watching a folder for names
// that appear, disappear or move (and, when asked, files written), optionally with a set
// of folders below it that its owner names (the folders a tree shows). A waiter polls Fd()
// for input and calls Rearm(), which drains what arrived and says whether any of it is a
// change the filter asked for.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// What a notification reports, numbered as the filter bits callers pass.
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x1;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x2;
// A file of the folder was written (and closed) or had its time set.
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;

class TChangeNotification {
public:
    enum class TRearm {
        Quiet,   // events arrived, none of the kind asked for
        Changed, // at least one matching change
        Dead,    // the watched folder is gone or the descriptor failed: drop the handle
    };

    // A notification on the folder `path` (with or without a trailing "/"); null when the
    // folder cannot be watched. `subtree` admits folders below it through
    // SetWatchedSubfolders; without it, only the folder itself is watched.
    static std::shared_ptr<TChangeNotification> Create(const std::string& path,
                                                       std::uint32_t filter, bool subtree);
    ~TChangeNotification();
    TChangeNotification(const TChangeNotification&) = delete;
    TChangeNotification& operator=(const TChangeNotification&) = delete;

    int Fd() const { return FFd; }
    const std::string& Root() const { return FRoot; }
    bool Subtree() const { return FSubtree; }

    // Reads every pending event without blocking. Safe on the waiting thread while the
    // owner changes the watched subfolders on its own thread: both only make system calls
    // on the descriptor, and the filter is fixed at creation.
    TRearm Rearm();

    // Watches exactly `paths` besides the root: those below the root are added, those no
    // longer named are removed, others ignored. At most kMaxSubfolders are watched; when
    // the system's inotify budget runs out the rest go unwatched without complaint, since
    // a missing watch only delays a refresh until the user asks for one. Call from one
    // thread only (the owner's).
    void SetWatchedSubfolders(const std::vector<std::string>& paths);
    // The subfolders watched now, with "/" at the end; for the owner and its tests.
    std::vector<std::string> WatchedSubfolders() const;

    static constexpr std::size_t kMaxSubfolders = 1024;

private:
    TChangeNotification(int fd, std::string root, std::uint32_t filter, bool subtree);
    bool Matches(std::uint32_t mask) const;
    bool SharesWatch(int wd) const;

    const int FFd;
    const std::string FRoot; // ends with "/"
    const std::uint32_t FFilter;
    const bool FSubtree;
    int FRootWatch = -1;
    std::map<std::string, int> FSubfolders; // path ("/" at the end) -> watch descriptor
};

using TChangeNotificationPtr = std::shared_ptr<TChangeNotification>;

} // namespace platform
