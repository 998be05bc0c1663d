#include "platform/shellns/NameText.h"

#include "platform/TextCase.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <vector>

namespace platform::shellns {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the valid UTF-8 sequence starting at text[i], or 0 when it is not one
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    const unsigned char c = byte(i);
    if (c < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned min = 0;
    unsigned value = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2, min = 0x80, value = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, min = 0x800, value = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, min = 0x10000, value = c & 0x07;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

// The code point of the valid sequence of `length` bytes at text[i].
char32_t CodePointAt(std::string_view text, std::size_t i, std::size_t length) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (length == 1)
        return c;
    char32_t value = c & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k)
        value = (value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    return value;
}

// The Control Pictures block has a symbol for each C0 control and for DEL; the line and
// paragraph separators, which also break a row's text, show as the newline symbol.
constexpr char32_t kControlPictures = 0x2400;
constexpr char32_t kSymbolForDelete = 0x2421;
constexpr char32_t kSymbolForNewline = 0x2424;

char32_t VisibleSymbolFor(char32_t c) {
    if (c < 0x20)
        return kControlPictures + c;
    if (c == 0x7F)
        return kSymbolForDelete;
    if (c == 0x2028 || c == 0x2029)
        return kSymbolForNewline;
    return 0;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Wide text for the C library's collation: the name's code points, its stray bytes kept
// apart from every character as U+DC80..U+DCFF. ASCII letters are lowered first, so the
// order ignores their case in every locale, the plain "C" one included.
void WidenForCollation(std::string_view text, std::wstring& out) {
    constexpr wchar_t kStrayByteBase = 0xDC00;
    out.clear();
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            out.push_back(
                static_cast<wchar_t>(kStrayByteBase + static_cast<unsigned char>(text[i])));
            ++i;
            continue;
        }
        const char32_t c = CodePointAt(text, i, length);
        out.push_back(static_cast<wchar_t>(c < 0x80 ? ToLowerAscii(static_cast<char>(c)) : c));
        i += length;
    }
}

// The user's collation (LC_COLLATE, which the application takes from the environment at
// start) of two pieces of text without digits.
int Collate(std::string_view a, std::string_view b) {
    thread_local std::wstring wa;
    thread_local std::wstring wb;
    WidenForCollation(a, wa);
    WidenForCollation(b, wb);
    if (wa == wb)
        return 0;
    const int order = std::wcscoll(wa.c_str(), wb.c_str());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

std::size_t TextRunEnd(std::string_view text, std::size_t i) {
    while (i < text.size() && !IsDigit(text[i]))
        ++i;
    return i;
}

} // namespace

int CompareNamesNaturally(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (!IsDigit(a[i]) || !IsDigit(b[j])) {
            // Text (on one side it may be empty, a number starting there) is ordered by
            // the locale; when it differs, the character after it takes part, as it would
            // in a comparison of whole names ("a1" against "a-"), without letting the
            // digits decide what their numeric value must ("file2" against "file10").
            const std::size_t ei = TextRunEnd(a, i);
            const std::size_t ej = TextRunEnd(b, j);
            const std::string_view ta = a.substr(i, ei - i);
            const std::string_view tb = b.substr(j, ej - j);
            if (const int order = Collate(ta, tb); order != 0) {
                const int refined = Collate(a.substr(i, ei - i + (ei < a.size() ? 1 : 0)),
                                            b.substr(j, ej - j + (ej < b.size() ? 1 : 0)));
                return refined != 0 ? refined : order;
            }
            i = ei;
            j = ej;
            continue;
        }
        // Numbers by value: leading zeros skipped, the longer run is larger, then the
        // first differing digit decides.
        std::size_t ei = i, ej = j;
        while (ei < a.size() && IsDigit(a[ei]))
            ++ei;
        while (ej < b.size() && IsDigit(b[ej]))
            ++ej;
        std::size_t si = i, sj = j;
        while (si + 1 < ei && a[si] == '0')
            ++si;
        while (sj + 1 < ej && b[sj] == '0')
            ++sj;
        if (ei - si != ej - sj)
            return ei - si < ej - sj ? -1 : 1;
        for (; si < ei; ++si, ++sj) {
            if (a[si] != b[sj])
                return a[si] < b[sj] ? -1 : 1;
        }
        i = ei;
        j = ej;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

bool NormalizeAbsolutePath(std::string_view path, std::string& out) {
    out.clear();
    if (path.empty() || path.front() != '/' || path.size() >= PATH_MAX ||
        path.find('\0') != std::string_view::npos)
        return false;
    std::vector<std::string_view> parts;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    for (const std::string_view part : parts) {
        out.push_back('/');
        out.append(part);
    }
    if (out.empty())
        out.push_back('/');
    return true;
}

namespace {

// Whether `text` needs no cleaning: valid UTF-8 and, when `controls` are to be shown,
// without control characters.
bool IsClean(std::string_view text, bool controls) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0 || (controls && VisibleSymbolFor(CodePointAt(text, i, length)) != 0))
            return false;
        i += length;
    }
    return true;
}

// Stray bytes become U+FFFD; with `controls`, control characters their symbols.
std::string Cleaned(std::string_view text, bool controls) {
    if (IsClean(text, controls))
        return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = SequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const char32_t symbol = controls ? VisibleSymbolFor(CodePointAt(text, i, length)) : 0;
        if (symbol != 0)
            AppendUtf8(out, symbol);
        else
            out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

} // namespace

std::string NameFromEdit(std::string_view original, std::string_view edited) {
    const std::string shown = ToDisplayUtf8(original);
    if (shown == original)
        return std::string(edited);
    // Where each character starts in the original and in what the editor showed (a stray
    // byte is one byte there and three here), up to and including both ends.
    std::vector<std::pair<std::size_t, std::size_t>> starts{{0, 0}};
    for (std::size_t i = 0, j = 0; i < original.size();) {
        const std::size_t length = SequenceLength(original, i);
        i += length == 0 ? 1 : length;
        j += length == 0 ? 3 : length;
        starts.emplace_back(i, j);
    }
    // The untouched head: the longest run of whole characters the edit begins with.
    std::size_t same = 0;
    while (same < shown.size() && same < edited.size() && shown[same] == edited[same])
        ++same;
    std::size_t head = 0;
    while (head + 1 < starts.size() && starts[head + 1].second <= same)
        ++head;
    // The untouched tail, of whole characters, not reaching into the head.
    const std::size_t room = std::min(shown.size(), edited.size()) - starts[head].second;
    std::size_t sameEnd = 0;
    while (sameEnd < room &&
           shown[shown.size() - 1 - sameEnd] == edited[edited.size() - 1 - sameEnd])
        ++sameEnd;
    std::size_t tail = starts.size() - 1;
    while (tail > head && starts[tail - 1].second >= shown.size() - sameEnd)
        --tail;
    const std::size_t typedFrom = starts[head].second;
    const std::size_t typedTo = edited.size() - (shown.size() - starts[tail].second);
    std::string name(original.substr(0, starts[head].first));
    name.append(edited.substr(typedFrom, typedTo - typedFrom));
    name.append(original.substr(starts[tail].first));
    return name;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    return at < text.size() ? SequenceLength(text, at) : 0;
}

bool IsValidUtf8(std::string_view text) {
    return IsClean(text, false);
}

std::string ToDisplayUtf8(std::string_view text) {
    return Cleaned(text, false);
}

bool IsVisibleName(std::string_view name) {
    return IsClean(name, true);
}

std::string ToVisibleName(std::string_view name) {
    return Cleaned(name, true);
}

} // namespace platform::shellns
