// Builds ZIP archives byte by byte, so a test can state exactly which field lies: a local
// header that names another member, a size that understates a deflate stream, two records
// sharing one local header. Honest by default; every override is one hostile change.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TBuildMember {
    std::string Name{};
    std::string Plain{};         // the member's real content
    uint16_t Method = 8;         // 0 stored, 8 deflated (compressed here with zlib)
    uint8_t Host = 3;            // Unix
    uint32_t UnixMode = 0100644; // external attributes' high half
    bool DataDescriptor = false; // sizes and CRC after the data, zeros in the header
    // Traditional PKWARE encryption with this password and a fixed (not random) header, so
    // which wrong passwords pass the one-byte check is the same on every run.
    std::optional<std::string> Password{};
    // Hostile overrides.
    std::optional<std::string> LocalName{};
    std::optional<uint16_t> DeclaredMethod{}; // method in both headers
    std::optional<uint16_t> LocalMethod{};
    std::optional<uint32_t> LocalCompressedSize{};
    std::optional<uint32_t> DeclaredSize{};   // uncompressed size in both headers
    std::optional<uint32_t> DeclaredCrc{};    // CRC in both headers
    std::optional<uint32_t> DescriptorCrc{};  // CRC in the data descriptor only
    std::optional<uint32_t> CompressedSize{}; // compressed size in both headers
    std::optional<int> OffsetOfMember{};      // central record points at that member's header
    std::optional<uint32_t> RawOffset{};      // central record points at this position
};

struct TBuildOptions {
    std::string Prefix{}; // bytes in front of the archive, not counted in offsets
    std::optional<uint16_t> TotalEntries{};
};

std::string BuildZip(const std::vector<TBuildMember>& members, const TBuildOptions& options = {});
// Raw deflate (no zlib header) at the best compression.
std::string DeflateRaw(const std::string& plain);
void WriteFile(const std::string& path, const std::string& bytes);
