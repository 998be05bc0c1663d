// Thumbnails of a folder's files made on a pool of threads of the loader's own, through the
// thumbnail cache: the files shown now first, in the order given, then every other file of
// the folder, so that scrolling later finds them cached. A new folder or view starts over:
// what was queued is dropped and what runs is told to stop.
//
// The loader never waits on its owner: results go to a delivery function called on the
// worker that made them, which hands them on (a GUI posts them to its own thread). Each
// carries the generation it was asked for in, so the owner can drop what belongs to a
// folder it has left. Workers are batch threads to the scheduler, so a window on a machine
// with few cores stays responsive while they work.
#pragma once

#include "thumbs/ThumbnailCache.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

namespace thumbs {

struct TLoadedThumbnail {
    std::string Path;
    std::uint64_t Generation = 0;
    // Asked for to be shown (Prefer): the image comes along. Otherwise it was made for the
    // cache alone and only the outcome is told.
    bool Shown = false;
    // tfNone with the image; tfNoThumbnail as well when the cache recorded the file as
    // failed before.
    TThumbnailFailure Failure = TThumbnailFailure::tfNone;
    TRgbaImage Image;
    // Answered by the cache: the archive was not opened.
    bool FromCache = false;
};

class TThumbnailLoader {
public:
    using TDelivery = std::function<void(TLoadedThumbnail&&)>;

    // Threads as the machine has cores (at most kMaxThreads), started at once and idle
    // until there is work.
    TThumbnailLoader(TThumbnailCache cache, TDelivery deliver, unsigned threads = DefaultThreads());
    // Stops what runs, drops what is queued and waits for the workers; nothing is delivered
    // once it has returned.
    ~TThumbnailLoader();
    TThumbnailLoader(const TThumbnailLoader&) = delete;
    TThumbnailLoader& operator=(const TThumbnailLoader&) = delete;

    static constexpr unsigned kMaxThreads = 8;
    static unsigned DefaultThreads();
    unsigned Threads() const { return static_cast<unsigned>(FThreads.size()); }
    const TThumbnailCache& Cache() const { return FCache; }

    // Starts over with thumbnails of `size` for the files `all` (paths), to be made for the
    // cache in this order once nothing is to be shown. Answers the new generation.
    std::uint64_t Begin(int size, std::vector<std::string> all);
    // Replaces the files made for the cache without starting over (a refresh added some).
    void SetBackground(std::vector<std::string> all);
    // The files shown now, to be delivered with their images before anything else; replaces
    // the previous list. A file being made already is delivered when done.
    void Prefer(const std::vector<std::string>& paths);
    // Begin with nothing to do.
    void Cancel();
    // For `period` from now one worker takes no new file, so that a core is left to the
    // GUI thread while the user scrolls: on a busy machine a window whose process keeps
    // every core busy waits for its turn. Without it, every worker works.
    void LeaveOneCoreFree(std::chrono::milliseconds period);

    std::uint64_t Generation() const;
    int Size() const;
    // Nothing of the current generation is queued or running.
    bool Idle() const;

private:
    struct TRunning {
        std::string Path;
        std::uint64_t Generation = 0;
        bool Shown = false;
        bool Delivered = false;
        std::stop_source Stop;
    };
    struct TJob {
        std::shared_ptr<TRunning> Running;
        int Size = 0;
    };

    void Work(unsigned index);
    bool ParkedLocked(unsigned index) const;
    bool HasWorkLocked() const;
    // A job of the current generation runs for `path`; with `toDeliver`, one that has yet
    // to tell its outcome.
    bool RunningLocked(const std::string& path, bool toDeliver) const;
    TJob TakeJobLocked();
    void Run(const TJob& job);
    // Delivers once, when the job is (or has become) one to show. Answers false, delivering
    // nothing, when `result` was made without its image (`imageless`) and the job has become
    // one to show: the caller fetches the image and tries again.
    bool DeliverIfShown(TRunning& running, TLoadedThumbnail& result, bool last,
                        bool imageless = false);

    const TThumbnailCache FCache;
    const TDelivery FDeliver;
    mutable std::mutex FMutex;
    std::condition_variable FWake;
    bool FStopping = false;
    std::uint64_t FGeneration = 0;
    int FSize = 256;
    std::deque<std::string> FFirst;
    std::vector<std::string> FBackground;
    std::size_t FNextBackground = 0;
    std::unordered_set<std::string> FDone;
    std::vector<std::shared_ptr<TRunning>> FRunning;
    std::chrono::steady_clock::time_point FCoreFreeUntil{};
    std::vector<std::thread> FThreads;
};

} // namespace thumbs
