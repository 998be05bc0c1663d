// Integer parsing with the run-time library's rules, which stored settings were written
// against: leading blanks skipped, an optional sign, decimal digits or hexadecimal digits
// after "$"; anything else, nothing at all, or a value outside the 32-bit signed range is
// not a number.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int32_t> TryStrToInt(std::string_view text);

inline std::int32_t StrToIntDef(std::string_view text, std::int32_t defaultValue) {
    return TryStrToInt(text).value_or(defaultValue);
}
