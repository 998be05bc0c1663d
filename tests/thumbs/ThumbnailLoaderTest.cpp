// The loader's pool: files to show come first and in order, with their images; the rest of
// the folder is cached afterwards; starting over drops what was queued for the old folder;
// a warm cache answers without opening the archive; failures are remembered.
#include "thumbs/ThumbnailLoader.h"

#include "tests/common/TempDir.h"
#include "tests/thumbs/ThumbsTestSupport.h"
#include "thumbs/FileUri.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sys/time.h>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace thumbs;
using namespace std::chrono_literals;

// What the workers delivered, in order, gathered under a lock.
class TDeliveries {
public:
    TThumbnailLoader::TDelivery Sink() {
        return [this](TLoadedThumbnail&& loaded) {
            std::unique_lock lock(FMutex);
            FAll.push_back(std::move(loaded));
            FChanged.notify_all();
            // Held: the worker waits here until the test lets it go on.
            FChanged.wait(lock, [this] { return !FHeld; });
        };
    }
    // Holds the worker that delivers next (and any after it) inside its delivery.
    void Hold() {
        std::lock_guard lock(FMutex);
        FHeld = true;
    }
    void Release() {
        std::lock_guard lock(FMutex);
        FHeld = false;
        FChanged.notify_all();
    }
    // Waits until `count` have arrived (or `timeout` has passed); answers a copy of them all.
    std::vector<TLoadedThumbnail> WaitFor(std::size_t count,
                                          std::chrono::milliseconds timeout = 30s) {
        std::unique_lock lock(FMutex);
        FChanged.wait_for(lock, timeout, [&] { return FAll.size() >= count; });
        return FAll;
    }

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::vector<TLoadedThumbnail> FAll;
    bool FHeld = false;
};

bool WaitIdle(const TThumbnailLoader& loader) {
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!loader.Idle())
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        else
            std::this_thread::sleep_for(5ms);
    return true;
}

class ThumbnailLoaderTest : public ::testing::Test {
protected:
    ThumbnailLoaderTest() : FCache(FDir.File("thumbnails"), "jibview", "1.0") {}

    std::vector<std::string> MakeFolder(const std::string& name, int count) {
        const std::string jib = JibWithPreview(ReadAll(ThumbsFixture("preview-small.png")));
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i)
            paths.push_back(FDir.Write(name + "/f" + std::to_string(100 + i) + ".jib", jib));
        return paths;
    }
    int Cached(const std::vector<std::string>& paths) const {
        int n = 0;
        for (const std::string& path : paths)
            n += fs::exists(FDir.File("thumbnails/large/") +
                            TThumbnailCache::FileNameOf(FileUriOf(path)));
        return n;
    }

    TempDir FDir;
    TThumbnailCache FCache;
};

TEST_F(ThumbnailLoaderTest, ShownFilesComeFirstInOrderThenTheRestIsCached) {
    const std::vector<std::string> paths = MakeFolder("a", 12);
    TDeliveries deliveries;
    TThumbnailLoader loader(FCache, deliveries.Sink(), 1);
    EXPECT_EQ(loader.Threads(), 1u);
    const std::uint64_t generation = loader.Begin(256, {});
    loader.Prefer({paths[7], paths[2], paths[9]});
    loader.SetBackground(paths);
    const std::vector<TLoadedThumbnail> all = deliveries.WaitFor(paths.size());
    ASSERT_EQ(all.size(), paths.size());
    ASSERT_TRUE(WaitIdle(loader));
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(all[i].Path);
        EXPECT_EQ(all[i].Generation, generation);
        EXPECT_EQ(all[i].Failure, TThumbnailFailure::tfNone);
        EXPECT_EQ(all[i].Shown, i < 3);
        EXPECT_EQ(all[i].Image.Empty(), i >= 3);
    }
    EXPECT_EQ(all[0].Path, paths[7]);
    EXPECT_EQ(all[1].Path, paths[2]);
    EXPECT_EQ(all[2].Path, paths[9]);
    EXPECT_EQ(Cached(paths), 12);
    // Asked again, shown files come from the cache, identical.
    loader.Prefer({paths[2]});
    const std::vector<TLoadedThumbnail> again = deliveries.WaitFor(paths.size() + 1);
    ASSERT_EQ(again.size(), paths.size() + 1);
    EXPECT_EQ(again.back().Path, paths[2]);
    EXPECT_EQ(again.back().Image.Pixels, all[1].Image.Pixels);
}

