// Fuzzes the reading of .trashinfo records, which any program that deletes files writes,
// and what the Trash folder makes of them. The input's first line is the entry's name in
// the trash's files/ folder, the rest is its record. An entry read must survive being made
// into the Trash's item and decoded again unchanged, every column of its details and its
// icon must be answered, and its original path must survive the record's own encoding.
#include "platform/shellns/ItemData.h"
#include "platform/shellns/Trash.h"
#include "platform/shellns/VirtualFolders.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace sh = platform::shellns;

namespace {

constexpr int kTrashColumns = 4;

void Fail(const char* what, const sh::TrashEntry& e) {
    std::fprintf(stderr, "%s: name \"%s\", original path \"%s\"\n", what, e.name.c_str(),
                 e.originalPath.c_str());
    std::abort();
}

void CheckShown(const sh::TrashEntry& e) {
    const sh::UniqueIdList item(
        sh::MakeTrashedItem({e.folder, e.size, e.deletedSec, e.name, e.originalPath}));
    if (!item)
        return; // a name no folder entry can have, or a path too long to keep
    sh::TrashedItem back;
    if (!sh::DecodeTrashedItem(item.get(), back))
        Fail("the Trash made an item it cannot read back", e);
    if (back.name != e.name || back.originalPath != e.originalPath ||
        back.deletedSec != e.deletedSec || back.folder != e.folder || back.size != e.size)
        Fail("the Trash's item reads back different", e);
    sh::TTrashFolder trash;
    for (int column = 0; column < kTrashColumns; ++column) {
        sh::ShellDetails details;
        if (sh::Failed(trash.GetDetailsOf(item.get(), column, details)))
            Fail("a column of a trashed entry has no text", e);
        const sh::HResult order = trash.CompareIDs(column, item.get(), item.get());
        if (sh::Failed(order) || sh::CompareCode(order) != 0)
            Fail("a trashed entry does not compare equal to itself", e);
    }
    std::string icon;
    if (sh::Failed(trash.GetIconOf(item.get(), false, icon)) || icon.empty())
        Fail("a trashed entry has no icon", e);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    if (newline == std::string_view::npos)
        return 0;
    sh::TrashEntry entry;
    entry.name = std::string(input.substr(0, newline));
    entry.folder = entry.name.size() % 2 == 1;
    entry.size = entry.name.size() * 1000u;
    sh::ParseTrashInfo(input.substr(newline + 1), entry);

    std::string decoded;
    if (!entry.originalPath.empty() &&
        (!sh::PercentDecode(sh::PercentEncodePath(entry.originalPath), decoded) ||
         decoded != entry.originalPath))
        Fail("an original path does not survive its encoding", entry);
    CheckShown(entry);
    return 0;
}
