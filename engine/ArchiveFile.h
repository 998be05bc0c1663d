// Read-only access to the archive by position: a file, or bytes a caller already holds in
// memory. Reads are exact: a read that would pass the end of the archive is a format
// error naming what was being read, because every position the engine reads comes from
// the archive's own (possibly lying) fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace unz {

class TArchiveFile {
public:
    explicit TArchiveFile(const std::string& path);
    // Reads `size` bytes at `data`, which must outlive this object. Used where the archive
    // arrives as bytes (fuzzing, callers that read the file themselves).
    TArchiveFile(const uint8_t* data, uint64_t size);
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    uint64_t Size() const { return FSize; }
    // Reads `length` bytes at `offset`; `what` names the record in the error text.
    void ReadExact(uint64_t offset, void* buffer, size_t length, const char* what) const;

private:
    int FFd = -1;
    const uint8_t* FData = nullptr;
    bool FInMemory = false; // FData may be null for an empty archive
    uint64_t FSize = 0;
};

} // namespace unz
