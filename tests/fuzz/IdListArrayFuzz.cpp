// Fuzzes the private drag-and-drop format, the item-list array: any program can offer a
// drag carrying it, and the tree and the list read it while the drag passes over them.
// The input is the array. One that parses must build into an array that parses to the
// same lists; then the effects the drop would allow are asked for as a drop over a
// folder asks for them (binding the parent list, asking the items' attributes).
#include "shell/FbShellDragData.h"
#include "tests/fuzz/FuzzNamespace.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QByteArray>
#include <QMimeData>

namespace sh = platform::shellns;

namespace {

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

bool SameList(PCItemIDList a, PCItemIDList b) {
    const std::size_t size = sh::IdListSize(a);
    return size == sh::IdListSize(b) && (size == 0 || std::memcmp(a, b, size) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::UseStandInSystem();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TFbIdListArrayContent content;
    const bool parsed = ParseIdListArray(bytes, content).empty();
    if (parsed) {
        std::vector<PCItemIDList> items;
        for (const auto& item : content.items)
            items.push_back(item.get());
        TFbIdListArrayContent again;
        if (!ParseIdListArray(BuildIdListArray(content.parent.get(), items), again).empty())
            Fail("an array built from a parsed one does not parse");
        if (!SameList(again.parent.get(), content.parent.get()) ||
            again.items.size() != content.items.size())
            Fail("an array built from a parsed one holds other lists");
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!SameList(again.items[i].get(), items[i]))
                Fail("an array built from a parsed one holds another item");
        }
    } else if (content.parent || !content.items.empty()) {
        Fail("a refused array left lists behind");
    }

    QMimeData mime;
    mime.setData(kShellIdListArrayFormat, bytes);
    const std::uint32_t effects = EffectsAllowedByData(&mime);
    if ((effects & ~kAllDropEffects) != 0 || (!parsed && effects != sh::DROPEFFECT_NONE))
        Fail("a drop is offered effects it cannot have");
    return 0;
}
