#include "engine/MemberName.h"

#include "engine/EngineErrors.h"
#include "engine/ZipFormat.h"

namespace unz {
namespace {

// Unicode code points of code page 437's bytes 0x80 to 0xFF.
constexpr uint16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, //
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, //
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, //
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, //
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, //
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, //
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, //
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, //
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, //
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, //
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, //
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, //
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, //
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, //
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, //
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0, //
};

// The Windows hosts' rule for an OEM name: version 5.0 of the NTFS writer still used the
// OEM code page, later ones the ANSI one.
constexpr uint8_t kNtfsOemVersion = 50;

void AppendUtf8(std::string& out, uint16_t cp) {
    if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

bool IsDelimiter(char c) {
    return c == '/' || c == '\\';
}

char Fold(char c) {
    if (c == '\\')
        return '/';
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of the UTF-8 sequence starting at s[i] (1 for stray bytes), so "?" matches a
// whole character of a converted name.
size_t CharLength(std::string_view s, size_t i) {
    auto b = static_cast<unsigned char>(s[i]);
    size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    for (size_t k = 1; k < n; ++k) {
        if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return n;
}

} // namespace

std::string DecodeMemberName(std::string_view raw, uint16_t flags, uint8_t hostSystem,
                             uint8_t versionMadeBy) {
    bool oem = (flags & kFlagUtf8Names) == 0 &&
               (hostSystem == kHostMsDos || hostSystem == kHostHpfs ||
                (hostSystem == kHostNtfs && versionMadeBy == kNtfsOemVersion));
    if (!oem)
        return std::string(raw);
    std::string out;
    out.reserve(raw.size() * 2);
    for (char c : raw) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            AppendUtf8(out, kCp437High[b - 0x80]);
    }
    return out;
}

bool MatchesSpec(std::string_view spec, std::string_view name) {
    // Iterative matcher with one backtrack point: linear in practice and never
    // exponential, whatever a spec or a hostile name holds.
    size_t s = 0, n = 0;
    size_t starSpec = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (s < spec.size() && spec[s] == '*') {
            starSpec = s++;
            starName = n;
        } else if (s < spec.size() && spec[s] == '?') {
            ++s;
            n += CharLength(name, n);
        } else if (s < spec.size() && Fold(spec[s]) == Fold(name[n])) {
            ++s;
            ++n;
        } else if (starSpec != std::string_view::npos) {
            s = starSpec + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (s < spec.size() && spec[s] == '*')
        ++s;
    return s == spec.size();
}

std::string TSafePath::Display() const {
    std::string out;
    for (const auto& f : Folders)
        out += f + "/";
    return out + Leaf;
}

TSafePath MakeSafePath(std::string_view name) {
    if (name.find('\0') != std::string_view::npos)
        throw TMemberError(ueUnsafeName, stUnsafeName, "name holds a NUL byte");
    std::string_view rest = name;
    // "C:" in front of a name written on Windows names a drive, not a folder.
    if (rest.size() >= 2 && rest[1] == ':' &&
        ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z')))
        rest.remove_prefix(2);

    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !IsDelimiter(rest[i]))
            continue;
        std::string_view part = rest.substr(start, i - start);
        start = i + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            throw TMemberError(ueUnsafeName, stUnsafeName,
                               "name climbs out of the target folder with \"..\"");
        parts.emplace_back(part);
    }
    if (parts.empty())
        throw TMemberError(ueUnsafeName, stUnsafeName, "name has no usable component");

    TSafePath path;
    bool isFolder = IsDelimiter(rest.back());
    if (!isFolder) {
        path.Leaf = std::move(parts.back());
        parts.pop_back();
    }
    path.Folders = std::move(parts);
    return path;
}

} // namespace unz
