#include "thumbs/ThumbnailLoader.h"

#include <algorithm>
#include <pthread.h>
#include <sched.h>

namespace thumbs {
namespace {

// Workers are batch threads to the scheduler: they get their full share of the processor,
// but a woken interactive thread (the GUI thread with an event to handle) is not kept
// waiting behind them for the rest of their time slice.
void BecomeBatchThread() {
    sched_param parameters{};
    parameters.sched_priority = 0;
    ::pthread_setschedparam(::pthread_self(), SCHED_BATCH, &parameters);
}

} // namespace

TThumbnailLoader::TThumbnailLoader(TThumbnailCache cache, TDelivery deliver, unsigned threads)
    : FCache(std::move(cache)), FDeliver(std::move(deliver)) {
    threads = std::clamp(threads, 1u, kMaxThreads);
    FThreads.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
        FThreads.emplace_back([this, i] { Work(i); });
}

TThumbnailLoader::~TThumbnailLoader() {
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
        FFirst.clear();
        FBackground.clear();
        for (const auto& running : FRunning)
            running->Stop.request_stop();
    }
    FWake.notify_all();
    for (std::thread& thread : FThreads)
        thread.join();
}

unsigned TThumbnailLoader::DefaultThreads() {
    // Every core: the workers are batch threads, so the GUI thread's wake-ups still come
    // first (see BecomeBatchThread). Past eight, the disk sets the pace, not the cores.
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

std::uint64_t TThumbnailLoader::Begin(int size, std::vector<std::string> all) {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(FMutex);
        generation = ++FGeneration;
        FSize = size;
        FFirst.clear();
        FBackground = std::move(all);
        FNextBackground = 0;
        FDone.clear();
        // They finish at their next check and deliver under their old generation.
        for (const auto& running : FRunning)
            running->Stop.request_stop();
    }
    FWake.notify_all();
    return generation;
}

void TThumbnailLoader::SetBackground(std::vector<std::string> all) {
    {
        std::lock_guard lock(FMutex);
        FBackground = std::move(all);
        FNextBackground = 0; // those done already are skipped as they come up
    }
    FWake.notify_all();
}

void TThumbnailLoader::Prefer(const std::vector<std::string>& paths) {
    {
        std::lock_guard lock(FMutex);
        FFirst.clear();
        for (const std::string& path : paths) {
            bool running = false;
            // A job that has told its outcome already (made for the cache alone) cannot
            // show it any more: the file is queued again, and answered from the cache.
            for (const auto& job : FRunning)
                if (job->Generation == FGeneration && job->Path == path && !job->Delivered) {
                    job->Shown = true;
                    running = true;
                }
            if (!running)
                FFirst.push_back(path);
        }
    }
    FWake.notify_all();
}

void TThumbnailLoader::Cancel() {
    std::lock_guard lock(FMutex);
    ++FGeneration;
    FFirst.clear();
    FBackground.clear();
    FNextBackground = 0;
    FDone.clear();
    for (const auto& running : FRunning)
        running->Stop.request_stop();
}

void TThumbnailLoader::LeaveOneCoreFree(std::chrono::milliseconds period) {
    std::lock_guard lock(FMutex);
    FCoreFreeUntil = std::max(FCoreFreeUntil, std::chrono::steady_clock::now() + period);
}

bool TThumbnailLoader::ParkedLocked(unsigned index) const {
    return FThreads.size() > 1 && index + 1 == FThreads.size() &&
           std::chrono::steady_clock::now() < FCoreFreeUntil;
}

std::uint64_t TThumbnailLoader::Generation() const {
    std::lock_guard lock(FMutex);
    return FGeneration;
}

int TThumbnailLoader::Size() const {
    std::lock_guard lock(FMutex);
    return FSize;
}

bool TThumbnailLoader::RunningLocked(const std::string& path, bool toDeliver) const {
    return std::any_of(FRunning.begin(), FRunning.end(), [&](const auto& job) {
        return job->Generation == FGeneration && job->Path == path &&
               !(toDeliver && job->Delivered);
    });
}

bool TThumbnailLoader::HasWorkLocked() const {
    return !FFirst.empty() || FNextBackground < FBackground.size();
}

bool TThumbnailLoader::Idle() const {
    std::lock_guard lock(FMutex);
    if (!FFirst.empty() || std::any_of(FRunning.begin(), FRunning.end(), [this](const auto& job) {
            return job->Generation == FGeneration;
        }))
        return false;
    // What is left of the background may all be done already.
    for (std::size_t i = FNextBackground; i < FBackground.size(); ++i)
        if (!FDone.contains(FBackground[i]))
            return false;
    return true;
}