TEST_F(ThumbnailLoaderTest, StartingOverDropsWhatWasQueuedForTheOldFolder) {
    const std::vector<std::string> old = MakeFolder("old", 40);
    const std::vector<std::string> next = MakeFolder("new", 3);
    TDeliveries deliveries;
    // One worker, held in its first delivery: the switch comes while it works on the old
    // folder's first file and the rest of the old folder is queued.
    deliveries.Hold();
    TThumbnailLoader loader(FCache, deliveries.Sink(), 1);
    const std::uint64_t first = loader.Begin(256, old);
    loader.Prefer({old[5], old[6]});
    ASSERT_EQ(deliveries.WaitFor(1).size(), 1u);
    const std::uint64_t second = loader.Begin(256, next);
    EXPECT_GT(second, first);
    deliveries.Release();
    ASSERT_TRUE(WaitIdle(loader));
    EXPECT_EQ(Cached(next), 3);
    // Only the file the worker had in hand was finished for the old folder.
    EXPECT_EQ(Cached(old), 1);
    for (const TLoadedThumbnail& loaded : deliveries.WaitFor(0)) {
        const bool inOld = loaded.Path.find("/old/") != std::string::npos;
        EXPECT_EQ(loaded.Generation, inOld ? first : second) << loaded.Path;
    }
    loader.Cancel();
    EXPECT_GT(loader.Generation(), second);
    EXPECT_TRUE(loader.Idle());
}

// The screen asks for a file just after its worker told the outcome of a cache-only run
// (no image): it is shown all the same, not left a placeholder for good.
TEST_F(ThumbnailLoaderTest, AFileAskedForAsItsCacheOnlyRunEndsIsShownAllTheSame) {
    const std::vector<std::string> paths = MakeFolder("late", 1);
    TDeliveries deliveries;
    deliveries.Hold();
    TThumbnailLoader loader(FCache, deliveries.Sink(), 1);
    const std::uint64_t generation = loader.Begin(256, paths);
    ASSERT_EQ(deliveries.WaitFor(1).size(), 1u);
    // The worker is held inside the delivery of its cache-only outcome.
    loader.Prefer(paths);
    deliveries.Release();
    const std::vector<TLoadedThumbnail> all = deliveries.WaitFor(2);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_FALSE(all[0].Shown);
    EXPECT_TRUE(all[1].Shown);
    EXPECT_EQ(all[1].Generation, generation);
    EXPECT_EQ(all[1].Failure, TThumbnailFailure::tfNone);
    EXPECT_FALSE(all[1].Image.Empty());
    EXPECT_TRUE(all[1].FromCache);
    ASSERT_TRUE(WaitIdle(loader));
}

TEST_F(ThumbnailLoaderTest, WhileTheUserScrollsOneWorkerLeavesItsCoreFree) {
    const std::vector<std::string> paths = MakeFolder("s", 3);
    TDeliveries deliveries;
    deliveries.Hold();
    TThumbnailLoader loader(FCache, deliveries.Sink(), 2);
    loader.LeaveOneCoreFree(1h);
    loader.Begin(256, {});
    loader.Prefer(paths);
    ASSERT_EQ(deliveries.WaitFor(1).size(), 1u);
    // The first worker is held in its delivery; the second would deliver the next file
    // within milliseconds, were it not kept back.
    EXPECT_EQ(deliveries.WaitFor(2, 300ms).size(), 1u);
    deliveries.Release();
    EXPECT_EQ(deliveries.WaitFor(3).size(), 3u);
}

TEST_F(ThumbnailLoaderTest, AWarmCacheAnswersWithoutTheArchiveAndFailuresAreRemembered) {
    const std::vector<std::string> paths = MakeFolder("w", 2);
    const std::string broken = FDir.Write("w/broken.jib", "not an archive");
    {
        TDeliveries deliveries;
        TThumbnailLoader loader(FCache, deliveries.Sink());
        loader.Begin(128, {});
        loader.Prefer({paths[0], broken});
        const std::vector<TLoadedThumbnail> all = deliveries.WaitFor(2);
        ASSERT_EQ(all.size(), 2u);
        ASSERT_TRUE(WaitIdle(loader));
    }
    // The archive's bytes are garbled but keep their size and time: only an answer from the
    // cache can still be a thumbnail.
    TFileStamp stamp;
    ASSERT_TRUE(StampOf(paths[0], stamp));
    std::ofstream(paths[0], std::ios::binary | std::ios::trunc) << std::string(stamp.Size, 'x');
    const timeval times[2] = {{stamp.MTime, 0}, {stamp.MTime, 0}};
    ASSERT_EQ(::utimes(paths[0].c_str(), times), 0);
    TDeliveries deliveries;
    TThumbnailLoader loader(FCache, deliveries.Sink());
    loader.Begin(128, {});
    loader.Prefer({paths[0], broken, paths[1]});
    const std::vector<TLoadedThumbnail> all = deliveries.WaitFor(3);
    ASSERT_EQ(all.size(), 3u);
    for (const TLoadedThumbnail& loaded : all) {
        SCOPED_TRACE(loaded.Path);
        EXPECT_TRUE(loaded.Shown);
        EXPECT_EQ(loaded.FromCache, loaded.Path != paths[1]); // only it was not asked for before
        EXPECT_EQ(loaded.Failure, loaded.Path == broken ? TThumbnailFailure::tfNoThumbnail
                                                        : TThumbnailFailure::tfNone);
        EXPECT_EQ(loaded.Image.Empty(), loaded.Path == broken);
    }
    EXPECT_TRUE(fs::exists(FDir.File("thumbnails/fail/jibview-1.0/") +
                           TThumbnailCache::FileNameOf(FileUriOf(broken))));
}

} // namespace
