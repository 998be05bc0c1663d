// Fuzzes desktop link files (".desktop") the way the file list follows them when one is
// opened: the input is the file, whose local address is parsed into the namespace. A
// value read must be one line, an address must be local, and a folder found through it
// must name the same folder again when its own path is parsed.
#include "platform/shellns/DesktopEntry.h"
#include "shell/ItemLists.h"
#include "tests/fuzz/FuzzNamespace.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace sh = platform::shellns;

namespace {

void Fail(const char* what, const std::string& url) {
    std::fprintf(stderr, "%s: \"%s\"\n", what, url.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::UseStandInSystem();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {"Type", "URL", "Name", "Icon"}) {
        if (sh::DesktopEntryValue(text, key).find('\n') != std::string::npos)
            Fail("a value runs over its line", key);
    }
    const std::string url = sh::DesktopLinkTarget(text);
    if (url.empty())
        return 0;
    if (url.rfind("file:", 0) != 0 && url.front() != '/')
        Fail("a link leads off this machine", url);

    PItemIDList target = nullptr;
    if (sh::Failed(ParseFolderPath(url, target)))
        return 0;
    const sh::UniqueIdList owned(target);
    const std::string path = ItemListToPath(target);
    if (path.empty())
        return 0; // a virtual folder: nothing to parse back
    if (path.front() != '/')
        Fail("a link's folder has a path that is not absolute", path);
    PItemIDList again = nullptr;
    if (sh::Failed(ParseFolderPath(path, again)))
        Fail("the path of a link's folder does not parse", path);
    const sh::UniqueIdList againOwned(again);
    if (CompareItemLists(target, again) != 0)
        Fail("the path of a link's folder names another folder", path);
    return 0;
}
