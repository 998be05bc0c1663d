// Member times: the MS-DOS time every record carries (local time, 2-second steps) and the
// Unix time of the extended timestamp field when the writer added one.
#pragma once

#include <cstdint>
#include <optional>

namespace unz {

struct TMember;

// The member's modification time in seconds since 1970 (UTC), if it holds a valid one.
std::optional<int64_t> MemberMtime(const TMember& member);

// Whether a file last modified at `fileMtime` is older than the member (freshen/update).
// MS-DOS times only count even seconds, so a file's odd second is rounded up first, or a
// file extracted a moment ago would count as older than its own member.
bool IsOlderThanMember(int64_t fileMtime, const TMember& member);

} // namespace unz
