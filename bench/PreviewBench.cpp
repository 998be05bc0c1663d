// The whole preview road for a 50 MiB JIB file with a 256 x 256 thumbnail: from the call
// to ShowPreview to the picture assigned (archive directory, engine loaded and run,
// thumbnail written, decoded, copied into the image, temporary file removed), beside
// Info-ZIP `unzip -p` piped into a libpng decode of the same member (bench/BenchJib.h).
#include "app/JIBMainForm.h"
#include "bench/BenchJib.h"
#include "bench/RatioReporter.h"
#include "gui/Image.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <png.h>
#include <string>
#include <vector>

#include <QApplication>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLayerBytes = 50u << 20;
constexpr int kThumbnailSize = 256;

fs::path JibPath() {
    return bench::CacheFolder() / "project-50MiB.jib";
}

bool MakeJib() {
    return bench::MakeJib(JibPath(), fs::path(JIB_BENCH_DATA) / "bench-rgba-256.png", kLayerBytes);
}

void BM_ShowPreview(benchmark::State& state) {
    if (!MakeJib())
        return state.SkipWithError("cannot make the JIB file with zip");
    TfrmJIBMain form;
    const std::string jib = JibPath().string();
    for (auto _ : state) {
        form.imgPreview->Picture().SetGraphic(nullptr);
        form.ShowPreview(jib);
        if (form.imgPreview->Picture().Width() != kThumbnailSize)
            return state.SkipWithError("no thumbnail was shown");
    }
}

std::vector<unsigned char> ReadAll(FILE* pipe) {
    std::vector<unsigned char> bytes;
    unsigned char block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, pipe)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    return bytes;
}

void BM_UnzipPipeLibpng(benchmark::State& state) {
    if (!MakeJib())
        return state.SkipWithError("cannot make the JIB file with zip");
    const std::string command = "unzip -p '" + JibPath().string() + "' preview.png";
    for (auto _ : state) {
        FILE* pipe = ::popen(command.c_str(), "r");
        if (pipe == nullptr)
            return state.SkipWithError("cannot start unzip");
        const std::vector<unsigned char> bytes = ReadAll(pipe);
        if (::pclose(pipe) != 0)
            return state.SkipWithError("unzip failed");
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
            return state.SkipWithError("libpng cannot read the thumbnail");
        image.format = PNG_FORMAT_RGBA;
        std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
            return state.SkipWithError("libpng cannot decode the thumbnail");
        benchmark::DoNotOptimize(pixels.data());
    }
}

BENCHMARK(BM_ShowPreview)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnzipPipeLibpng)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const TRatioReporter::TTimes& times) {
    const double ours = TimeOf(times, "BM_ShowPreview");
    const double peer = TimeOf(times, "BM_UnzipPipeLibpng");
    if (ours > 0 && peer > 0)
        std::printf("ShowPreview / (unzip -p | libpng): %.2f (target: at most 1.5)\n", ours / peer);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RunWithRatios(argc, argv, PrintRatios);
}
