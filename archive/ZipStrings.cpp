#include "archive/ZipStrings.h"

#include "archive/ZipMessageTexts.h"

namespace {

TZipStringTable& Table() {
    static TZipStringTable table = ZipMessageTexts();
    return table;
}

} // namespace

std::string ZipResourceString(int id) {
    const auto& table = Table();
    const auto it = table.find(id);
    return it == table.end() ? std::string() : it->second;
}

TZipStringTable LinkZipStrings(TZipStringTable table) {
    TZipStringTable previous = std::move(Table());
    Table() = std::move(table);
    return previous;
}
