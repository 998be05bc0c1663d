// Thumbnails of JIB files three ways, each beside the peer a thumbnailer would otherwise be
// built from, measured in the same run:
//   - the whole jibview-thumbnailer process for a 256 px thumbnail of a 50 MiB JIB, beside
//     `unzip -p FILE preview.png | convert - -thumbnail 256x256 OUT.png`;
//   - 1,000 JIB files thumbnailed one process each at 128 px, as a file manager opening a
//     folder does, beside the same pipeline per file;
//   - the library call alone (no process start), beside in-process libzip + libpng + QImage
//     smooth scaling of the same file, at 256 px (the preview's own size) and at 128 px.
// The processes are started directly (posix_spawn, the pipeline's pipe made here), so no
// shell's start-up is counted on either side.
#include "bench/BenchJib.h"
#include "bench/BenchLibzipPng.h"
#include "bench/BenchProcess.h"
#include "bench/RatioReporter.h"
#include "thumbs/Thumbnail.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <QImage>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

constexpr int kFolderFiles = 1000;

fs::path BigJib() {
    return bench::CacheFolder() / "project-50MiB.jib";
}

fs::path Preview() {
    return fs::path(JIB_BENCH_DATA) / "bench-rgba-256.png";
}

// A folder of kFolderFiles JIBs of 64 KiB each; made once.
bool MakeInputs() {
    if (!bench::MakeJib(BigJib(), Preview(), 50u << 20) ||
        !bench::MakeJib(bench::SmallJib(), Preview(), 64u << 10))
        return false;
    return bench::MakeJibFolder(bench::ThousandJibsFolder(), bench::SmallJib(), kFolderFiles);
}

// The system's own tools, not a wrapper that may stand in front of them on the PATH.
std::string Tool(const char* name) {
    const std::string system = std::string("/usr/bin/") + name;
    return access(system.c_str(), X_OK) == 0 ? system : name;
}

using bench::Thumbnailer;

bool RunThumbnailer(const fs::path& jib, const fs::path& out, int size) {
    return bench::Succeeded(
        bench::Spawn({Thumbnailer(), "-s", std::to_string(size), jib.string(), out.string()}));
}

bool RunUnzipConvert(const fs::path& jib, const fs::path& out, int size) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    const std::string geometry = std::to_string(size) + "x" + std::to_string(size);
    const pid_t unzip =
        bench::Spawn({Tool("unzip"), "-p", jib.string(), "preview.png"}, -1, pipeEnds[1]);
    const pid_t convert =
        bench::Spawn({Tool("convert"), "-", "-thumbnail", geometry, out.string()}, pipeEnds[0], -1);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    const bool unzipped = bench::Succeeded(unzip);
    return bench::Succeeded(convert) && unzipped;
}

using TRunner = bool (*)(const fs::path&, const fs::path&, int);

void OneFile(benchmark::State& state, TRunner run) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    const fs::path out = bench::CacheFolder() / "thumbnail.png";
    for (auto _ : state)
        if (!run(BigJib(), out, 256))
            return state.SkipWithError("the thumbnail was not made");
}

void Folder(benchmark::State& state, TRunner run) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    const fs::path out = bench::CacheFolder() / "folder-thumbnails";
    fs::create_directories(out);
    for (auto _ : state)
        for (int i = 0; i < kFolderFiles; ++i) {
            const std::string name = "project-" + std::to_string(i);
            if (!run(bench::ThousandJibsFolder() / (name + ".jib"), out / (name + ".png"), 128))
                return state.SkipWithError("a thumbnail was not made");
        }
}

void BM_ThumbnailerProcess(benchmark::State& state) {
    OneFile(state, RunThumbnailer);
}
void BM_UnzipConvert(benchmark::State& state) {
    OneFile(state, RunUnzipConvert);
}
void BM_FolderThumbnailer(benchmark::State& state) {
    Folder(state, RunThumbnailer);
}
void BM_FolderUnzipConvert(benchmark::State& state) {
    Folder(state, RunUnzipConvert);
}

void BM_Library(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    thumbs::TThumbnailRequest request;
    request.Size = static_cast<int>(state.range(0));
    const std::string jib = BigJib().string();
    for (auto _ : state) {
        const thumbs::TThumbnail t = thumbs::MakeThumbnail(jib, request);
        if (!t.Ok() || t.Image.Width != request.Size)
            return state.SkipWithError("the thumbnail was not made");
        benchmark::DoNotOptimize(t.Image.Pixels.data());
    }
}

// The same work from the libraries a thumbnailer is commonly built on: libzip finds and
// inflates the member, libpng decodes it to RGBA, QImage scales it smoothly.
QImage LibzipLibpngQImage(const std::string& jib, int size) {
    bench::TDecoded decoded;
    if (!bench::DecodeWithLibpng(bench::ReadMemberWithLibzip(jib, "preview.png"), PNG_FORMAT_RGBA,
                                 decoded))
        return {};
    const QImage image(decoded.Pixels.data(), decoded.Width, decoded.Height, decoded.Width * 4,
                       QImage::Format_RGBA8888);
    return image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void BM_LibzipLibpngQImage(benchmark::State& state) {
    if (!MakeInputs())
        return state.SkipWithError("cannot make the JIB files with zip");
    const int size = static_cast<int>(state.range(0));
    const std::string jib = BigJib().string();
    for (auto _ : state) {
        const QImage scaled = LibzipLibpngQImage(jib, size);
        if (scaled.width() != size)
            return state.SkipWithError("the thumbnail was not made");
        benchmark::DoNotOptimize(scaled.constBits());
    }
}

BENCHMARK(BM_ThumbnailerProcess)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnzipConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FolderThumbnailer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_FolderUnzipConvert)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Library)->Arg(256)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibzipLibpngQImage)->Arg(256)->Arg(128)->Unit(benchmark::kMillisecond)->UseRealTime();

void Ratio(const TRatioReporter::TTimes& times, const char* ours, const char* peer,
           const char* what, const char* target) {
    const double a = TimeOf(times, ours), b = TimeOf(times, peer);
    if (a > 0 && b > 0)
        std::printf("%s: %.1f ms beside %.1f ms, ratio %.2f%s\n", what, a, b, a / b, target);
}

void PrintRatios(const TRatioReporter::TTimes& times) {
    Ratio(times, "BM_ThumbnailerProcess", "BM_UnzipConvert",
          "jibview-thumbnailer / (unzip -p | convert -thumbnail), 50 MiB JIB, 256 px",
          " (target: at most 0.5)");
    Ratio(times, "BM_FolderThumbnailer", "BM_FolderUnzipConvert",
          "1,000 JIB files, one process each, 128 px", "");
    Ratio(times, "BM_Library/256", "BM_LibzipLibpngQImage/256",
          "library / (libzip + libpng + QImage), 256 px", " (target: at most 1.5)");
    Ratio(times, "BM_Library/128", "BM_LibzipLibpngQImage/128",
          "library / (libzip + libpng + QImage), 128 px", " (target: at most 1.5)");
}

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(argc, argv, PrintRatios);
}
