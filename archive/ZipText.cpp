#include "archive/ZipText.h"

#include "archive/ZipRecords.h"

#include <algorithm>
#include <array>

namespace {

// Unicode code points of code page 437's upper half, 0x80 to 0xFF.
constexpr std::array<char16_t, 128> kCp437High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, // 90
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, // A0
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, // D8
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, // E0
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, // E8
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0, // F8
};

void AppendUtf8(std::string& out, char16_t c) {
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

} // namespace

std::string OemToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else
            AppendUtf8(out, kCp437High[b - 0x80]);
    }
    return out;
}

bool NeedsOemConversion(CodePageOpts codePage, std::uint8_t versionMadeBy, std::uint8_t hostSystem,
                        std::uint16_t flags) {
    // A writer that sets the UTF-8 flag has already said what the bytes are; reading
    // them as code page 437 would turn every accented letter into two wrong ones.
    if ((flags & zip::kFlagUtf8) != 0)
        return false;
    if (codePage == cpOEM)
        return true;
    if (codePage == cpAuto && hostSystem == zip::kHostMsDos)
        return true;
    // OS/2 tools always wrote OEM names; of NTFS hosts only the one tool that reports
    // format version 5.0 is known to do so.
    return hostSystem == zip::kHostHpfs || (hostSystem == zip::kHostNtfs && versionMadeBy == 50);
}

std::string EntryText(std::string_view stored, bool convert) {
    return convert ? OemToUtf8(stored) : std::string(stored);
}

std::string EntryName(std::string_view stored, bool convert) {
    std::string name = EntryText(stored, convert);
    // In UTF-8 (and in code page 437) the byte 0x5C is never part of a longer character,
    // so a plain replacement cannot split one.
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}
