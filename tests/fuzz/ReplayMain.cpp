// The plain entry of every fuzz harness: feeds each file of the folders (or files) named
// on the command line to the harness once. CI runs it over the seed corpus and every
// crasher a fuzzing run has found, under the sanitizers, as an ordinary test.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

namespace {

void Replay(const fs::path& file, int& count) {
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++count;
}

} // namespace

int main(int argc, char** argv) {
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        fs::path arg(argv[i]);
        if (fs::is_regular_file(arg)) {
            Replay(arg, count);
            continue;
        }
        if (!fs::is_directory(arg))
            continue; // a harness without crashers yet has no crasher folder
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(arg)) {
            // Dot files keep empty folders in git; they are not inputs.
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& f : files)
            Replay(f, count);
    }
    std::printf("replayed %d inputs\n", count);
    return 0;
}
