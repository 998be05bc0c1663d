// The on-disk records of a ZIP archive that the engine reads: signatures, sizes and field
// offsets, and little-endian field access. Every field is unsigned little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace unz {

// Signatures ("PK" followed by two record numbers).
constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr uint32_t kEndRecordSignature = 0x06054B50;
constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint32_t kDataDescriptorSignature = 0x08074B50;

// Local file header (30 bytes, then name and extra field).
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kLocVersionNeeded = 4;
constexpr size_t kLocFlags = 6;
constexpr size_t kLocMethod = 8;
constexpr size_t kLocCrc = 14;
constexpr size_t kLocCompressedSize = 18;
constexpr size_t kLocUncompressedSize = 22;
constexpr size_t kLocNameLength = 26;
constexpr size_t kLocExtraLength = 28;

// Central directory record (46 bytes, then name, extra field and comment).
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kCenVersionMadeBy = 4;
constexpr size_t kCenHostSystem = 5;
constexpr size_t kCenFlags = 8;
constexpr size_t kCenMethod = 10;
constexpr size_t kCenDosTime = 12; // time in the low half, date in the high half
constexpr size_t kCenCrc = 16;
constexpr size_t kCenCompressedSize = 20;
constexpr size_t kCenUncompressedSize = 24;
constexpr size_t kCenNameLength = 28;
constexpr size_t kCenExtraLength = 30;
constexpr size_t kCenCommentLength = 32;
constexpr size_t kCenDiskStart = 34;
constexpr size_t kCenExternalAttributes = 38;
constexpr size_t kCenLocalHeaderOffset = 42;

// End-of-central-directory record (22 bytes, then the archive comment).
constexpr size_t kEndRecordSize = 22;
constexpr size_t kEndThisDisk = 4;
constexpr size_t kEndCentralDisk = 6;
constexpr size_t kEndEntriesOnDisk = 8;
constexpr size_t kEndTotalEntries = 10;
constexpr size_t kEndCentralSize = 12;
constexpr size_t kEndCentralOffset = 16;
constexpr size_t kEndCommentLength = 20;
constexpr size_t kMaxCommentSize = 65535;

// ZIP64 end-of-central-directory locator (20 bytes, just before the end record).
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZ64LocEndDisk = 4;
constexpr size_t kZ64LocEndOffset = 8;
constexpr size_t kZ64LocTotalDisks = 16;

// ZIP64 end-of-central-directory record (56 bytes and an extensible part).
constexpr size_t kZip64EndRecordSize = 56;
constexpr size_t kZ64EndThisDisk = 16;
constexpr size_t kZ64EndCentralDisk = 20;
constexpr size_t kZ64EndEntriesOnDisk = 24;
constexpr size_t kZ64EndTotalEntries = 32;
constexpr size_t kZ64EndCentralSize = 40;
constexpr size_t kZ64EndCentralOffset = 48;

// Data descriptor after a member's data when flag bit 3 is set: an optional signature,
// CRC-32, then compressed and uncompressed size, 4 bytes each or 8 in ZIP64 form.
constexpr size_t kDescriptorCrcSize = 4;

// Extra field blocks: 2-byte id, 2-byte length, data.
constexpr size_t kExtraBlockHeaderSize = 4;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kExtendedTimestampExtraId = 0x5455; // "UT": Unix times in UTC
constexpr uint8_t kExtendedTimestampHasMtime = 0x01;

// Values in a 16- or 32-bit field that mean "the real value is in the ZIP64 records".
constexpr uint16_t kZip64Count = 0xFFFF;
constexpr uint32_t kZip64Size = 0xFFFFFFFF;

// General purpose flags.
constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagDataDescriptor = 0x0008;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8Names = 0x0800;

// Compression methods this engine inflates.
constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// Host systems (high byte of "version made by").
constexpr uint8_t kHostMsDos = 0;
constexpr uint8_t kHostUnix = 3;
constexpr uint8_t kHostHpfs = 6;
constexpr uint8_t kHostNtfs = 11;

// Unix file type bits in the high half of the external attributes (Unix hosts).
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixTypeSymlink = 0120000;
constexpr uint32_t kUnixTypeDirectory = 0040000;
constexpr uint32_t kMsDosDirectoryAttribute = 0x10;

// Traditional PKWARE encryption header in front of the member data.
constexpr size_t kEncryptionHeaderSize = 12;

inline uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

} // namespace unz
