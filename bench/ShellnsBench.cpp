// Listing a folder of 10,000 entries through the namespace (enumerate, ask each item's
// attributes with the file list's mask, read its in-folder name) against the plain loop
// a program without a namespace would run over the same folder (readdir plus lstat).
// The folder is made afresh in a temporary directory: 9,500 files of a few bytes, 400
// folders (some with a sub-folder) and 100 links, with names like a photo collection's.
#include "bench/RatioReporter.h"
#include "platform/shellns/FileSystemFolder.h"
#include "platform/shellns/ShellFolder.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

namespace sh = platform::shellns;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 9500;
constexpr int kFolders = 400;
constexpr int kLinks = 100;
constexpr std::uint32_t kEnumFlags =
    sh::SHCONTF_FOLDERS | sh::SHCONTF_NONFOLDERS | sh::SHCONTF_INCLUDEHIDDEN;

const std::string& Fixture() {
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "jibbench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            std::abort();
        const std::string root = pattern + "/";
        for (int i = 0; i < kFiles; ++i)
            std::ofstream(root + "IMG_" + std::to_string(10000 + i) +
                          (i % 10 == 0 ? ".jib" : ".png"))
                << i;
        for (int i = 0; i < kFolders; ++i) {
            const std::string dir = root + "Album " + std::to_string(i);
            fs::create_directory(dir);
            if (i % 4 == 0)
                fs::create_directory(dir + "/Originals");
        }
        for (int i = 0; i < kLinks; ++i)
            fs::create_symlink("IMG_" + std::to_string(10000 + i) + ".png",
                               root + "link " + std::to_string(i));
        return root;
    }();
    return folder;
}

void RemoveFixture() {
    std::error_code ec;
    fs::remove_all(Fixture(), ec);
}

// The peer: what listing a folder costs with nothing in between.
void BM_ReaddirLstat(benchmark::State& state) {
    const std::string folder = Fixture();
    for (auto _ : state) {
        DIR* dir = ::opendir(folder.c_str());
        std::size_t seen = 0;
        while (const dirent* d = ::readdir(dir)) {
            struct stat st;
            if (::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                seen += st.st_size > 0 ? 1 : 0;
            benchmark::DoNotOptimize(d->d_name);
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(state.iterations() * (kFiles + kFolders + kLinks));
}

void ListThroughNamespace(benchmark::State& state, std::uint32_t mask) {
    auto folder = std::make_shared<sh::TFileSystemFolder>(Fixture(), platform::MountKind::Fixed);
    for (auto _ : state) {
        std::unique_ptr<sh::IEnumIDList> items;
        if (folder->EnumObjects(kEnumFlags, items) != sh::S_OK)
            std::abort();
        std::size_t folders = 0;
        std::string name;
        for (sh::PItemIDList item = nullptr; items->Next(item) == sh::S_OK;) {
            sh::PCItemIDList one = item;
            std::uint32_t attributes = mask;
            folder->GetAttributesOf(1, &one, attributes);
            folders += (attributes & sh::SFGAO_FOLDER) != 0 ? 1 : 0;
            sh::StrRet ret;
            folder->GetDisplayNameOf(item, sh::SHGDN_INFOLDER, ret);
            sh::StrRetToString(ret, item, name);
            benchmark::DoNotOptimize(name.data());
            sh::IdListFree(item);
        }
        if (folders != kFolders)
            std::abort();
    }
    state.SetItemsProcessed(state.iterations() * (kFiles + kFolders + kLinks));
}

// The file list's question (no sub-folder search).
void BM_NamespaceListMask(benchmark::State& state) {
    ListThroughNamespace(state, sh::kListAttributeMask);
}
// The tree's question: every folder is also searched for a sub-folder.
void BM_NamespaceTreeMask(benchmark::State& state) {
    ListThroughNamespace(state, sh::kTreeAttributeMask);
}

BENCHMARK(BM_ReaddirLstat)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NamespaceListMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NamespaceTreeMask)->Unit(benchmark::kMillisecond);

void PrintRatios(const TRatioReporter::TTimes& times) {
    const double peer = TimeOf(times, "BM_ReaddirLstat");
    for (const auto& [name, time] : times) {
        if (name != "BM_ReaddirLstat" && peer > 0)
            std::printf("%s / BM_ReaddirLstat = %.2fx\n", name.c_str(), time / peer);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Fixture();
    TRatioReporter reporter(PrintRatios);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    RemoveFixture();
    return 0;
}
