// Start-up as a person feels it: from starting the program to its first complete frame
// (the last frame painted before its event loop first had nothing to do), and the CPU time
// it took until it was idle. The viewer opens its remembered folder of 200 JIB files; its
// peers are three small Qt 6 programs built here: the viewer's first screen (menus, folder
// tree, four-column list, splitters, preview caption) built from stock Qt widgets
// (bench/startup/PeerBrowser.cpp), and (bench/startup/PeerWindow.cpp) a main window with the
// viewer's menus and a list of the same folder's 200 names, and an empty QMainWindow. All
// four run on Qt's offscreen platform, are started as processes the same way and are timed
// by the same preloaded probe (bench/startup/FirstFrameProbe.cpp).
//
// Wall time is the benchmark's time; CPU time to idle, which other jobs on a shared
// machine disturb far less, is the counter cpu_ms (user and system time of all threads,
// from the program's own getrusage once it is idle). BM_StartupColdSideBySide starts each
// program from an empty page cache, as the first start after a boot does; it needs root to
// empty the cache and is skipped without.
#include "bench/BenchJib.h"
#include "bench/BenchProcess.h"
#include "bench/RatioReporter.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFolderFiles = 200;
// The descriptors the probe reads requests from and writes answers to, in the program.
constexpr int kProbeAnswerFd = 3;
constexpr int kProbeRequestFd = 4;
// Idle: the program's threads together ran less than this in the last quiet period.
constexpr auto kQuietPeriod = std::chrono::milliseconds(250);
constexpr std::int64_t kQuietNs = 1'000'000;
constexpr int kAnswerTimeoutMs = 20000;

std::int64_t Now() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// Where the scene goes: a quiet folder. The viewer's tree watches the folders it shows, and
// /tmp on a shared machine changes all the time, so a start-up there often refreshes the
// tree once more before it is idle. JIB_BENCH_STARTUP_PARENT names another.
fs::path SceneParent() {
    if (const char* parent = std::getenv("JIB_BENCH_STARTUP_PARENT"))
        return parent;
    return fs::is_directory("/var/tmp") ? fs::path("/var/tmp") : fs::temp_directory_path();
}

// A scratch tree: the viewer's copy with its settings beside it (where an unpacked copy
// keeps them), a home folder, and the remembered folder.
struct TStartupScene {
    fs::path Root, Program, Home, Folder;

    TStartupScene() {
        std::string pattern = (SceneParent() / "jibbench-startup-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            return;
        Root = pattern;
        Home = Root / "home";
        Folder = Home / "Pictures" / "Lumenpix";
        fs::create_directories(Folder);
        fs::create_directories(Root / "viewer");
        Program = Root / "viewer" / "jibview";
        fs::copy_file(bench::BinFolder() / "jibview", Program);
        fs::copy_file(bench::BinFolder() / "libunzengine.so", Root / "viewer" / "libunzengine.so");
        const fs::path jib = bench::SmallJib();
        for (int i = 0; i < kFolderFiles; ++i)
            fs::copy_file(jib, Folder / ("Project " + std::to_string(1000 + i) + ".jib"));
        std::ofstream(Root / "viewer" / "JibSettings.ini")
            << "[General]\nLastFolder=" << Folder.string() << "/\n"
            << "[frmJIBMain]\nLeft=100\nTop=100\nWidth=800\nHeight=600\n";
    }
    ~TStartupScene() {
        std::error_code ignored;
        if (!Root.empty())
            fs::remove_all(Root, ignored);
    }
};

TStartupScene& Scene() {
    static TStartupScene scene;
    return scene;
}

// CPU time of all the program's live threads so far, in nanoseconds (scheduler statistics;
// fine-grained, for telling when it is idle).
std::int64_t ThreadsRunTime(pid_t pid) {
    std::int64_t total = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream stat(task.path() / "schedstat");
        std::int64_t ns = 0;
        if (stat >> ns)
            total += ns;
    }
    return total;
}

bool ReadAnswer(int fd, std::int64_t& value) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kAnswerTimeoutMs) == 1 &&
           ::read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

struct TRun {
    double FirstFrameMs = 0;
    double CpuMs = 0;
};

