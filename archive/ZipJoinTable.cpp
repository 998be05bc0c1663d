#include "archive/ZipJoinTable.h"

#include "archive/EZipExtractor.h"
#include "archive/ZipMessages.h"
#include "platform/StrFormat.h"
#include "platform/TextCase.h"

void TZipJoinTable::Add(std::string name, std::uint32_t compressedSize) {
    const std::size_t index = FRecords.size();
    FByName[name].push_back(index);
    FByFoldedName[platform::LowerAscii(name)].push_back(index);
    FRecords.push_back(TZipJoinRecord{0, 0, std::move(name), compressedSize, false});
}

TZipJoinRecord& TZipJoinTable::operator[](int index) {
    if (index < 0 || index >= Count())
        throw Exception(Format("Index (%d) outside range 1..%d", index, Count() - 1));
    return FRecords[static_cast<std::size_t>(index)];
}

// Claimed records are dropped from the front lazily, so a whole join costs one pass over
// each queue even when thousands of members share a name.
TZipJoinRecord* TZipJoinTable::FirstUnclaimed(IndexQueue& queue) {
    while (!queue.empty() && FRecords[queue.front()].Claimed)
        queue.pop_front();
    return queue.empty() ? nullptr : &FRecords[queue.front()];
}

TZipJoinRecord& TZipJoinTable::Claim(const std::string& name) {
    TZipJoinRecord* record = nullptr;
    if (const auto exact = FByName.find(name); exact != FByName.end())
        record = FirstUnclaimed(exact->second);
    if (record == nullptr) {
        if (const auto folded = FByFoldedName.find(platform::LowerAscii(name));
            folded != FByFoldedName.end())
            record = FirstUnclaimed(folded->second);
    }
    if (record == nullptr)
        throw EZipExtractor::CreateMsg(zm::NameNotInDirectory, true);
    record->Claimed = true;
    return *record;
}
