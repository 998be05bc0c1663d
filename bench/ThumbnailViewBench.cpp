// The file list's thumbnail view on a folder of 1,000 JIB files (64 KiB each, a 256 x 256
// preview), at 256 px, in a 1040 x 800 list, each figure beside its peer of the same run:
//   - cold cache (a fresh $XDG_CACHE_HOME): the first screen drawn, from the folder being
//     opened to the last visible thumbnail painted (target 300 ms), beside the same folder
//     opened in the Details view; and all 1,000 thumbnails in the cache, beside running
//     jibview-thumbnailer -s 256 over them one after another (target at most 0.5x), in
//     wall-clock and in processor time (every thread of the viewer, every thumbnailer
//     process), the fairer of the two on a machine shared with other work;
//   - warm cache: the first screen (target 100 ms), with the count of archives opened
//     (target none), beside the Details view;
//   - the longest gap between two turns of the GUI thread's event loop while the cold
//     folder's thumbnails stream in and the view scrolls a page every 100 ms (target
//     16 ms), beside the same scrolling in icon view without thumbnails;
//   - memory with 10,000 JIB files (hard links, so each is a file of its own to the
//     cache) after jumping through the whole folder, beside the Details view doing the same.
// Caches are made in a temporary folder and removed; the JIB files are kept in bench-cache/.
#include "app/JibThumbnailSource.h"
#include "bench/BenchJib.h"
#include "bench/BenchProcess.h"
#include "bench/RatioReporter.h"
#include "shell/FbShellCtrls.h"
#include "thumbs/ThumbnailLoader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFolderFiles = 1000;
constexpr int kManyFiles = 10000;
constexpr int kSize = 256;
constexpr int kListWidth = 1040;
constexpr int kListHeight = 800;
// The probe of the event loop ticks this often; a longer gap is time the loop was held.
constexpr int kProbeMs = 2;
constexpr int kScrollEveryMs = 100;
constexpr int kMemoryJumps = 60;

fs::path ManyFolder() {
    return bench::CacheFolder() / "folder-10000-links";
}

bool MakeInputs() {
    const fs::path preview = fs::path(JIB_BENCH_DATA) / "bench-rgba-256.png";
    return bench::MakeJib(bench::SmallJib(), preview, 64u << 10) &&
           bench::MakeJibFolder(bench::ThousandJibsFolder(), bench::SmallJib(), kFolderFiles) &&
           bench::MakeJibFolder(ManyFolder(), bench::SmallJib(), kManyFiles, true);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Processor time, user and system, of this process's threads or of its waited-for children:
// on a shared machine the wall clock also counts the turns other programs had.
double CpuMs(int who) {
    rusage usage{};
    ::getrusage(who, &usage);
    auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_usec) / 1000;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// A fresh, empty thumbnail cache as $XDG_CACHE_HOME for as long as it lives.
class TFreshCache {
public:
    TFreshCache() {
        std::string pattern = (fs::temp_directory_path() / "jibbench-cache-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        FPath = pattern;
        setenv("XDG_CACHE_HOME", FPath.c_str(), 1);
    }
    ~TFreshCache() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    int Entries(const char* folder) const {
        std::error_code ec;
        const fs::path path = fs::path(FPath) / "thumbnails" / folder;
        return fs::exists(path) ? static_cast<int>(std::distance(fs::directory_iterator(path, ec),
                                                                 fs::directory_iterator()))
                                : 0;
    }

private:
    std::string FPath;
};

// The application, timing every event it delivers from the event loop: the longest one is
// how long the window could not answer the user.
class TTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (FDepth++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --FDepth;
            return handled;
        }
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuMs();
        const bool handled = QApplication::notify(receiver, event);
        const double ms = MsSince(start);
        --FDepth;
        if (ms > FLongestMs) {
            FLongestMs = ms;
            FLongestCpuMs = ThreadCpuMs() - cpuStart;
            FLongestWhat = std::string(receiver->metaObject()->className()) + " event " +
                           std::to_string(static_cast<int>(event->type()));
        }
        return handled;
    }
    void ResetLongest() {
        FLongestMs = 0;
        FLongestCpuMs = 0;
        FLongestWhat.clear();
    }
    double LongestMs() const { return FLongestMs; }
    // Of the longest event, the time the GUI thread itself ran; the rest it waited for a
    // processor.
    double LongestCpuMs() const { return FLongestCpuMs; }
    const std::string& LongestWhat() const { return FLongestWhat; }

private:
    static double ThreadCpuMs() {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
    }

    int FDepth = 0;
    double FLongestMs = 0;
    double FLongestCpuMs = 0;
    std::string FLongestWhat;
};

TTimedApplication* gApp = nullptr;

