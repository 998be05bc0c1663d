// The JIB files the benchmarks read, made once by Info-ZIP zip into bench-cache/ in the
// build folder: a preview first, then the project's layer data (noise, so zip stores it as
// it is and the archive really has the size asked for), as the editor writes them.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace bench {

// The folder of the benchmark programs, where the programs they start lie too.
inline std::filesystem::path BinFolder() {
    return std::filesystem::canonical("/proc/self/exe").parent_path();
}

inline std::filesystem::path CacheFolder() {
    return BinFolder().parent_path() / "bench-cache";
}

// A small project's JIB (64 KiB) and a folder of 1,000 copies of it, which several
// benchmarks open; made by MakeJib and MakeJibFolder below.
inline std::filesystem::path SmallJib() {
    return CacheFolder() / "project-64KiB.jib";
}
inline std::filesystem::path ThousandJibsFolder() {
    return CacheFolder() / "folder-1000";
}

// `name` in the cache, holding `preview` as "preview.png" and `layerBytes` of layer data;
// made on first use. Answers false when zip fails.
inline bool MakeJib(const std::filesystem::path& jib, const std::filesystem::path& preview,
                    std::size_t layerBytes) {
    namespace fs = std::filesystem;
    if (fs::exists(jib))
        return true;
    const fs::path work = CacheFolder() / "jib-work";
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy_file(preview, work / "preview.png");
    std::mt19937 rng(7);
    std::string layer(layerBytes, '\0');
    for (auto& c : layer)
        c = static_cast<char>(rng());
    std::ofstream(work / "layers.bin", std::ios::binary) << layer;
    const fs::path partial = jib.string() + ".partial";
    const std::string command =
        "cd '" + work.string() + "' && zip -q '" + partial.string() + "' preview.png layers.bin";
    const bool ok = std::system(command.c_str()) == 0;
    fs::remove_all(work);
    if (ok)
        fs::rename(partial, jib);
    return ok;
}

// `folder` holding `count` copies of `jib` named project-0.jib, project-1.jib, ... (hard
// links when `links`, which cost no room for folders of thousands); made once.
inline bool MakeJibFolder(const std::filesystem::path& folder, const std::filesystem::path& jib,
                          int count, bool links = false) {
    namespace fs = std::filesystem;
    if (fs::exists(folder / "done"))
        return true;
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        const fs::path copy = folder / ("project-" + std::to_string(i) + ".jib");
        fs::remove(copy);
        if (links)
            fs::create_hard_link(jib, copy);
        else
            fs::copy_file(jib, copy);
    }
    std::ofstream(folder / "done") << count << " copies of " << jib << "\n";
    return true;
}

} // namespace bench
