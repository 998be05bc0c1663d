// One entry of an archive's central directory as the component keeps it in memory: the
// fields of the record after its signature, then the name and comment turned into UTF-8
// with "/" as the folder delimiter, the encryption flag and the raw extra field. Sizes,
// the local header offset and the disk are as wide as ZIP64 makes them: a field that
// holds the ZIP64 marker in the record holds the value of the ZIP64 extra block here.
#pragma once

#include <cstdint>
#include <string>

struct ZipDirEntry {
    std::uint8_t VersionMadeBy = 0; // ZIP format version of the writer, tens and units (50 = 5.0)
    std::uint8_t HostSystem = 0;    // 0 MS-DOS/FAT, 3 Unix, 6 HPFS, 11 NTFS, ...
    std::uint16_t VersionNeeded = 0;
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint32_t DosDateTime = 0; // time in the low half
    std::uint32_t Crc32 = 0;
    std::uint64_t CompressedSize = 0;
    std::uint64_t UncompressedSize = 0;
    std::uint16_t FileNameLength = 0;
    std::uint16_t ExtraFieldLength = 0;
    std::uint16_t FileCommentLength = 0;
    std::uint32_t DiskNumberStart = 0;
    std::uint16_t InternalAttributes = 0;
    std::uint32_t ExternalAttributes = 0;
    std::uint64_t LocalHeaderOffset = 0;

    std::string FileName;
    std::string FileComment;
    bool IsEncrypted = false;
    std::string ExtraField; // raw bytes

    // Fills the fixed fields from a whole 46-byte central directory record.
    void AssignFixedFields(const std::uint8_t* record);
    // Replaces the fields that hold the ZIP64 marker with the values of the ZIP64 block of
    // ExtraField. Answers false when a marked field has no value there (the block is
    // missing or cut short): the entry's sizes or position are then unknown.
    bool ApplyZip64Extra();
};
