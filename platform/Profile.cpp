#include "platform/Profile.h"

#include "platform/AtomicFile.h"
#include "platform/TextCase.h"
#include "platform/TextLines.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

// The lines of settings text without their line ends, as views into it. Every carriage
// return at a line's end has to go: a line rewritten ends in LF alone, so a return kept as
// part of it would turn into the line end of the next read and change the value. An edit
// adds its new lines as views of strings the caller keeps, so no line is copied.
using Lines = std::vector<std::string_view>;

Lines SplitLines(std::string_view text) {
    Lines lines;
    while (!text.empty())
        lines.push_back(TakeLine(text));
    return lines;
}

// The first kMaxProfileSize bytes of the file, without a line the limit cuts; nothing
// when it cannot be opened. Every value read reads the file afresh, so the buffer is sized
// by the file, not by the limit: a start-up reads several values of a file of a few
// hundred bytes. The size is a hint only; a file another program is writing may grow. A
// pipe put in the file's place is read without waiting for a writer, so it cannot hold up
// the start (a regular file ignores O_NONBLOCK).
std::optional<std::string> ReadText(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    const std::size_t expected =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
    // One byte past the limit, to learn whether the limit cut the text.
    const std::size_t cap = kMaxProfileSize + 1;
    std::string text(std::min(std::max<std::size_t>(expected + 1, 512), cap), '\0');
    std::size_t filled = 0;
    for (;;) {
        if (filled == text.size()) {
            if (text.size() == cap)
                break;
            text.resize(std::min(text.size() * 2, cap));
        }
        const ssize_t got = ::read(fd, text.data() + filled, text.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // the end, or what could be read before an error (or an empty pipe)
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    text.resize(filled);
    if (text.size() > kMaxProfileSize) {
        const std::size_t lastEnd = text.find_last_of('\n', kMaxProfileSize - 1);
        text.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    return text;
}

// "[Name]" gives Name; any other line gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    const auto t = Trim(line);
    if (t.size() < 2 || t.front() != '[')
        return std::nullopt;
    const auto close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Where a section's lines are: [header, end). `header` is npos when the section is absent.
struct SectionSpan {
    std::size_t header = std::string::npos;
    std::size_t end = 0;
};

SectionSpan FindSection(const Lines& lines, std::string_view section) {
    SectionSpan span;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(lines[i]);
        if (!name)
            continue;
        if (span.header != std::string::npos) {
            span.end = i;
            return span;
        }
        if (EqualsIgnoreAsciiCase(*name, section))
            span.header = i;
    }
    span.end = lines.size();
    return span;
}

std::optional<std::size_t> FindKey(const Lines& lines, SectionSpan span, std::string_view key) {
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto kv = SplitKeyLine(lines[i]);
        if (kv && EqualsIgnoreAsciiCase(kv->key, key))
            return i;
    }
    return std::nullopt;
}

// Other writers quote values that carry blanks at either end; the quotes are not part of
// the value.
std::string_view StripQuotes(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::string JoinLines(const Lines& lines) {
    std::size_t size = 0;
    for (const auto line : lines)
        size += line.size() + 1;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

// A section name or key that would be read back as something else cannot be stored.
bool IsStorableName(std::string_view name) {
    return !name.empty() && !HasLineBreak(name) && Trim(name) == name &&
           name.find_first_of("=[]") == std::string_view::npos;
}

// The body of the first section of that name: its lines after the header, up to the next
// header. Reads walk the text once and stop there, with no copy and no list of lines, as
// the program reads several values at every start.
std::optional<std::string_view> SectionBody(std::string_view text, std::string_view section) {
    std::optional<std::size_t> start;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t lineStart = text.size() - rest.size();
        const auto name = SectionName(TakeLine(rest));
        if (!name)
            continue;
        if (start)
            return text.substr(*start, lineStart - *start);
        if (EqualsIgnoreAsciiCase(*name, section))
            start = text.size() - rest.size();
    }
    if (start)
        return text.substr(*start);
    return std::nullopt;
}

std::string ValueIn(std::string_view text, std::string_view section, std::string_view key,
                    std::string_view defaultValue, std::size_t bufferSize) {
    std::string_view found = defaultValue;
    if (auto body = SectionBody(text, section)) {
        while (!body->empty()) {
            const auto kv = SplitKeyLine(TakeLine(*body));
            if (kv && EqualsIgnoreAsciiCase(kv->key, key)) {
                found = StripQuotes(kv->value);
                break;
            }
        }
    }
    found = found.substr(0, found.find('\0'));
    const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    return std::string(found.substr(0, room));
}

// The edits, on lines. Each answers whether the file needs writing back (a set always
// does).

// The new lines of a write, kept by the caller while the lines point into them.
struct NewLines {
    NewLines(std::string_view section, std::string_view key, std::string_view value) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
        // "[" + std::string(section).
        header.append("[").append(section).append("]");
        entry.append(key).append("=").append(value);
    }
    std::string header;
    std::string entry;
};

bool SetValue(Lines& lines, std::string_view section, std::string_view key, const NewLines& added) {
    const auto span = FindSection(lines, section);
    if (span.header == std::string::npos) {
        if (!lines.empty() && !Trim(lines.back()).empty())
            lines.emplace_back();
        lines.push_back(added.header);
        lines.push_back(added.entry);
    } else if (const auto at = FindKey(lines, span, key)) {
        lines[*at] = added.entry;
    } else {
        // New keys go after the section's last key, before any blank lines that separate
        // it from the next section.
        std::size_t insertAt = span.end;
        while (insertAt > span.header + 1 && Trim(lines[insertAt - 1]).empty())
            --insertAt;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), added.entry);
    }
    return true;
}

