// Read-only access to the archive file by position. Reads are exact: a read that would
// pass the end of the file is a format error naming what was being read, because every
// position the engine reads comes from the archive's own (possibly lying) fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace unz {

class TArchiveFile {
public:
    explicit TArchiveFile(const std::string& path);
    ~TArchiveFile();
    TArchiveFile(const TArchiveFile&) = delete;
    TArchiveFile& operator=(const TArchiveFile&) = delete;

    uint64_t Size() const { return FSize; }
    // Reads `length` bytes at `offset`; `what` names the record in the error text.
    void ReadExact(uint64_t offset, void* buffer, size_t length, const char* what) const;

private:
    int FFd = -1;
    uint64_t FSize = 0;
};

} // namespace unz
