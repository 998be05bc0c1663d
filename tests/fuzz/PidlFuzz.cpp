// Fuzzes the stored form of a folder locator (the "Pidl" property): a mode byte, then a
// special folder number or a counted item list, read back from settings any editor can
// damage. Damaged data must raise EReadError and leave the locator as it was; what loads
// must name its folder (path, binding, shown name) and store and load again as the same
// locator.
#include "gui/Exceptions.h"
#include "gui/Stream.h"
#include "shell/FbShellLocator.h"
#include "tests/fuzz/FuzzNamespace.h"
#include "tests/fuzz/FuzzStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace sh = platform::shellns;

namespace {

// What the locator names before a load: any special folder that is not the desktop.
constexpr int kFolderBefore = 5;

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::UseStandInSystem();
    fuzz::TBytesStream stream(data, size);
    TFbShellLocator locator;
    locator.SetSpecialFolder(kFolderBefore);
    try {
        locator.ReadPidl(stream);
    } catch (const EReadError&) {
        if (locator.Mode() != lmSpecialFolder || locator.SpecialFolder() != kFolderBefore)
            Fail("a refused stored folder changed the locator");
        return 0;
    }
    const std::string path = locator.FolderPath();
    ShellFolderPtr folder;
    if (sh::Succeeded(BindToFolder(locator.ItemList(), folder)) && !folder)
        Fail("binding succeeded without a folder");
    (void)FolderDisplayName(locator.ItemList());

    if (!locator.HasStoredPidl())
        return 0; // the desktop as an item list: the property is not written at all
    TMemoryStream stored;
    locator.WritePidl(stored);
    stored.SetPosition(0);
    TFbShellLocator again;
    try {
        again.ReadPidl(stored);
    } catch (const EReadError&) {
        Fail("a stored folder that loaded does not load after storing it again");
    }
    // Byte for byte: lists no folder can read are never "equal" to anything, themselves
    // included.
    const int bytes = ItemListSize(locator.ItemList());
    if (again.Mode() != locator.Mode() || again.SpecialFolder() != locator.SpecialFolder() ||
        ItemListSize(again.ItemList()) != bytes ||
        (bytes > 0 && std::memcmp(again.ItemList(), locator.ItemList(), bytes) != 0) ||
        again.FolderPath() != path)
        Fail("a stored folder loads as another folder after storing it again");
    return 0;
}
