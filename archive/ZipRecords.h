// The on-disk records of a ZIP archive that the directory reader and the volume joiner
// touch: signatures, sizes and field offsets, all little-endian.
#pragma once

#include <cstdint>
#include <cstring>

namespace zip {

inline constexpr std::uint32_t kEndRecordSignature = 0x06054B50;     // "PK\5\6"
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50; // "PK\1\2"
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;   // "PK\3\4"
// Starts a spanned set's first volume, and (optionally) a data descriptor.
inline constexpr std::uint32_t kSpanMarkerSignature = 0x08074B50;     // "PK\7\8"
inline constexpr std::uint32_t kZip64EndRecordSignature = 0x06064B50; // "PK\6\6"
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;   // "PK\6\7"

// What a 16- or 32-bit field holds when its real value is in the ZIP64 records.
inline constexpr std::uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;

// End of central directory record; the archive comment follows it.
inline constexpr std::size_t kEndRecordSize = 22;
inline constexpr std::size_t kEndThisDisk = 4;
inline constexpr std::size_t kEndDirectoryDisk = 6;
inline constexpr std::size_t kEndRecordsOnDisk = 8;
inline constexpr std::size_t kEndTotalRecords = 10;
inline constexpr std::size_t kEndDirectorySize = 12;
inline constexpr std::size_t kEndDirectoryOffset = 16;
inline constexpr std::size_t kEndCommentLength = 20;
inline constexpr std::size_t kMaxCommentLength = 0xFFFF;
// The end record can only sit in the last 65,557 bytes: a full comment plus the record.
inline constexpr std::size_t kMaxEndRecordTail = kMaxCommentLength + kEndRecordSize;

// ZIP64 end of central directory locator: 20 bytes right in front of the end record,
// naming the disk and the position of the ZIP64 end record.
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kLocatorEndRecordDisk = 4;
inline constexpr std::size_t kLocatorEndRecordOffset = 8;
inline constexpr std::size_t kLocatorTotalDisks = 16;

// ZIP64 end of central directory record: 56 bytes and an extensible part, which its size
// field counts with everything after the first 12 bytes.
inline constexpr std::size_t kZip64EndRecordSize = 56;
inline constexpr std::size_t kZip64EndRecordLength = 4;
inline constexpr std::size_t kZip64EndLengthBase = 12; // signature and size field
inline constexpr std::size_t kZip64EndThisDisk = 16;
inline constexpr std::size_t kZip64EndDirectoryDisk = 20;
inline constexpr std::size_t kZip64EndRecordsOnDisk = 24;
inline constexpr std::size_t kZip64EndTotalRecords = 32;
inline constexpr std::size_t kZip64EndDirectorySize = 40;
inline constexpr std::size_t kZip64EndDirectoryOffset = 48;

// Central directory record; name, extra field and comment follow it.
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kCentralVersionMadeBy = 4;
inline constexpr std::size_t kCentralHostSystem = 5;
inline constexpr std::size_t kCentralVersionNeeded = 6;
inline constexpr std::size_t kCentralFlags = 8;
inline constexpr std::size_t kCentralMethod = 10;
inline constexpr std::size_t kCentralDosDateTime = 12;
inline constexpr std::size_t kCentralCrc32 = 16;
inline constexpr std::size_t kCentralCompressedSize = 20;
inline constexpr std::size_t kCentralUncompressedSize = 24;
inline constexpr std::size_t kCentralNameLength = 28;
inline constexpr std::size_t kCentralExtraLength = 30;
inline constexpr std::size_t kCentralCommentLength = 32;
inline constexpr std::size_t kCentralDiskNumberStart = 34;
inline constexpr std::size_t kCentralInternalAttributes = 36;
inline constexpr std::size_t kCentralExternalAttributes = 38;
inline constexpr std::size_t kCentralLocalHeaderOffset = 42;

// Local file header; name and extra field follow it.
inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kLocalFlags = 6;
inline constexpr std::size_t kLocalCompressedSize = 18;
inline constexpr std::size_t kLocalNameLength = 26;
inline constexpr std::size_t kLocalExtraLength = 28;

// Data descriptor after a member's data (flag bit 3): the signature is optional.
inline constexpr std::size_t kDataDescriptorSize = 16;
inline constexpr std::size_t kDataDescriptorSizeWithoutSignature = 12;

// Extra field blocks: a 2-byte ID and a 2-byte length, then the data. The ZIP64 block
// holds, in this order and each only when its 32- or 16-bit field holds the marker, the
// uncompressed size, the compressed size, the local header offset (8 bytes each) and the
// disk where the member starts (4 bytes).
inline constexpr std::size_t kExtraBlockHeaderSize = 4;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;

inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8 = 0x0800; // name and comment are UTF-8

// Host systems in "version made by".
inline constexpr std::uint8_t kHostMsDos = 0;
inline constexpr std::uint8_t kHostHpfs = 6;
inline constexpr std::uint8_t kHostNtfs = 11;

inline std::uint16_t Get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t Get64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

inline void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The end record's fields, decoded.
struct EndRecord {
    std::uint8_t raw[kEndRecordSize] = {};

    std::uint16_t ThisDisk() const { return Get16(raw + kEndThisDisk); }
    std::uint16_t DirectoryDisk() const { return Get16(raw + kEndDirectoryDisk); }
    std::uint16_t TotalRecords() const { return Get16(raw + kEndTotalRecords); }
    std::uint32_t DirectorySize() const { return Get32(raw + kEndDirectorySize); }
    std::uint32_t DirectoryOffset() const { return Get32(raw + kEndDirectoryOffset); }
    std::uint16_t RecordsOnDisk() const { return Get16(raw + kEndRecordsOnDisk); }
    std::uint16_t CommentLength() const { return Get16(raw + kEndCommentLength); }

    // Whether a field holds the marker that sends a reader to the ZIP64 end record.
    bool HasZip64Markers() const {
        return ThisDisk() == kZip64Marker16 || DirectoryDisk() == kZip64Marker16 ||
               RecordsOnDisk() == kZip64Marker16 || TotalRecords() == kZip64Marker16 ||
               DirectorySize() == kZip64Marker32 || DirectoryOffset() == kZip64Marker32;
    }
};

// The highest disk number a set can have: the classic records hold 16 bits, and a ZIP64
// end record's 32-bit number past them can only be damage.
inline constexpr std::uint32_t kMaxDiskNumber = 0xFFFF;

// Where the central directory is and how many records it holds, as the end record says,
// or the ZIP64 end record when the archive has one.
struct DirectoryLocation {
    std::uint32_t ThisDisk = 0;      // the last disk of a set
    std::uint32_t DirectoryDisk = 0; // where the directory starts
    std::uint64_t TotalRecords = 0;
    std::uint64_t DirectorySize = 0;
    std::uint64_t DirectoryOffset = 0; // as stored: bytes in front of the archive not counted
    // Where the directory ends in the last volume: the ZIP64 end record when there is one,
    // else the end record. Its start follows from the size when nothing is in front.
    std::int64_t DirectoryEnd = 0;
    bool Zip64 = false;
};

} // namespace zip
