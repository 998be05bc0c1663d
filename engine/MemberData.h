// One member's bytes: its local header checked against the central record, then its data
// decrypted, inflated and checked (size while inflating, CRC at the end) into a sink.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace unz {

class TArchiveFile;
struct TMember;

// Where a member's stored data lies (encryption header included).
struct TMemberLayout {
    uint64_t DataStart = 0;
    uint64_t DataSize = 0;
};

class TDataSink {
public:
    virtual ~TDataSink() = default;
    virtual void Write(const uint8_t* data, size_t length) = 0;
};

// Reads the local header and, for streamed members, the data descriptor, and refuses
// (TMemberError) a member whose local header lies outside its range, is shared with
// another member, or disagrees with the central record on name, method, flags, CRC or
// sizes, or whose data would run into the next member or the central directory.
TMemberLayout CheckLocalHeader(const TArchiveFile& file, const TMember& member);

// Whether `password` passes the encryption header's check byte.
bool PasswordFits(const TArchiveFile& file, const TMember& member, const TMemberLayout& layout,
                  std::string_view password);

// Streams the member's plain bytes into `sink`, calling `progress` with each block's size.
// Never produces more than the declared uncompressed size: a member that inflates beyond
// it is stopped at once. Throws TMemberError for damaged or unsupported data and
// TCrcMismatch when only the CRC is wrong.
void ExtractMemberData(const TArchiveFile& file, const TMember& member, const TMemberLayout& layout,
                       std::string_view password, TDataSink& sink,
                       const std::function<void(size_t)>& progress);

} // namespace unz