// Starts `args` with the probe, waits for its first frame and for it to go idle, asks it
// for its CPU time and ends it.
bool RunOnce(const std::vector<std::string>& args, TRun& run) {
    int answer[2], request[2];
    if (::pipe2(answer, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(request, O_CLOEXEC) != 0) {
        ::close(answer[0]);
        ::close(answer[1]);
        return false;
    }
    bench::TSpawnOptions options;
    options.Descriptors = {{answer[1], kProbeAnswerFd}, {request[0], kProbeRequestFd}};
    options.Environment = {
        "QT_QPA_PLATFORM=offscreen",
        "LD_PRELOAD=" + (bench::BinFolder() / "libjibbench_probe.so").string(),
        "JIB_BENCH_PROBE_FDS=" + std::to_string(kProbeRequestFd) + "," +
            std::to_string(kProbeAnswerFd),
        "HOME=" + Scene().Home.string(),
        "XDG_CONFIG_HOME=" + (Scene().Home / ".config").string(),
    };
    const std::int64_t start = Now();
    const pid_t pid = bench::Spawn(args, options);
    ::close(answer[1]);
    ::close(request[0]);
    std::int64_t frame = 0, cpuUs = 0;
    bool ok = pid > 0 && ReadAnswer(answer[0], frame);
    if (ok) {
        for (std::int64_t before = ThreadsRunTime(pid);;) {
            std::this_thread::sleep_for(kQuietPeriod);
            const std::int64_t after = ThreadsRunTime(pid);
            if (after - before < kQuietNs)
                break;
            before = after;
        }
        const char ask = 'c';
        ok = ::write(request[1], &ask, 1) == 1 && ReadAnswer(answer[0], cpuUs);
    }
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    ::close(answer[0]);
    ::close(request[1]);
    run.FirstFrameMs = static_cast<double>(frame - start) / 1e6;
    run.CpuMs = static_cast<double>(cpuUs) / 1e3;
    return ok;
}

// Empties the kernel's page cache (after writing out what is dirty), as after a boot: the
// programs' libraries, the fonts and every folder and file they look at then come from the
// disk. Needs root.
bool DropPageCache() {
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    return static_cast<bool>(drop << "3\n" << std::flush);
}

// The four programs in the same loop, taking turns (and turns at going first), so a machine
// whose speed changes from one second to the next slows all four alike: the ratios are the
// figures, the times each program's mean. `cold` starts each from an empty page cache.
void StartSideBySide(benchmark::State& state, bool cold) {
    if (Scene().Root.empty())
        return state.SkipWithError("cannot make the start-up folder");
    if (cold && !DropPageCache())
        return state.SkipWithError("cannot empty the page cache (needs root)");
    const std::vector<std::string> programs[] = {
        {Scene().Program.string()},
        {(bench::BinFolder() / "jibbench-peer-browser").string(), Scene().Folder.string()},
        {(bench::BinFolder() / "jibbench-peer-window").string(), Scene().Folder.string()},
        {(bench::BinFolder() / "jibbench-peer-window").string()},
    };
    constexpr std::size_t kPrograms = std::size(programs);
    double frame[kPrograms] = {}, cpu[kPrograms] = {};
    std::size_t first = 0;
    for (auto _ : state) {
        double iteration = 0;
        for (std::size_t k = 0; k < kPrograms; ++k) {
            const std::size_t which = (first + k) % kPrograms;
            if (cold)
                DropPageCache();
            TRun run;
            if (!RunOnce(programs[which], run))
                return state.SkipWithError("a program showed no frame or did not answer");
            frame[which] += run.FirstFrameMs;
            cpu[which] += run.CpuMs;
            iteration += run.FirstFrameMs;
        }
        state.SetIterationTime(iteration / 1e3);
        first = (first + 1) % kPrograms;
    }
    const auto mean = [&](double total) {
        return total / static_cast<double>(state.iterations());
    };
    const char* names[] = {"viewer", "screen", "list", "empty"};
    for (std::size_t k = 0; k < kPrograms; ++k) {
        state.counters[std::string(names[k]) + "_ms"] = mean(frame[k]);
        state.counters[std::string(names[k]) + "_cpu_ms"] = mean(cpu[k]);
    }
}

void BM_StartupSideBySide(benchmark::State& state) {
    StartSideBySide(state, false);
}
BENCHMARK(BM_StartupSideBySide)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The first start after a boot, where a person waits longest.
void BM_StartupColdSideBySide(benchmark::State& state) {
    StartSideBySide(state, true);
}
BENCHMARK(BM_StartupColdSideBySide)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

// The four programs' means of one counter of one benchmark; 0 where it did not run.
struct TMeans {
    double Viewer, Screen, List, Empty;
    bool Ran() const { return Viewer > 0 && Screen > 0 && List > 0 && Empty > 0; }
};
TMeans MeansOf(const TRatioReporter::TTimes& times, const std::string& benchmark,
               const std::string& counter) {
    const auto of = [&](const char* program) {
        return TimeOf(times, benchmark + ":" + program + counter);
    };
    return {of("viewer"), of("screen"), of("list"), of("empty")};
}

void PrintRatios(const TRatioReporter::TTimes& times) {
    if (const TMeans frame = MeansOf(times, "BM_StartupSideBySide", "_ms"); frame.Ran())
        std::printf("first frame: viewer %.1f ms / menus and list %.1f ms = %.2f (target: at most "
                    "1.2); / empty QMainWindow %.1f ms = %.2f (target: at most 1.6); / the same "
                    "screen from stock Qt widgets %.1f ms = %.2f\n",
                    frame.Viewer, frame.List, frame.Viewer / frame.List, frame.Empty,
                    frame.Viewer / frame.Empty, frame.Screen, frame.Viewer / frame.Screen);
    if (const TMeans cpu = MeansOf(times, "BM_StartupSideBySide", "_cpu_ms"); cpu.Ran())
        std::printf("CPU to idle: viewer %.1f ms / menus and list %.1f ms = %.2f (target: at "
                    "most 1.2); empty QMainWindow %.1f ms; / the same screen from stock Qt "
                    "widgets %.1f ms = %.2f\n",
                    cpu.Viewer, cpu.List, cpu.Viewer / cpu.List, cpu.Empty, cpu.Screen,
                    cpu.Viewer / cpu.Screen);
    if (const TMeans cold = MeansOf(times, "BM_StartupColdSideBySide", "_ms"); cold.Ran())
        std::printf("first frame from an empty page cache: viewer %.1f ms / menus and list %.1f "
                    "ms = %.2f; / empty QMainWindow %.1f ms = %.2f; / the same screen from "
                    "stock Qt widgets %.1f ms = %.2f\n",
                    cold.Viewer, cold.List, cold.Viewer / cold.List, cold.Empty,
                    cold.Viewer / cold.Empty, cold.Screen, cold.Viewer / cold.Screen);
}

} // namespace

int main(int argc, char** argv) {
    if (!bench::MakeJib(bench::SmallJib(), fs::path(JIB_BENCH_DATA) / "bench-rgba-256.png",
                        64u << 10)) {
        std::fprintf(stderr, "cannot make the JIB file with zip\n");
        return 1;
    }
    return RunWithRatios(argc, argv, PrintRatios);
}