bool RemoveKey(Lines& lines, std::string_view section, std::string_view key) {
    const auto span = FindSection(lines, section);
    if (span.header == std::string::npos)
        return false;
    const auto at = FindKey(lines, span, key);
    if (!at)
        return false;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at));
    return true;
}

bool RemoveSection(Lines& lines, std::string_view section) {
    const auto span = FindSection(lines, section);
    if (span.header == std::string::npos)
        return false;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(span.header),
                lines.begin() + static_cast<std::ptrdiff_t>(span.end));
    return true;
}

bool CanStore(std::string_view section, std::string_view key, std::string_view value) {
    return IsStorableName(section) && IsStorableName(key) && !HasLineBreak(value);
}

// Applies `edit` to the file's lines and writes them back when they changed; a missing
// file is empty.
template <typename Edit> bool EditFile(const std::string& path, Edit edit) {
    const std::string text = ReadText(path).value_or(std::string());
    Lines lines = SplitLines(text);
    return !edit(lines) || ReplaceFileAtomically(path, JoinLines(lines));
}

} // namespace

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultValue,
                              std::size_t bufferSize) {
    return ValueIn(ReadText(path).value_or(std::string()), section, key, defaultValue, bufferSize);
}

std::string ReadProfileStringFromText(std::string_view text, std::string_view section,
                                      std::string_view key, std::string_view defaultValue,
                                      std::size_t bufferSize) {
    return ValueIn(text, section, key, defaultValue, bufferSize);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (!CanStore(section, key, value)) {
        errno = EINVAL;
        return false;
    }
    const NewLines added(section, key, value);
    return EditFile(path, [&](Lines& lines) { return SetValue(lines, section, key, added); });
}

bool DeleteProfileKey(const std::string& path, std::string_view section, std::string_view key) {
    return EditFile(path, [&](Lines& lines) { return RemoveKey(lines, section, key); });
}

bool DeleteProfileSection(const std::string& path, std::string_view section) {
    return EditFile(path, [&](Lines& lines) { return RemoveSection(lines, section); });
}

std::optional<std::string> ProfileTextWithString(std::string_view text, std::string_view section,
                                                 std::string_view key, std::string_view value) {
    if (!CanStore(section, key, value))
        return std::nullopt;
    const NewLines added(section, key, value);
    Lines lines = SplitLines(text);
    SetValue(lines, section, key, added);
    return JoinLines(lines);
}

std::string ProfileTextWithoutKey(std::string_view text, std::string_view section,
                                  std::string_view key) {
    Lines lines = SplitLines(text);
    return RemoveKey(lines, section, key) ? JoinLines(lines) : std::string(text);
}

std::string ProfileTextWithoutSection(std::string_view text, std::string_view section) {
    Lines lines = SplitLines(text);
    return RemoveSection(lines, section) ? JoinLines(lines) : std::string(text);
}

bool ProfileSectionExists(const std::string& path, std::string_view section) {
    const auto text = ReadText(path);
    return text && ProfileTextHasSection(*text, section);
}

bool ProfileTextHasSection(std::string_view text, std::string_view section) {
    return SectionBody(text, section).has_value();
}

} // namespace platform
