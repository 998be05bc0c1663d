// The volume joiner's table: one record per central directory record, in directory order,
// telling where that member's local header lands in the joined archive.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

struct TZipJoinRecord {
    std::uint16_t DiskNumber = 0; // always 0 in the joined archive
    std::uint32_t NewOffset = 0;
    std::string Name; // as stored
    std::uint32_t CompressedSize = 0;
    bool Claimed = false; // a local header has been matched to it
};

class TZipJoinTable {
public:
    void Add(std::string name, std::uint32_t compressedSize);
    int Count() const { return static_cast<int>(FRecords.size()); }
    // Raises Exception "Index (i) outside range 1..n" for an index past the end.
    TZipJoinRecord& operator[](int index);

    // The record for the next local header called `name`. Members are usually stored in
    // directory order, and an archive may hold two names that differ only in case (or
    // even the same name twice), so each record is claimed once: the first unclaimed
    // record of exactly that name, else the first unclaimed one equal but for ASCII case.
    // Raises EZipExtractor 11026 when no record is left for the name.
    TZipJoinRecord& Claim(const std::string& name);

private:
    using IndexQueue = std::deque<std::size_t>;
    TZipJoinRecord* FirstUnclaimed(IndexQueue& queue);

    std::vector<TZipJoinRecord> FRecords;
    std::unordered_map<std::string, IndexQueue> FByName;
    std::unordered_map<std::string, IndexQueue> FByFoldedName;
};
