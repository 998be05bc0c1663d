#include "engine/CentralDirectory.h"

#include "engine/ArchiveFile.h"
#include "engine/EngineErrors.h"
#include "engine/MemberName.h"
#include "engine/ZipFormat.h"

#include <algorithm>
#include <cstring>

namespace unz {
namespace {

struct TEndInfo {
    uint64_t CentralEnd = 0; // where the directory must end: the (ZIP64) end record
    uint64_t Entries = 0;
    uint64_t CentralSize = 0;
    uint64_t CentralOffset = 0;
};

std::string Num(uint64_t v) {
    return std::to_string(v);
}

[[noreturn]] void MultiVolume(uint64_t disk) {
    throw TArchiveError(ueFormat, "the archive is part of a multi-volume set (its directory "
                                  "names disk " +
                                      Num(disk) + "); join the volumes into one file first");
}

// Finds the last end record whose comment fits in the file, and copies it to `record`. A
// match inside a comment would claim a comment running past the end of the file, so such
// matches come second.
uint64_t FindEndRecord(const TArchiveFile& file, std::vector<uint8_t>& tail,
                       uint8_t (&record)[kEndRecordSize]) {
    uint64_t size = file.Size();
    if (size < kEndRecordSize)
        throw TArchiveError(ueFormat, "not a ZIP archive: " + Num(size) +
                                          " bytes are too few for an end record");
    // Most archives have no comment: the record is then the file's last bytes, which the
    // scan below would find first, and the 64 KiB in front of them need not be read.
    uint8_t last[kEndRecordSize];
    file.ReadExact(size - kEndRecordSize, last, sizeof last, "end of archive");
    if (Get32(last) == kEndRecordSignature && Get16(&last[kEndCommentLength]) == 0) {
        std::memcpy(record, last, sizeof record);
        return size - kEndRecordSize;
    }
    size_t tailLength =
        static_cast<size_t>(std::min<uint64_t>(size, kEndRecordSize + kMaxCommentSize));
    tail.resize(tailLength);
    uint64_t tailStart = size - tailLength;
    file.ReadExact(tailStart, tail.data(), tailLength, "end of archive");
    std::optional<size_t> fallback;
    const auto found = [&](size_t i) {
        std::memcpy(record, &tail[i], sizeof record);
        return tailStart + i;
    };
    for (size_t i = tailLength - kEndRecordSize + 1; i-- > 0;) {
        if (Get32(&tail[i]) != kEndRecordSignature)
            continue;
        size_t commentLength = Get16(&tail[i + kEndCommentLength]);
        if (i + kEndRecordSize + commentLength <= tailLength)
            return found(i);
        if (!fallback)
            fallback = i;
    }
    if (fallback)
        return found(*fallback);
    throw TArchiveError(ueFormat, "not a ZIP archive: no end-of-central-directory record in "
                                  "its last " +
                                      Num(tailLength) + " bytes");
}

// Reads the ZIP64 end record named by the locator in front of the end record.
void ReadZip64End(const TArchiveFile& file, uint64_t locatorPos, TEndInfo& info) {
    uint8_t loc[kZip64LocatorSize];
    file.ReadExact(locatorPos, loc, sizeof loc, "ZIP64 end locator");
    if (Get32(&loc[kZ64LocTotalDisks]) > 1 || Get32(&loc[kZ64LocEndDisk]) != 0)
        MultiVolume(Get32(&loc[kZ64LocEndDisk]));
    uint8_t rec[kZip64EndRecordSize];
    uint64_t pos = Get64(&loc[kZ64LocEndOffset]);
    // With bytes in front of the archive the stored offset is short by their length; the
    // record then sits right before the locator (nobody writes its extensible part).
    bool atStored = pos + kZip64EndRecordSize <= locatorPos;
    if (atStored) {
        file.ReadExact(pos, rec, sizeof rec, "ZIP64 end record");
        atStored = Get32(rec) == kZip64EndRecordSignature;
    }
    if (!atStored) {
        if (locatorPos < kZip64EndRecordSize)
            throw TArchiveError(ueFormat, "ZIP64 end record missing before its locator");
        pos = locatorPos - kZip64EndRecordSize;
        file.ReadExact(pos, rec, sizeof rec, "ZIP64 end record");
        if (Get32(rec) != kZip64EndRecordSignature)
            throw TArchiveError(ueFormat, "ZIP64 end record not found where its locator says");
    }
    if (Get32(&rec[kZ64EndThisDisk]) != 0 || Get32(&rec[kZ64EndCentralDisk]) != 0)
        MultiVolume(Get32(&rec[kZ64EndThisDisk]));
    info.CentralEnd = pos;
    info.Entries = Get64(&rec[kZ64EndTotalEntries]);
    info.CentralSize = Get64(&rec[kZ64EndCentralSize]);
    info.CentralOffset = Get64(&rec[kZ64EndCentralOffset]);
}

TEndInfo ReadEndInfo(const TArchiveFile& file) {
    std::vector<uint8_t> tail;
    uint8_t rec[kEndRecordSize];
    uint64_t endPos = FindEndRecord(file, tail, rec);
    uint16_t thisDisk = Get16(&rec[kEndThisDisk]);
    if (thisDisk != 0 && thisDisk != kZip64Count)
        MultiVolume(thisDisk);
    if (Get16(&rec[kEndCentralDisk]) != 0 && Get16(&rec[kEndCentralDisk]) != kZip64Count)
        MultiVolume(Get16(&rec[kEndCentralDisk]));

    TEndInfo info;
    info.CentralEnd = endPos;
    info.Entries = Get16(&rec[kEndTotalEntries]);
    info.CentralSize = Get32(&rec[kEndCentralSize]);
    info.CentralOffset = Get32(&rec[kEndCentralOffset]);
    if (endPos >= kZip64LocatorSize) {
        uint8_t sig[4];
        file.ReadExact(endPos - kZip64LocatorSize, sig, sizeof sig, "ZIP64 end locator");
        if (Get32(sig) == kZip64LocatorSignature)
            ReadZip64End(file, endPos - kZip64LocatorSize, info);
    }
    return info;
}

bool CentralSignatureAt(const TArchiveFile& file, uint64_t pos) {
    if (pos > file.Size() || file.Size() - pos < 4)
        return false;
    uint8_t sig[4];
    file.ReadExact(pos, sig, sizeof sig, "central directory");
    return Get32(sig) == kCentralHeaderSignature;
}

// Where the directory really starts, and so how many bytes stand in front of the archive.
void LocateCentralDirectory(const TArchiveFile& file, const TEndInfo& info,
                            TArchiveDirectory& dir) {
    if (info.CentralSize > info.CentralEnd)
        throw TArchiveError(ueFormat, "central directory of " + Num(info.CentralSize) +
                                          " bytes cannot end at offset " + Num(info.CentralEnd));
    uint64_t computed = info.CentralEnd - info.CentralSize;
    if (info.CentralOffset > computed)
        throw TArchiveError(
            ueFormat, "central directory said to start at " + Num(info.CentralOffset) +
                          ", past the end record's position less its size (" + Num(computed) + ")");
    if (info.Entries == 0 || CentralSignatureAt(file, computed)) {
        dir.CentralStart = computed;
        dir.PrefixBytes = computed - info.CentralOffset;
    } else if (CentralSignatureAt(file, info.CentralOffset)) {
        dir.CentralStart = info.CentralOffset;
    } else {
        throw TArchiveError(ueFormat, "no central directory record at offset " +
                                          Num(info.CentralOffset) + " nor at " + Num(computed));
    }
}

// Fills in the 64-bit values that a ZIP64 extra block holds for fields stored as all ones.
void ApplyZip64Extra(const std::string& extra, TMember& m, bool wantUncompressed,
                     bool wantCompressed, bool wantOffset) {
    auto block = FindExtraBlock(extra, kZip64ExtraId);
    size_t need = 8 * (size_t(wantUncompressed) + size_t(wantCompressed) + size_t(wantOffset));
    if (!block || block->size() < need)
        throw TArchiveError(ueFormat, "central record of \"" + m.Name +
                                          "\" needs a ZIP64 extra field of " + Num(need) +
                                          " bytes; found " + Num(block ? block->size() : 0));
    auto* p = reinterpret_cast<const uint8_t*>(block->data());
    if (wantUncompressed) {
        m.UncompressedSize = Get64(p);
        p += 8;
    }
    if (wantCompressed) {
        m.CompressedSize = Get64(p);
        p += 8;
    }
    if (wantOffset)
        m.LocalHeaderOffset = Get64(p);
}

void ApplyTimestampExtra(const std::string& extra, TMember& m) {
    auto block = FindExtraBlock(extra, kExtendedTimestampExtraId);
    if (block && block->size() >= 5 && (uint8_t((*block)[0]) & kExtendedTimestampHasMtime))
        m.UnixMtime =
            static_cast<int32_t>(Get32(reinterpret_cast<const uint8_t*>(block->data() + 1)));
}

TMember ParseCentralRecord(const uint8_t* p, size_t available, uint32_t index, size_t& used,
                           uint64_t prefix, uint64_t fileSize) {
    if (available < kCentralHeaderSize)
        throw TArchiveError(ueFormat, "central record " + Num(index + 1) +
                                          " runs past the end of the central directory");
    if (Get32(p) != kCentralHeaderSignature)
        throw TArchiveError(ueFormat,
                            "central record " + Num(index + 1) + " has a wrong signature");
    size_t nameLength = Get16(p + kCenNameLength);
    size_t extraLength = Get16(p + kCenExtraLength);
    size_t commentLength = Get16(p + kCenCommentLength);
    used = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (used > available)
        throw TArchiveError(ueFormat, "central record " + Num(index + 1) +
                                          " runs past the end of the central directory");
    TMember m;
    m.Index = index;
    m.VersionMadeBy = p[kCenVersionMadeBy];
    m.HostSystem = p[kCenHostSystem];
    m.Flags = Get16(p + kCenFlags);
    m.Method = Get16(p + kCenMethod);
    m.DosTime = Get32(p + kCenDosTime);
    m.Crc32 = Get32(p + kCenCrc);
    m.CompressedSize = Get32(p + kCenCompressedSize);
    m.UncompressedSize = Get32(p + kCenUncompressedSize);
    m.ExternalAttributes = Get32(p + kCenExternalAttributes);
    m.LocalHeaderOffset = Get32(p + kCenLocalHeaderOffset);
    m.RawName.assign(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameLength);
    m.Name = DecodeMemberName(m.RawName, m.Flags, m.HostSystem, m.VersionMadeBy);
    std::string extra(reinterpret_cast<const char*>(p + kCentralHeaderSize + nameLength),
                      extraLength);

    bool z64Uncompressed = Get32(p + kCenUncompressedSize) == kZip64Size;
    bool z64Compressed = Get32(p + kCenCompressedSize) == kZip64Size;
    bool z64Offset = Get32(p + kCenLocalHeaderOffset) == kZip64Size;
    if (z64Uncompressed || z64Compressed || z64Offset)
        ApplyZip64Extra(extra, m, z64Uncompressed, z64Compressed, z64Offset);
    uint16_t disk = Get16(p + kCenDiskStart);
    if (disk != 0 && disk != kZip64Count)
        MultiVolume(disk);
    ApplyTimestampExtra(extra, m);

    // An offset past the end only spoils this member: its range comes out empty and the
    // member is refused when its turn comes, while its neighbours extract.
    m.LocalHeaderOffset = std::min(m.LocalHeaderOffset, fileSize) + prefix;
    return m;
}

// Gives every member the range up to the next local header or the directory, and marks
// members whose local header another record also claims.
void AssignRanges(TArchiveDirectory& dir) {
    std::vector<TMember*> byOffset;
    byOffset.reserve(dir.Members.size());
    for (auto& m : dir.Members)
        byOffset.push_back(&m);
    std::sort(byOffset.begin(), byOffset.end(), [](const TMember* a, const TMember* b) {
        return a->LocalHeaderOffset < b->LocalHeaderOffset;
    });
    for (size_t i = 0; i < byOffset.size(); ++i) {
        TMember& m = *byOffset[i];
        size_t next = i + 1;
        while (next < byOffset.size() && byOffset[next]->LocalHeaderOffset == m.LocalHeaderOffset) {
            m.SharesLocalHeader = true;
            byOffset[next]->SharesLocalHeader = true;
            ++next;
        }
        uint64_t end =
            next < byOffset.size() ? byOffset[next]->LocalHeaderOffset : dir.CentralStart;
        end = std::min(end, dir.CentralStart);
        m.RangeEnd = std::max(end, m.LocalHeaderOffset);
    }
}

} // namespace

bool TMember::IsEncrypted() const {
    return (Flags & kFlagEncrypted) != 0;
}
bool TMember::HasDataDescriptor() const {
    return (Flags & kFlagDataDescriptor) != 0;
}

bool TMember::IsSymlink() const {
    return HostSystem == kHostUnix &&
           ((ExternalAttributes >> 16) & kUnixTypeMask) == kUnixTypeSymlink;
}

bool TMember::IsFolder() const {
    if (!Name.empty() && (Name.back() == '/' || Name.back() == '\\'))
        return true;
    return HostSystem == kHostUnix &&
           ((ExternalAttributes >> 16) & kUnixTypeMask) == kUnixTypeDirectory &&
           UncompressedSize == 0;
}

std::optional<std::string> FindExtraBlock(const std::string& extra, uint16_t id) {
    size_t pos = 0;
    while (extra.size() - pos >= kExtraBlockHeaderSize) {
        auto* p = reinterpret_cast<const uint8_t*>(extra.data() + pos);
        size_t length = Get16(p + 2);
        if (length > extra.size() - pos - kExtraBlockHeaderSize)
            break; // a torn last block: writers pad extra fields, nothing to trust here
        if (Get16(p) == id)
            return extra.substr(pos + kExtraBlockHeaderSize, length);
        pos += kExtraBlockHeaderSize + length;
    }
    return std::nullopt;
}

TArchiveDirectory ReadArchiveDirectory(const TArchiveFile& file, uint64_t maxCentralSize) {
    TEndInfo info = ReadEndInfo(file);
    TArchiveDirectory dir;
    LocateCentralDirectory(file, info, dir);
    if (info.CentralSize > maxCentralSize)
        throw TDirectoryTooLarge("central directory of " + Num(info.CentralSize) +
                                 " bytes is larger than the engine reads (" + Num(maxCentralSize) +
                                 ")");
    if (info.Entries > info.CentralSize / kCentralHeaderSize)
        throw TArchiveError(ueFormat, Num(info.Entries) +
                                          " members cannot fit in a central "
                                          "directory of " +
                                          Num(info.CentralSize) + " bytes");
    std::vector<uint8_t> buffer(static_cast<size_t>(info.CentralSize));
    file.ReadExact(dir.CentralStart, buffer.data(), buffer.size(), "central directory");

    size_t pos = 0;
    dir.Members.reserve(static_cast<size_t>(info.Entries));
    for (uint64_t i = 0; i < info.Entries; ++i) {
        size_t used = 0;
        dir.Members.push_back(ParseCentralRecord(buffer.data() + pos, buffer.size() - pos,
                                                 static_cast<uint32_t>(i), used, dir.PrefixBytes,
                                                 file.Size()));
        pos += used;
    }
    AssignRanges(dir);
    return dir;
}

} // namespace unz
