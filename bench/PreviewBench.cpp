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

#include <cstdio>
#include <cstdlib>
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

bool MakeJib(const TCase& c) {
    const std::string preview = "bench-rgba-" + std::to_string(c.Thumbnail) + ".png";
    return bench::MakeJib(JibPath(c), fs::path(JIB_BENCH_DATA) / preview, c.LayerBytes);
}

void BM_ShowPreview(benchmark::State& state) {
    const TCase& c = kCases[state.range(0)];
    if (!MakeJib(c))
        return state.SkipWithError("cannot make the JIB file with zip");
    TfrmJIBMain form;
    const std::string jib = JibPath(c).string();
    for (auto _ : state) {
        form.imgPreview->Picture().SetGraphic(nullptr);
        form.ShowPreview(jib);
        if (form.imgPreview->Picture().Width() != c.Thumbnail)
            return state.SkipWithError("no thumbnail was shown");
    }
}

void BM_LibzipLibpng(benchmark::State& state) {
    const TCase& c = kCases[state.range(0)];
    if (!MakeJib(c))
        return state.SkipWithError("cannot make the JIB file with zip");
    const std::string jib = JibPath(c).string();
    for (auto _ : state) {
        bench::TDecoded decoded;
        if (!bench::DecodeWithLibpng(bench::ReadMemberWithLibzip(jib, "preview.png"),
                                     PNG_FORMAT_BGRA, decoded) ||
            decoded.Width != c.Thumbnail)
            return state.SkipWithError("libzip and libpng cannot read the thumbnail");
        benchmark::DoNotOptimize(decoded.Pixels.data());
    }
}

// Run with --benchmark_enable_random_interleaving=true on a busy machine, so both meet the same
// load.
BENCHMARK(BM_ShowPreview)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_LibzipLibpng)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond)->UseRealTime();

void PrintRatios(const TRatioReporter::TTimes& times) {
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        std::string arg = "/"; // "/" + to_string trips GCC 12's -Wrestrict
        arg += std::to_string(i);
        const double ours = TimeOf(times, "BM_ShowPreview" + arg);
        const double peer = TimeOf(times, "BM_LibzipLibpng" + arg);
        const double oursCpu = TimeOf(times, "BM_ShowPreview" + arg + ":cpu");
        const double peerCpu = TimeOf(times, "BM_LibzipLibpng" + arg + ":cpu");
        if (ours > 0 && peer > 0)
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
