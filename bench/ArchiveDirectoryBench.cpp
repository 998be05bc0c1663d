// Reading the directory of an archive of 20,000 entries, beside Info-ZIP's "zipinfo -1"
// listing the same file. The archive is made by Info-ZIP zip at start-up from 20,000
// small files in nested folders, as a large JIB collection exported as one archive would
// look; both readers then see the same bytes from the page cache.
#include "archive/ZipExtractor.h"
#include "bench/RatioReporter.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

extern char** environ;

namespace {

constexpr int kEntries = 20000;

std::string MakeArchive() {
    char pattern[] = "/tmp/jibbench-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    for (int i = 0; i < kEntries; ++i) {
        const std::string sub = folder + "/src/project-" + std::to_string(i / 500);
        if (i % 500 == 0)
            std::filesystem::create_directories(sub);
        std::ofstream(sub + "/layer-" + std::to_string(i) + ".png") << "layer " << i;
    }
    const std::string command = "cd '" + folder + "/src' && zip -q -X -r -D ../big.zip .";
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "zip failed\n");
        std::exit(1);
    }
    std::filesystem::remove_all(folder + "/src");
    return folder + "/big.zip";
}

const std::string& Archive() {
    static const std::string path = MakeArchive();
    return path;
}

void BM_ReadDirectory(benchmark::State& state) {
    for (auto _ : state) {
        TZipExtractor zip;
        zip.SetUnattended(true);
        zip.SetZipFileName(Archive());
        if (zip.EntryCount() != kEntries)
            state.SkipWithError("wrong entry count");
        benchmark::DoNotOptimize(zip.Entries(0).FileName.data());
    }
}
BENCHMARK(BM_ReadDirectory)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: Info-ZIP's listing of the same directory, output discarded.
void BM_ZipInfoList(benchmark::State& state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string path = Archive();
    char* argv[] = {const_cast<char*>("zipinfo"), const_cast<char*>("-1"),
                    const_cast<char*>(path.c_str()), nullptr};
    for (auto _ : state) {
        pid_t pid;
        int status = 0;
        if (posix_spawnp(&pid, "zipinfo", &actions, nullptr, argv, environ) != 0 ||
            ::waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("zipinfo failed");
    }
    posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(BM_ZipInfoList)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const TRatioReporter::TTimes& times) {
    const double ours = TimeOf(times, "BM_ReadDirectory");
    const double peer = TimeOf(times, "BM_ZipInfoList");
    if (ours > 0 && peer > 0)
        std::printf(
            "\nReadDirectory vs zipinfo -1 on %d entries: %.2f ms vs %.2f ms, %.1fx faster\n",
            kEntries, ours, peer, peer / ours);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Archive();
    TRatioReporter reporter(PrintRatios);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::filesystem::remove_all(std::filesystem::path(Archive()).parent_path());
    benchmark::Shutdown();
    return 0;
}
