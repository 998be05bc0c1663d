// The texts of the detail columns: sizes in kilobytes and times in the user's locale.
#pragma once

#include <cstdint>
#include <string>

namespace platform::shellns {

// Whole kilobytes, rounded up, with thousands separators: 0 -> "0KB", 1..1024 -> "1KB",
// 1025 -> "2KB", 1500000 -> "1,465KB". The separator is the locale's, "," where the
// locale has none.
std::string SizeInKilobytesText(std::uint64_t bytes);

// Local time as the locale's short date, a blank and hours:minutes; empty for 0.
std::string LocalTimeText(std::int64_t secondsSinceEpoch);

} // namespace platform::shellns
