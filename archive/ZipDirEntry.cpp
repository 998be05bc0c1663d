#include "archive/ZipDirEntry.h"

#include "archive/ZipRecords.h"

#include <optional>
#include <string_view>

using namespace zip;

namespace {

constexpr std::size_t kZip64ValueSize = 8;
constexpr std::size_t kZip64DiskSize = 4;

// The data of the first extra block with `id`; none when the field ends inside a block
// header or the block claims more bytes than the field holds.
std::optional<std::string_view> ExtraBlock(std::string_view extra, std::uint16_t id) {
    while (extra.size() >= kExtraBlockHeaderSize) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(extra.data());
        const std::size_t length = Get16(p + 2);
        if (length > extra.size() - kExtraBlockHeaderSize)
            return std::nullopt;
        if (Get16(p) == id)
            return extra.substr(kExtraBlockHeaderSize, length);
        extra.remove_prefix(kExtraBlockHeaderSize + length);
    }
    return std::nullopt;
}

// Takes the next value of `size` bytes from the block into `field` when `marked`.
template <typename Field>
bool TakeZip64Value(std::string_view& block, bool marked, std::size_t size, Field& field) {
    if (!marked)
        return true;
    if (block.size() < size)
        return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(block.data());
    field = static_cast<Field>(size == kZip64ValueSize ? Get64(p) : Get32(p));
    block.remove_prefix(size);
    return true;
}

} // namespace

void ZipDirEntry::AssignFixedFields(const std::uint8_t* r) {
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

bool ZipDirEntry::ApplyZip64Extra() {
    const bool uncompressed = UncompressedSize == kZip64Marker32;
    const bool compressed = CompressedSize == kZip64Marker32;
    const bool offset = LocalHeaderOffset == kZip64Marker32;
    const bool disk = DiskNumberStart == kZip64Marker16;
    if (!uncompressed && !compressed && !offset && !disk)
        return true;
    std::optional<std::string_view> block = ExtraBlock(ExtraField, kZip64ExtraId);
    if (!block)
        return false;
    // The block holds the marked values only, one after the other in this order.
    return TakeZip64Value(*block, uncompressed, kZip64ValueSize, UncompressedSize) &&
           TakeZip64Value(*block, compressed, kZip64ValueSize, CompressedSize) &&
           TakeZip64Value(*block, offset, kZip64ValueSize, LocalHeaderOffset) &&
           TakeZip64Value(*block, disk, kZip64DiskSize, DiskNumberStart);
}
