#include "shell/FbFileMasks.h"

#include "platform/TextCase.h"
#include "platform/shellns/NameText.h"

#include <algorithm>

namespace {

constexpr std::string_view kAllFilesMask = "*.*";

// One character of a name: a whole UTF-8 sequence, or a single stray byte, so a name that
// is not valid UTF-8 ("caf\xE9.jib") still matches byte by byte and "?" takes one byte
// of it.
std::size_t CharacterAt(std::string_view text, std::size_t at) {
    return std::max<std::size_t>(1, platform::shellns::Utf8SequenceLength(text, at));
}

bool SameCharacter(char a, char b) {
    return platform::ToUpperAscii(a) == platform::ToUpperAscii(b);
}

} // namespace

std::vector<std::string> SplitFileFilter(std::string_view filter) {
    // ";" never occurs inside a UTF-8 sequence, so a plain split keeps every character whole.
    std::vector<std::string> masks;
    std::size_t start = 0;
    while (start <= filter.size()) {
        std::size_t end = filter.find(';', start);
        if (end == std::string_view::npos)
            end = filter.size();
        if (end > start)
            masks.emplace_back(filter.substr(start, end - start));
        start = end + 1;
    }
    return masks;
}

std::string_view FileNamePart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool FilterSelects(std::string_view filter) {
    return !filter.empty() && filter != "*" && filter != kAllFilesMask;
}

bool MatchesFileMask(std::string_view name, std::string_view mask) {
    if (mask == kAllFilesMask)
        return true;
    // Iterative wildcard match with one remembered star: linear in practice and never
    // exponential, whatever a filter text holds.
    std::size_t n = 0;
    std::size_t m = 0;
    std::size_t starMask = std::string_view::npos;
    std::size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            n += CharacterAt(name, n);
            ++m;
        } else if (m < mask.size() && SameCharacter(mask[m], name[n])) {
            ++n;
            ++m;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            starName += CharacterAt(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool MatchesAnyMask(std::string_view name, const std::vector<std::string>& masks) {
    for (const std::string& mask : masks) {
        if (MatchesFileMask(name, mask))
            return true;
    }
    return false;
}
