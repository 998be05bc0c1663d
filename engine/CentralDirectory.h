// The archive's directory as the engine needs it: the end record (classic or ZIP64), every
// central directory record, and for each member the file range its local header and data
// may occupy. Reading checks every position against the file before anything is read or
// allocated, so a lying record ends in a TArchiveError, never in a huge allocation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace unz {

class TArchiveFile;

struct TMember {
    uint32_t Index = 0; // position in the central directory, from 0
    uint8_t VersionMadeBy = 0;
    uint8_t HostSystem = 0;
    uint16_t Flags = 0;
    uint16_t Method = 0;
    uint32_t DosTime = 0; // MS-DOS time in the low half, date in the high half
    uint32_t Crc32 = 0;
    uint32_t ExternalAttributes = 0;
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    uint64_t LocalHeaderOffset = 0; // file position, bytes in front of the archive counted
    // End of the range the member may use: the next member's local header or the central
    // directory, whichever comes first. Data reaching past it overlaps something else.
    uint64_t RangeEnd = 0;
    // Another central record points at the same local header: the bytes would be
    // extracted twice under different names, the trick behind overlapping-file bombs.
    bool SharesLocalHeader = false;
    std::string RawName;              // as stored, to compare with the local header
    std::string Name;                 // UTF-8
    std::optional<int64_t> UnixMtime; // from the extended timestamp field, UTC

    bool IsEncrypted() const;
    bool HasDataDescriptor() const;
    bool IsSymlink() const;
    bool IsFolder() const;
};

struct TArchiveDirectory {
    std::vector<TMember> Members;
    uint64_t CentralStart = 0;
    // Bytes in front of the archive that its stored offsets do not count (a program stub,
    // or a file glued in front); every offset above has been shifted by them.
    uint64_t PrefixBytes = 0;
};

// The largest central directory the engine reads into memory. A JIB holds a handful of
// members; even archives of hundreds of thousands of members stay far below this.
constexpr uint64_t kMaxCentralDirectorySize = 64ull << 20;

// Reads and checks the directory. A multi-volume archive is refused: its volumes must be
// joined into one file first. A directory larger than `maxCentralSize` bytes is refused
// with TDirectoryTooLarge before it is read.
TArchiveDirectory ReadArchiveDirectory(const TArchiveFile& file,
                                       uint64_t maxCentralSize = kMaxCentralDirectorySize);

// The value of a 16-bit (ZIP64) extra block `id` in an extra field, if present.
std::optional<std::string> FindExtraBlock(const std::string& extra, uint16_t id);

} // namespace unz
