#include "shell/FbFileMasks.h"

#include "platform/TextCase.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view kAllFilesMask = "*.*";

// The length of the UTF-8 sequence that starts with `lead`; a stray byte counts as one,
// so a name that is not valid UTF-8 still matches byte by byte.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8)
        return 4;
    if (lead >= 0xE0)
        return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

std::size_t CharacterAt(std::string_view text, std::size_t at) {
    return std::min(SequenceLength(static_cast<unsigned char>(text[at])), text.size() - at);
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

void TFbMatchSet::Build(const std::string& folder, const std::vector<std::string>& masks) {
    FNames.clear();
    const std::string path = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    // One pass over the folder for all masks: the same names as one search per mask,
    // without reading a large folder once for every mask.
    while (const dirent* d = ::readdir(dir)) {
        const std::string_view name = d->d_name;
        if (name == "." || name == ".." || d->d_type == DT_DIR)
            continue;
        bool matched = false;
        for (const std::string& mask : masks) {
            if (MatchesFileMask(name, mask)) {
                matched = true;
                break;
            }
        }
        if (!matched)
            continue;
        // A link to a folder is a folder to a search, as it is to the list.
        struct stat st;
        if ((d->d_type == DT_LNK || d->d_type == DT_UNKNOWN) &&
            ::fstatat(fd, d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode))
            continue;
        FNames.insert(platform::UpperAscii(name));
    }
    ::closedir(dir);
}