TThumbnailLoader::TJob TThumbnailLoader::TakeJobLocked() {
    TJob job;
    job.Size = FSize;
    auto start = [&](std::string path, bool shown) {
        job.Running = std::make_shared<TRunning>();
        job.Running->Path = std::move(path);
        job.Running->Generation = FGeneration;
        job.Running->Shown = shown;
        FRunning.push_back(job.Running);
    };
    while (!FFirst.empty()) {
        std::string path = std::move(FFirst.front());
        FFirst.pop_front();
        if (!RunningLocked(path, true)) {
            start(std::move(path), true);
            return job;
        }
    }
    while (FNextBackground < FBackground.size()) {
        const std::string& path = FBackground[FNextBackground++];
        if (!FDone.contains(path) && !RunningLocked(path, false)) {
            start(path, false);
            return job;
        }
    }
    return job;
}

void TThumbnailLoader::Work(unsigned index) {
    BecomeBatchThread();
    for (;;) {
        TJob job;
        {
            std::unique_lock lock(FMutex);
            for (;;) {
                FWake.wait(lock, [this] { return FStopping || HasWorkLocked(); });
                if (FStopping)
                    return;
                if (!ParkedLocked(index))
                    break;
                FWake.wait_until(lock, FCoreFreeUntil);
            }
            job = TakeJobLocked();
        }
        if (!job.Running)
            continue; // everything left was done or running already
        Run(job);
        std::lock_guard lock(FMutex);
        std::erase(FRunning, job.Running);
        if (job.Running->Generation == FGeneration)
            FDone.insert(job.Running->Path);
    }
}

bool TThumbnailLoader::DeliverIfShown(TRunning& running, TLoadedThumbnail& result, bool last,
                                      bool imageless) {
    bool shown = false;
    {
        std::lock_guard lock(FMutex);
        if (running.Delivered)
            return true;
        shown = running.Shown;
        if (!shown && !last)
            return true;
        if (shown && imageless)
            return false;
        running.Delivered = true;
    }
    result.Shown = shown;
    if (!shown)
        result.Image = {};
    FDeliver(std::move(result));
    return true;
}

void TThumbnailLoader::Run(const TJob& job) {
    TRunning& running = *job.Running;
    const std::string& path = running.Path;
    auto outcome = [&](TThumbnailFailure failure, TRgbaImage image) {
        TLoadedThumbnail result;
        result.Path = path;
        result.Generation = running.Generation;
        result.Failure = failure;
        result.Image = std::move(image);
        return result;
    };
    auto shownNow = [&] {
        std::lock_guard lock(FMutex);
        return running.Shown;
    };

    TFileStamp stamp;
    if (!StampOf(path, stamp)) {
        TLoadedThumbnail result = outcome(TThumbnailFailure::tfUnreadable, {});
        DeliverIfShown(running, result, true);
        return;
    }
    // A file only made for the cache has its cached texts checked, not its pixels decoded.
    // Asked to be shown meanwhile, it is looked up again for its pixels.
    bool withImage = shownNow();
    TRgbaImage image;
    TCacheState state = FCache.Find(path, stamp, job.Size, withImage ? &image : nullptr);
    while (state != TCacheState::csMissing) {
        const bool imageless = state == TCacheState::csThumbnail && !withImage;
        TLoadedThumbnail result =
            outcome(state == TCacheState::csFailed ? TThumbnailFailure::tfNoThumbnail
                                                   : TThumbnailFailure::tfNone,
                    std::move(image));
        result.FromCache = true;
        if (DeliverIfShown(running, result, true, imageless))
            return;
        withImage = true;
        image = {};
        state = FCache.Find(path, stamp, job.Size, &image);
    }

    TThumbnailRequest request;
    request.Size = job.Size;
    request.Stop = running.Stop.get_token();
    TThumbnail made = MakeThumbnail(path, request);
    if (made.Ok()) {
        // Shown before it is written: the screen waits on the picture, not on the cache.
        TLoadedThumbnail early = outcome(TThumbnailFailure::tfNone, made.Image);
        DeliverIfShown(running, early, false);
        try {
            FCache.Store(path, stamp, job.Size, made);
        } catch (const std::exception&) {
            // An unwritable cache only costs the time to make it again.
        }
    } else if (TThumbnailCache::Permanent(made.Failure)) {
        try {
            FCache.StoreFailure(path, stamp);
        } catch (const std::exception&) {
        }
    }
    TLoadedThumbnail result = outcome(made.Failure, std::move(made.Image));
    DeliverIfShown(running, result, true);
}

} // namespace thumbs
