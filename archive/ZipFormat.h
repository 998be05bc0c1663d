// Formatting of message texts with typed arguments. The format strings come from linked
// tables or from an `OnZipStr` handler, so they are not trusted to match their arguments:
// unlike printf, a directive that does not fit its argument (or has none) is left in the
// text as written instead of reading memory that is not there.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

using TFormatArg = std::variant<std::int64_t, std::string>;

// Directives: %[index:][-][width][.precision]type with type d, u, x (integers) or s
// (texts), and %% for a percent sign. Precision is the minimum digit count for integers
// and the maximum length for texts, as in the classic Format routine.
std::string FormatText(std::string_view format, std::initializer_list<TFormatArg> args);
