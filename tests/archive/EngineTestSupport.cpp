#include "tests/archive/EngineTestSupport.h"

#include "archive/ZipExtractor.h"
#include "tests/archive/ArchiveTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

std::string BinFolder() {
    return fs::canonical("/proc/self/exe").parent_path().string() + "/";
}

std::string StandInFolder(const std::string& name) {
    return BinFolder() + "test-engines/" + name;
}

bool LibraryMapped(const std::string& fragment) {
    for (const auto& line : Lines("/proc/self/maps")) {
        if (line.find(fragment) != std::string::npos)
            return true;
    }
    return false;
}

std::map<std::string, std::string> FilesBelow(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file())
            files[fs::relative(e.path(), folder).string()] = Digest(ReadBytes(e.path().string()));
    }
    return files;
}

std::string Digest(const std::string& bytes) {
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", Crc32Of(bytes));
    return std::to_string(bytes.size()) + " bytes, crc " + crc;
}

ScriptedArchive::ScriptedArchive() : FArchive(FDir.File("a.zip")) {
    WriteBytes(FArchive, BuildZip(Archive({Member("preview.png", "not really a picture")})).bytes);
}

void ScriptedArchive::Prepare(TZipExtractor& zip) const {
    zip.SetDLLDirectory(StandInFolder("scripted"));
    zip.SetZipFileName(FArchive);
}

void ScriptedArchive::Script(const std::vector<std::string>& lines) const {
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    WriteBytes(FArchive + ".script", text);
}

std::vector<std::string> ScriptedArchive::Field(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& line : Lines(FArchive + ".record")) {
        if (line.compare(0, key.size() + 1, key + "=") == 0)
            values.push_back(line.substr(key.size() + 1));
    }
    return values;
}

std::string ScriptedArchive::One(const std::string& key) const {
    const auto values = Field(key);
    return values.size() == 1 ? values.front() : "<" + std::to_string(values.size()) + " values>";
}

std::vector<std::string> ScriptedArchive::Answers() const {
    return Lines(FArchive + ".answers");
}
