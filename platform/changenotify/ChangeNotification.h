// A directory change notification: one inotify descriptor watching a folder for names
// that appear, disappear or move (and, when asked, files written), optionally with a set
// of folders below it that its owner names (the folders a tree shows). A waiter polls Fd() for
// input and calls Rearm(), which drains what arrived and says whether any of it is a change the
// filter asked for.
//
// Adding a watch looks its path up, and on a network volume whose server is gone that
// lookup waits for ever. A GUI therefore makes the descriptor alone (CreateUnarmed, which
// touches no file system) and has the watches added in the background: each handle does
// that work in order on a thread of its own, started when there is work and ended when
// there is none. A thread held by a hung volume holds up that handle alone; it keeps the
// handle alive until the volume answers, and its owner never waits for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What a notification reports, numbered as the filter bits callers pass.
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x1;
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x2;
// A file of the folder was written (and closed) or had its time set.
inline constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;

class TChangeNotification : public std::enable_shared_from_this<TChangeNotification> {
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
    // The same without looking at `path` yet: null only when no descriptor can be had. The
    // folder is watched once Arm (or ArmInBackground) has succeeded.
    static std::shared_ptr<TChangeNotification> CreateUnarmed(const std::string& path,
                                                              std::uint32_t filter, bool subtree);
    // Adds the watch on the folder itself; false when it cannot be watched.
    bool Arm();
    // Arm on the handle's own thread; `armed`, when given, hears the answer there.
    void ArmInBackground(std::function<void(bool)> armed = {});
    // Arm, then watch `paths` (SetWatchedSubfolders), in one visit of the handle's own
    // thread: what a new subtree watch that already knows its folders needs.
    void ArmInBackground(std::vector<std::string> paths);
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
    // thread at a time.
    void SetWatchedSubfolders(const std::vector<std::string>& paths);
    // The same on the handle's own thread, after what was asked of it before; a list
    // that is still waiting there is replaced, as only the newest one matters.
    void SetWatchedSubfoldersInBackground(std::vector<std::string> paths);
    // The subfolders watched now, with "/" at the end; for the owner and its tests. Safe
    // from any thread.
    std::vector<std::string> WatchedSubfolders() const;

    static constexpr std::size_t kMaxSubfolders = 1024;

private:
    TChangeNotification(int fd, std::string root, std::uint32_t filter, bool subtree);
    bool Matches(std::uint32_t mask) const;
    bool SharesWatch(int wd) const;
    void StartBackgroundWork(); // FWorkLock held
    void DoBackgroundWork();

    const int FFd;
    const std::string FRoot; // ends with "/"
    const std::uint32_t FFilter;
    const bool FSubtree;
    std::atomic<int> FRootWatch{-1}; // read by the waiter while the background thread arms
    mutable std::mutex FSubfolderLock;
    std::map<std::string, int> FSubfolders; // path ("/" at the end) -> watch descriptor
    // What the background thread is still to do, and whether it runs.
    std::mutex FWorkLock;
    bool FArmPending = false;
    std::function<void(bool)> FArmed;
    std::optional<std::vector<std::string>> FPendingSubfolders;
    bool FWorking = false;
};

using TChangeNotificationPtr = std::shared_ptr<TChangeNotification>;

} // namespace platform