// Ticks every kProbeMs while the event loop turns and keeps the longest gap between two
// ticks, less the tick's own interval: the longest the GUI thread was held by something.
class TLoopProbe {
public:
    TLoopProbe() {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(kProbeMs);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            FLongest =
                std::max(FLongest, std::chrono::duration<double, std::milli>(now - FLast).count());
            FLast = now;
        });
    }
    void Start() {
        FLongest = 0;
        FLast = Clock::now();
        FTimer.start();
    }
    double LongestMs() const { return std::max(0.0, FLongest - kProbeMs); }

private:
    QTimer FTimer;
    Clock::time_point FLast;
    double FLongest = 0;
};

// Turns the event loop until `done` holds (checked at each probe tick or event); false
// after `timeoutMs`.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 120000) {
    QTimer wake;
    wake.start(kProbeMs);
    const auto start = Clock::now();
    while (!done()) {
        if (MsSince(start) > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The file list as the viewer has it, in thumbnails or details, with the viewer's source.
class TViewer {
public:
    // `threads` workers for the thumbnails; 0 as the viewer sizes its pool.
    TViewer(TViewStyle style, bool thumbnails, unsigned threads = 0) {
        FList.SetOptions(sloDefaultKeyHandling | sloShowHidden);
        FList.SetFileFilter("*.jib");
        FList.SetPictureSize(kSize);
        FList.SetViewStyle(style);
        if (thumbnails) {
            FSource = new TJibThumbnailSource(TJibThumbnailSource::UserCache(), &FList, threads);
            FList.SetThumbnailSource(FSource);
        }
        FList.resize(kListWidth, kListHeight);
        FList.show();
        QCoreApplication::processEvents();
    }
    TFbShellList& List() { return FList; }
    TJibThumbnailSource* Source() { return FSource; }

    void Open(const fs::path& folder) { FList.Folder()->SetFolderPath(folder.string() + "/"); }
    // Every item on screen has its thumbnail (or is known to have none).
    bool ScreenComplete() {
        if (FSource == nullptr || FList.ViewStyle() != vsIcon || FList.ItemCount() == 0)
            return FList.ItemCount() > 0;
        int first = 0, last = -1;
        FList.VisibleItems(first, last);
        QImage image;
        TFbThumbnailKey key;
        for (int i = first; i <= last; ++i)
            if (FList.ThumbnailKeyOf(FList.Item(i), key) &&
                FSource->Thumbnail(key, image) == TFbThumbnailSource::TState::tsPending)
                return false;
        return true;
    }
    // From the folder's opening to its first screen painted complete, in ms.
    double OpenToFirstScreen(const fs::path& folder) {
        const auto start = Clock::now();
        Open(folder);
        if (!RunUntil([this] { return ScreenComplete(); }))
            std::abort();
        FList.viewport()->repaint();
        return MsSince(start);
    }
    void ScrollPage() {
        QScrollBar* bar = FList.verticalScrollBar();
        bar->setValue(
            bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
    }

private:
    TFbShellList FList;
    TJibThumbnailSource* FSource = nullptr;
};

// Figures kept for the summary.
struct TFigures {
    double ColdFirstScreenMs = 0;
    double WarmFirstScreenMs = 0;
    int WarmArchivesOpened = -1;
    double DetailsFirstScreenMs = 0;
    double GapMs = 0;
    double IconsGapMs = 0;
    double EventMs = 0;
    double EventCpuMs = 0;
    std::string EventWhat;
    double IconsEventMs = 0;
    double ThumbnailsMemoryMiB = 0;
    double DecodedMiB = 0;
    double DetailsMemoryMiB = 0;
    // Processor time of all 1,000 made cold (every thread of the viewer), and of the
    // thumbnailer processes one after another.
    double ColdCpuMs = 0;
    double ThumbnailerCpuMs = 0;
} gFigures;

void BM_ColdFolderAllCached(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    double firstScreen = 1e9;
    const auto threads = static_cast<unsigned>(state.range(0));
    double cpu = 1e12;
    for (auto _ : state) {
        TFreshCache cache;
        TViewer viewer(vsIcon, true, threads);
        const auto start = Clock::now();
        const double cpuStart = CpuMs(RUSAGE_SELF);
        firstScreen = std::min(firstScreen, viewer.OpenToFirstScreen(bench::ThousandJibsFolder()));
        if (!RunUntil([&] { return viewer.Source()->Idle(); }))
            return state.SkipWithError("the thumbnails were not all made");
        state.SetIterationTime(MsSince(start) / 1000);
        cpu = std::min(cpu, CpuMs(RUSAGE_SELF) - cpuStart);
        if (cache.Entries("large") != kFolderFiles)
            return state.SkipWithError("not every thumbnail reached the cache");
    }
    if (threads == 0) {
        gFigures.ColdFirstScreenMs = firstScreen;
        gFigures.ColdCpuMs = cpu;
    }
    state.counters["first_screen_ms"] = firstScreen;
    state.counters["cpu_ms"] = cpu;
}

// The peer: a file manager's way, one thumbnailer process after another.
void BM_ThumbnailerOneByOne(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    TFreshCache cache;
    const fs::path out = bench::CacheFolder() / "view-thumbnails";
    fs::create_directories(out);
    const double cpuStart = CpuMs(RUSAGE_CHILDREN);
    for (auto _ : state)
        for (int i = 0; i < kFolderFiles; ++i) {
            const std::string name = "project-" + std::to_string(i);
            if (!bench::Succeeded(
                    bench::Spawn({bench::Thumbnailer(), "-s", std::to_string(kSize),
                                  (bench::ThousandJibsFolder() / (name + ".jib")).string(),
                                  (out / (name + ".png")).string()},
                                 -1, -1)))
                return state.SkipWithError("a thumbnail was not made");
        }
    gFigures.ThumbnailerCpuMs =
        (CpuMs(RUSAGE_CHILDREN) - cpuStart) / static_cast<double>(state.iterations());
    state.counters["cpu_ms"] = gFigures.ThumbnailerCpuMs;
}

void BM_WarmFirstScreen(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    TFreshCache cache;
    {
        TViewer filling(vsIcon, true);
        filling.Open(bench::ThousandJibsFolder());
        if (!RunUntil([&] { return filling.Source()->Idle(); }))
            return state.SkipWithError("the cache was not filled");
    }
    double best = 1e9;
    int opened = 0;
    for (auto _ : state) {
        // A new viewer: nothing in memory, everything in the cache.
        TViewer viewer(vsIcon, true);
        const double ms = viewer.OpenToFirstScreen(bench::ThousandJibsFolder());
        opened = std::max(opened, viewer.Source()->Made());
        best = std::min(best, ms);
        state.SetIterationTime(ms / 1000);
    }
    gFigures.WarmFirstScreenMs = best;
    gFigures.WarmArchivesOpened = opened;
    state.counters["archives_opened"] = opened;
}

// The peer of both first screens: the Details view of the same folder, filled and painted.
void BM_DetailsFirstScreen(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    double best = 1e9;
    for (auto _ : state) {
        TViewer viewer(vsReport, true);
        const double ms = viewer.OpenToFirstScreen(bench::ThousandJibsFolder());
        best = std::min(best, ms);
        state.SetIterationTime(ms / 1000);
    }
    gFigures.DetailsFirstScreenMs = best;
}

// Opens the folder cold and scrolls a page every kScrollEveryMs until the thumbnails are
// all made (or, without them, for as long as they took); answers the longest gap, and the
// longest single event in `eventMs`.
double ScrollingGap(bool thumbnails, double forMs, double& eventMs, unsigned threads = 0) {
    TFreshCache cache;
    TViewer viewer(vsIcon, thumbnails, threads);
    viewer.Open(bench::ThousandJibsFolder());
    TLoopProbe probe;
    QTimer scroller;
    QObject::connect(&scroller, &QTimer::timeout, [&] { viewer.ScrollPage(); });
    scroller.start(kScrollEveryMs);
    probe.Start();
    gApp->ResetLongest();
    const auto start = Clock::now();
    RunUntil([&] { return thumbnails ? viewer.Source()->Idle() : MsSince(start) >= forMs; });
    eventMs = gApp->LongestMs();
    if (thumbnails && threads == 0) {
        gFigures.EventWhat = gApp->LongestWhat();
        gFigures.EventCpuMs = gApp->LongestCpuMs();
    }
    return probe.LongestMs();
}

double gScrollingMs = 3000;

void BM_GapWithThumbnails(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    double worst = 0, worstEvent = 0;
    const auto threads = static_cast<unsigned>(state.range(0));
    for (auto _ : state) {
        const auto start = Clock::now();
        double event = 0;
        const double gap = ScrollingGap(true, 0, event, threads);
        if (threads == 0)
            gScrollingMs = MsSince(start);
        worst = std::max(worst, gap);
        worstEvent = std::max(worstEvent, event);
        state.SetIterationTime(gap / 1000);
    }
    state.counters["longest_event_ms"] = worstEvent;
    if (threads == 0) {
        gFigures.GapMs = worst;
        gFigures.EventMs = worstEvent;
    }
}

void BM_GapIconsOnly(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    double worst = 0;
    for (auto _ : state) {
        double event = 0;
        const double gap = ScrollingGap(false, gScrollingMs, event);
        worst = std::max(worst, gap);
        gFigures.IconsEventMs = std::max(gFigures.IconsEventMs, event);
        state.SetIterationTime(gap / 1000);
    }
    gFigures.IconsGapMs = worst;
}

double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtod(line.c_str() + 6, nullptr) / 1024;
    return 0;
}

// The growth of resident memory from before the 10,000-file folder is opened to after the
// view has jumped through all of it, each stop waiting for its screen.
double MemoryAfterJumps(TViewStyle style, bool thumbnails, double* decodedMiB) {
    TFreshCache cache;
    TViewer viewer(style, thumbnails);
    const double before = ResidentMiB();
    viewer.Open(ManyFolder());
    QScrollBar* bar = viewer.List().verticalScrollBar();
    for (int jump = 0; jump <= kMemoryJumps; ++jump) {
        bar->setValue(bar->maximum() * jump / kMemoryJumps);
        RunUntil([&] { return viewer.ScreenComplete(); });
        viewer.List().viewport()->repaint();
    }
    if (decodedMiB && viewer.Source())
        *decodedMiB = static_cast<double>(viewer.Source()->MemoryBytes()) / (1 << 20);
    return ResidentMiB() - before;
}

void BM_Memory10000Thumbnails(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files");
    for (auto _ : state) {
        const auto start = Clock::now();
        gFigures.ThumbnailsMemoryMiB = MemoryAfterJumps(vsIcon, true, &gFigures.DecodedMiB);
        state.SetIterationTime(MsSince(start) / 1000);
    }
    state.counters["rss_growth_MiB"] = gFigures.ThumbnailsMemoryMiB;
    state.counters["decoded_MiB"] = gFigures.DecodedMiB;
}

void BM_Memory10000Details(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files");
    for (auto _ : state) {
        const auto start = Clock::now();
        gFigures.DetailsMemoryMiB = MemoryAfterJumps(vsReport, false, nullptr);
        state.SetIterationTime(MsSince(start) / 1000);
    }
    state.counters["rss_growth_MiB"] = gFigures.DetailsMemoryMiB;
}

BENCHMARK(BM_DetailsFirstScreen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
// Argument: the workers (0: as the viewer sizes its pool, one per core).
BENCHMARK(BM_ColdFolderAllCached)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);
BENCHMARK(BM_ThumbnailerOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_WarmFirstScreen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_GapWithThumbnails)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(2);
BENCHMARK(BM_GapIconsOnly)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(2);
BENCHMARK(BM_Memory10000Thumbnails)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_Memory10000Details)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

void PrintSummary(const TRatioReporter::TTimes& times) {
    const TFigures& f = gFigures;
    std::printf("cold cache, first screen: %.0f ms (target at most 300 ms); Details view %.0f ms\n",
                f.ColdFirstScreenMs, f.DetailsFirstScreenMs);
    const double all = TimeOf(times, "BM_ColdFolderAllCached/0");
    const double peer = TimeOf(times, "BM_ThumbnailerOneByOne");
    if (all > 0 && peer > 0)
        std::printf("cold cache, all %d cached: %.0f ms beside jibview-thumbnailer one by one "
                    "%.0f ms, ratio %.2f (target at most 0.5)\n",
                    kFolderFiles, all, peer, all / peer);
    if (f.ColdCpuMs > 0 && f.ThumbnailerCpuMs > 0)
        std::printf("  processor time: %.0f ms beside %.0f ms, ratio %.2f\n", f.ColdCpuMs,
                    f.ThumbnailerCpuMs, f.ColdCpuMs / f.ThumbnailerCpuMs);
    std::printf("warm cache, first screen: %.0f ms (target at most 100 ms), archives opened %d; "
                "Details view %.0f ms\n",
                f.WarmFirstScreenMs, f.WarmArchivesOpened, f.DetailsFirstScreenMs);
    std::printf("while thumbnails stream in and the view scrolls, longest GUI-thread event %.1f ms "
                "(%s, %.1f ms of it running), longest gap between event-loop turns %.1f ms (target "
                "at most 16 ms); "
                "icon view without thumbnails %.1f ms and %.1f ms\n",
                f.EventMs, f.EventWhat.c_str(), f.EventCpuMs, f.GapMs, f.IconsEventMs,
                f.IconsGapMs);
    std::printf("10,000 JIB files, after jumping through them: resident memory +%.0f MiB, "
                "decoded thumbnails %.0f MiB (budget %zu MiB); Details view +%.0f MiB\n",
                f.ThumbnailsMemoryMiB, f.DecodedMiB, TJibThumbnailSource::kDefaultMemoryBytes >> 20,
                f.DetailsMemoryMiB);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TTimedApplication app(argc, argv);
    gApp = &app;
    return RunWithRatios(argc, argv, PrintSummary);
}
