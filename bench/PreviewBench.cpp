// The whole preview road for a 50 MiB JIB file with a 256 x 256 thumbnail: from the call
// to ShowPreview to the picture assigned (archive directory, engine loaded and run,
// thumbnail written, decoded, copied into the image, temporary file removed), beside
// Info-ZIP `unzip -p` piped into a libpng decode of the same member. The archive is made
// once by Info-ZIP zip into bench-cache/ in the build folder.
#include "app/JIBMainForm.h"
#include "bench/RatioReporter.h"
#include "gui/Image.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <png.h>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLayerBytes = 50u << 20;
constexpr int kThumbnailSize = 256;

fs::path CacheFolder() {
    return fs::canonical("/proc/self/exe").parent_path().parent_path() / "bench-cache";
}

fs::path JibPath() {
    return CacheFolder() / "project-50MiB.jib";
}

// A JIB as the editor writes one: the thumbnail first, then the project's big layer data
// (noise, so zip stores it as it is and the archive really is 50 MiB).
bool MakeJib() {
    if (fs::exists(JibPath()))
        return true;
    const fs::path work = CacheFolder() / "jib-work";
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy_file(fs::path(JIB_BENCH_DATA) / "bench-rgba-256.png", work / "preview.png");
    std::mt19937 rng(7);
    std::string layer(kLayerBytes, '\0');
    for (auto& c : layer)
        c = static_cast<char>(rng());
    std::ofstream(work / "layers.bin", std::ios::binary) << layer;
    const std::string partial = (CacheFolder() / "partial.jib").string();
    const std::string command =
        "cd '" + work.string() + "' && zip -q '" + partial + "' preview.png layers.bin";
    const bool ok = std::system(command.c_str()) == 0;
    fs::remove_all(work);
    if (ok)
        fs::rename(partial, JibPath());
    return ok;
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
        std::printf("ShowPreview / (unzip -p | libpng): %.2f (target: at most 1.5)\n",
                    ours / peer);
}

} // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    return RunWithRatios(argc, argv, PrintRatios);
}
