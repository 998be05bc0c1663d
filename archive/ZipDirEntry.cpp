#include "archive/ZipDirEntry.h"

#include "archive/ZipRecords.h"

void ZipDirEntry::AssignFixedFields(const std::uint8_t* r) {
    using namespace zip;
    VersionMadeBy = r[kCentralVersionMadeBy];
    HostSystem = r[kCentralHostSystem];
    VersionNeeded = Get16(r + kCentralVersionNeeded);
    Flags = Get16(r + kCentralFlags);
    Method = Get16(r + kCentralMethod);
    DosDateTime = Get32(r + kCentralDosDateTime);
    Crc32 = Get32(r + kCentralCrc32);
    CompressedSize = Get32(r + kCentralCompressedSize);
    UncompressedSize = Get32(r + kCentralUncompressedSize);
    FileNameLength = Get16(r + kCentralNameLength);
    ExtraFieldLength = Get16(r + kCentralExtraLength);
    FileCommentLength = Get16(r + kCentralCommentLength);
    DiskNumberStart = Get16(r + kCentralDiskNumberStart);
    InternalAttributes = Get16(r + kCentralInternalAttributes);
    ExternalAttributes = Get32(r + kCentralExternalAttributes);
    LocalHeaderOffset = Get32(r + kCentralLocalHeaderOffset);
    IsEncrypted = (Flags & kFlagEncrypted) != 0;
}
