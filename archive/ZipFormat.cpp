#include "archive/ZipFormat.h"

#include <vector>

namespace {

struct Directive {
    std::size_t argIndex = 0;
    bool leftAlign = false;
    std::size_t width = 0;
    bool hasPrecision = false;
    std::size_t precision = 0;
    char type = 0;
};

// Reads a run of digits; caps the value so a hostile "%99999999999d" cannot overflow
// or ask for gigabytes of padding.
std::size_t ReadNumber(std::string_view s, std::size_t& i) {
    constexpr std::size_t kMaxField = 1024;
    std::size_t value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        value = value * 10 + static_cast<std::size_t>(s[i] - '0');
        if (value > kMaxField)
            value = kMaxField;
        ++i;
    }
    return value;
}

// Parses the directive after the "%" at `i`; answers false when it is malformed.
bool ParseDirective(std::string_view s, std::size_t& i, std::size_t nextArg, Directive& d) {
    d.argIndex = nextArg;
    std::size_t start = i;
    if (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        const std::size_t n = ReadNumber(s, i);
        if (i < s.size() && s[i] == ':')
            d.argIndex = n, ++i;
        else
            i = start; // it was the width
    }
    if (i < s.size() && s[i] == '-')
        d.leftAlign = true, ++i;
    d.width = ReadNumber(s, i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        d.hasPrecision = true;
        d.precision = ReadNumber(s, i);
    }
    if (i >= s.size())
        return false;
    const char t = static_cast<char>(s[i] | 0x20); // types are case-insensitive
    if (t != 'd' && t != 'u' && t != 'x' && t != 's')
        return false;
    d.type = t;
    ++i;
    return true;
}

std::string IntegerText(std::int64_t value, const Directive& d) {
    const bool negative = value < 0 && d.type == 'd';
    std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    if (d.type == 'u' && value < 0)
        magnitude = static_cast<std::uint32_t>(value); // unsigned view of a 32-bit value
    const unsigned base = d.type == 'x' ? 16 : 10;
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789ABCDEF"[magnitude % base]);
        magnitude /= base;
    } while (magnitude != 0);
    if (d.hasPrecision && digits.size() < d.precision)
        digits.insert(0, d.precision - digits.size(), '0');
    return negative ? "-" + digits : digits;
}

} // namespace

std::string FormatText(std::string_view format, std::initializer_list<TFormatArg> args) {
    const std::vector<TFormatArg> list(args);
    std::string out;
    out.reserve(format.size());
    std::size_t nextArg = 0;
    for (std::size_t i = 0; i < format.size();) {
        if (format[i] != '%') {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        const std::size_t start = i++;
        Directive d;
        const bool parsed = ParseDirective(format, i, nextArg, d);
        const bool fits = parsed && d.argIndex < list.size() &&
                          (d.type == 's') == std::holds_alternative<std::string>(list[d.argIndex]);
        if (!fits) {
            // Keep the directive visible: a text that does not match its arguments is
            // still better read as written than dropped.
            out.append(format.substr(start, parsed ? i - start : 1));
            if (!parsed)
                i = start + 1;
            continue;
        }
        nextArg = d.argIndex + 1;
        std::string piece;
        if (d.type == 's') {
            piece = std::get<std::string>(list[d.argIndex]);
            if (d.hasPrecision && piece.size() > d.precision)
                piece.resize(d.precision);
        } else {
            piece = IntegerText(std::get<std::int64_t>(list[d.argIndex]), d);
        }
        if (piece.size() < d.width) {
            const std::string pad(d.width - piece.size(), ' ');
            piece = d.leftAlign ? piece + pad : pad + piece;
        }
        out += piece;
    }
    return out;
}
