// Fuzzes the text/uri-list reader: any program can offer a drop or put files on the
// clipboard, and the paths it names are what a drop copies or moves. The input is the
// list. Every path read must be absolute and hold no zero byte, and paths are bytes: a
// path written as a file: URI reads back as the same bytes, and a list made of the paths
// read reads back as the same paths.
#include "platform/shellns/FileUri.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace sh = platform::shellns;

namespace {

void Fail(const char* what, const std::string& path) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, path.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> paths = sh::LocalPathsOfUriList(text);
    for (const std::string& path : paths) {
        if (path.empty() || path.front() != '/')
            Fail("a dropped path is not absolute", path);
        if (path.find('\0') != std::string::npos)
            Fail("a dropped path holds a zero byte", path);
        std::string back;
        if (!sh::LocalPathOfFileUri(sh::FileUriOf(path), back) || back != path)
            Fail("a path does not survive its file: URI", path);
    }
    if (sh::LocalPathsOfUriList(sh::UriListOf(paths)) != paths)
        Fail("a list made of the paths read reads back different", "");
    return 0;
}
