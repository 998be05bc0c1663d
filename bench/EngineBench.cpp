// Extracting one 1 MiB member from a 100 MiB archive of 2,000 members: the engine (loaded,
// run and unloaded per extraction, as the archive component does) beside Info-ZIP
// `unzip -o -d` doing the same. The archive is made once by Info-ZIP zip into
// bench-cache/ in the build folder and reused by later runs.
#include "bench/BenchJib.h"
#include "bench/RatioReporter.h"
#include "engine/UnzEngineAbi.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

#include <benchmark/benchmark.h>

namespace fs = std::filesystem;

extern char** environ;

namespace {

constexpr int kMembers = 2000;
constexpr size_t kArchiveBytes = 100u << 20;
constexpr size_t kTargetBytes = 1u << 20;
constexpr int kTargetIndex = kMembers / 2;
const char* const kTargetName = "members/m1000.bin";

fs::path ArchivePath() {
    return bench::CacheFolder() / "engine-2000x50k.zip";
}

std::string MemberName(int i) {
    return "members/m" + std::to_string(i) + ".bin";
}

// The other members are noise (zip stores them: they do not shrink); the target is
// text-like so extracting it really inflates.
std::string Content(int i, size_t size) {
    std::mt19937 rng(static_cast<unsigned>(i));
    std::string out(size, '\0');
    if (i == kTargetIndex) {
        static const char* words[] = {"lumen ", "pixel ", "layer ", "brush ", "canvas\n"};
        out.clear();
        while (out.size() < size)
            out += words[rng() % 5];
        out.resize(size);
    } else {
        for (auto& c : out)
            c = static_cast<char>(rng());
    }
    return out;
}

bool MakeArchive() {
    if (fs::exists(ArchivePath()))
        return true;
    fs::path work = bench::CacheFolder() / "work";
    fs::remove_all(work);
    fs::create_directories(work / "members");
    size_t otherSize = (kArchiveBytes - kTargetBytes) / (kMembers - 1);
    for (int i = 0; i < kMembers; ++i) {
        std::ofstream(work / MemberName(i), std::ios::binary)
            << Content(i, i == kTargetIndex ? kTargetBytes : otherSize);
    }
    std::string tmp = (bench::CacheFolder() / "partial.zip").string();
    std::string cmd = "cd '" + work.string() + "' && zip -q -r '" + tmp + "' members";
    bool ok = std::system(cmd.c_str()) == 0;
    fs::remove_all(work);
    if (ok)
        fs::rename(tmp, ArchivePath());
    return ok;
}

fs::path FreshOut(const char* name) {
    fs::path out = bench::CacheFolder() / name;
    fs::remove_all(out);
    fs::create_directories(out);
    return out;
}

bool CheckExtracted(const fs::path& out) {
    fs::path file = out / fs::path(kTargetName).filename();
    return fs::exists(file) && fs::file_size(file) == kTargetBytes;
}

void BM_Engine(benchmark::State& state) {
    if (!MakeArchive())
        return state.SkipWithError("cannot make the archive with zip");
    fs::path out = FreshOut("out-engine");
    std::string lib = (bench::BinFolder() / "libunzengine.so").string();
    std::string archive = ArchivePath().string(), base = out.string();
    TUnzSpecEntry spec{};
    spec.Spec = kTargetName;
    for (auto _ : state) {
        void* handle = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return state.SkipWithError(dlerror());
        auto exec = reinterpret_cast<TUnzEngineExecProc>(dlsym(handle, "UnzEngineExec"));
        TUnzCommandRecord cmd{};
        cmd.Version = UNZ_ENGINE_VERSION;
        cmd.OverwriteAll = -1;
        cmd.QuietFlag = -1;
        cmd.SpecCount = 1;
        cmd.SpecList = &spec;
        cmd.ArchiveName = archive.c_str();
        cmd.PasswordRequests = 1;
        cmd.ExtractBaseDir = base.c_str();
        cmd.EndMarker = UNZ_END_MARKER;
        int32_t handled = exec(&cmd);
        dlclose(handle);
        if (handled != 1)
            return state.SkipWithError("the engine did not extract the member");
    }
    if (!CheckExtracted(out))
        state.SkipWithError("the extracted file is wrong");
}

void BM_InfoZipUnzip(benchmark::State& state) {
    if (!MakeArchive())
        return state.SkipWithError("cannot make the archive with zip");
    fs::path out = FreshOut("out-unzip");
    std::string archive = ArchivePath().string(), base = out.string();
    // unzip -j: like the engine without folder names, the member lands in the folder.
    const char* argv[] = {"unzip",     "-qq", "-o",         "-j",   archive.c_str(),
                          kTargetName, "-d",  base.c_str(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "unzip", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            return state.SkipWithError("cannot start unzip");
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return state.SkipWithError("unzip failed");
    }
    if (!CheckExtracted(out))
        state.SkipWithError("the extracted file is wrong");
}

BENCHMARK(BM_Engine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InfoZipUnzip)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrintRatios(const TRatioReporter::TTimes& times) {
    const double engine = TimeOf(times, "BM_Engine");
    const double unzip = TimeOf(times, "BM_InfoZipUnzip");
    if (engine > 0 && unzip > 0)
        std::printf("engine / unzip time: %.2f (target: at most 1.00)\n", engine / unzip);
}

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(argc, argv, PrintRatios);
}
