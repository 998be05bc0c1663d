// The whole preview road, from the call to ShowPreview to the picture assigned (archive
// directory, engine loaded and run, thumbnail written into a private folder and read back,
// decoded, the folder removed), beside the same work in process with libzip and libpng
// (the member inflated into memory, decoded to four-byte pixels). Thumbnails of 64 px in
// JIB files of 1 MiB and 500 MiB, and of 256 px in one of 50 MiB (bench/BenchJib.h).
#include "app/JIBMainForm.h"
#include "bench/BenchJib.h"
#include "bench/BenchLibzipPng.h"
#include "bench/RatioReporter.h"
#include "gui/Image.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include <QApplication>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

struct TCase {
    int Thumbnail;          // pixels a side
    std::size_t LayerBytes; // the rest of the project
    const char* Name;
};

// By the benchmarks' argument.
constexpr TCase kCases[] = {
    {64, 1u << 20, "project-64px-1MiB.jib"},
    {64, 500u << 20, "project-64px-500MiB.jib"},
    {256, 50u << 20, "project-50MiB.jib"},
};

fs::path JibPath(const TCase& c) {
    return bench::CacheFolder() / c.Name;
}

double ThreadCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool MakeJib(const TCase& c) {
    const std::string preview = "bench-rgba-" + std::to_string(c.Thumbnail) + ".png";
    return bench::MakeJib(JibPath(c), fs::path(JIB_BENCH_DATA) / preview, c.LayerBytes);
}

// Both roads in the same loop, taking turns (and turns at going first), so a machine whose
// speed changes from one second to the next (a shared one; a virtual one whose host is
// busy) slows both alike: the ratio is the figure, the times are each road's mean.
void BM_PreviewSideBySide(benchmark::State& state) {
    const TCase& c = kCases[state.range(0)];
    if (!MakeJib(c))
        return state.SkipWithError("cannot make the JIB file with zip");
    TfrmJIBMain form;
    const std::string jib = JibPath(c).string();
    const auto ours = [&] {
        form.imgPreview->Picture().SetGraphic(nullptr);
        form.ShowPreview(jib);
        return form.imgPreview->Picture().Width() == c.Thumbnail;
    };
    const auto peer = [&] {
        bench::TDecoded decoded;
        const bool ok = bench::DecodeWithLibpng(bench::ReadMemberWithLibzip(jib, "preview.png"),
                                                PNG_FORMAT_BGRA, decoded) &&
                        decoded.Width == c.Thumbnail;
        benchmark::DoNotOptimize(decoded.Pixels.data());
        return ok;
    };
    using Clock = std::chrono::steady_clock;
    struct TTotals {
        Clock::duration Wall{};
        double CpuSeconds = 0;
    };
    const auto timed = [](auto& road, TTotals& total) {
        const double cpu = ThreadCpuSeconds();
        const auto start = Clock::now();
        const bool ok = road();
        total.Wall += Clock::now() - start;
        total.CpuSeconds += ThreadCpuSeconds() - cpu;
        return ok;
    };
    TTotals oursTotal, peerTotal;
    bool oursFirst = true;
    for (auto _ : state) {
        const auto start = Clock::now();
        const bool ok = oursFirst ? timed(ours, oursTotal) && timed(peer, peerTotal)
                                  : timed(peer, peerTotal) && timed(ours, oursTotal);
        if (!ok)
            return state.SkipWithError("a road showed no thumbnail");
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        oursFirst = !oursFirst;
    }
    const auto us = [&](double seconds) {
        return seconds * 1e6 / static_cast<double>(state.iterations());
    };
    const auto wall = [&](const TTotals& t) {
        return us(std::chrono::duration<double>(t.Wall).count());
    };
    state.counters["ours_us"] = wall(oursTotal);
    state.counters["peer_us"] = wall(peerTotal);
    state.counters["ratio"] = wall(oursTotal) / wall(peerTotal);
    state.counters["ours_cpu_us"] = us(oursTotal.CpuSeconds);
    state.counters["peer_cpu_us"] = us(peerTotal.CpuSeconds);
}

BENCHMARK(BM_PreviewSideBySide)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond)->UseManualTime();

void PrintRatios(const TRatioReporter::TTimes& times) {
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const std::string name = "BM_PreviewSideBySide/" + std::to_string(i);
        const double ours = TimeOf(times, name + ":ours_us");
        const double peer = TimeOf(times, name + ":peer_us");
        const double oursCpu = TimeOf(times, name + ":ours_cpu_us");
        const double peerCpu = TimeOf(times, name + ":peer_cpu_us");
        if (ours > 0 && peer > 0 && peerCpu > 0)
            std::printf("ShowPreview / (libzip + libpng), %d px thumbnail in %s: %.0f / %.0f us "
                        "= %.2f; CPU %.0f / %.0f us = %.2f (target: at most %s)\n",
                        kCases[i].Thumbnail, kCases[i].Name, ours, peer, ours / peer, oursCpu,
                        peerCpu, oursCpu / peerCpu, kCases[i].Thumbnail == 64 ? "2" : "1.2");
    }
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RunWithRatios(argc, argv, PrintRatios);
}
