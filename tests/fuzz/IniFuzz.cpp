// Fuzzes the settings file: JibSettings.ini is text the user may edit and other programs
// may have written, so the reader takes any bytes. The input is the file (on tmpfs). The
// program's own reads run first; then a key of a section the file names is written, which
// must read back as written and leave the program's other values alone, and a key of a
// new section is added the same way.
#include "platform/Profile.h"
#include "platform/TextCase.h"
#include "tests/fuzz/FuzzFiles.h"
#include "util/plkIni.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr const char* kGeneral = "General";
constexpr std::array kGeneralKeys = {"LastFolder", "MainSplit", "BrowserSplit"};
constexpr std::array kPlacementKeys = {"Left", "Top", "Right", "Bottom", "State"};
constexpr const char* kWritten = "written by the harness";

// Where the program's reads go, so they are not optimised away.
volatile std::size_t gSeen = 0;

const std::string& SettingsPath() {
    static const std::string path = fuzz::ScratchFolder() + "JibSettings.ini";
    return path;
}

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// The first "[section]" of the text and the first "key=" after it, roughly as a user
// reads them; empty where there is none.
void FirstSectionAndKey(std::string_view text, std::string& section, std::string& key) {
    while (!text.empty() && key.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (section.empty()) {
            if (line.size() > 2 && line.front() == '[' && line.find(']') != std::string_view::npos)
                section = Trim(line.substr(1, line.find(']') - 1));
        } else if (const auto eq = line.find('='); eq != std::string_view::npos) {
            key = Trim(line.substr(0, eq));
        }
    }
}

void Fail(const char* what, const std::string& section, const std::string& key) {
    std::fprintf(stderr, "%s: [%s] %s\n", what, section.c_str(), key.c_str());
    std::abort();
}

std::array<std::string, kGeneralKeys.size()> GeneralValues() {
    std::array<std::string, kGeneralKeys.size()> values;
    for (std::size_t i = 0; i < kGeneralKeys.size(); ++i)
        values[i] = platform::ReadProfileString(SettingsPath(), kGeneral, kGeneralKeys[i], "-");
    return values;
}

void WriteAndReadBack(const std::string& section, const std::string& key) {
    const auto before = GeneralValues();
    if (!platform::WriteProfileString(SettingsPath(), section, key, kWritten))
        return; // a name that cannot be stored (blanks at its ends, "=", brackets, breaks)
    if (platform::ReadProfileString(SettingsPath(), section, key, "-") != kWritten)
        Fail("a value written reads back different", section, key);
    if (!platform::ProfileSectionExists(SettingsPath(), section))
        Fail("a section written to does not exist", section, key);
    const auto after = GeneralValues();
    for (std::size_t i = 0; i < kGeneralKeys.size(); ++i) {
        const bool same = platform::EqualsIgnoreAsciiCase(section, kGeneral) &&
                          platform::EqualsIgnoreAsciiCase(key, kGeneralKeys[i]);
        if (!same && before[i] != after[i])
            Fail("writing one value changed another", kGeneral, kGeneralKeys[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::WriteWholeFile(SettingsPath(), data, size);
    // What the main window and the placement store read at start-up.
    gSeen = IniReadString(SettingsPath(), kGeneral, "LastFolder", "/").size();
    for (const char* key : kGeneralKeys)
        gSeen = gSeen + static_cast<unsigned>(IniReadInteger(SettingsPath(), kGeneral, key, 1));
    for (const char* key : kPlacementKeys)
        gSeen =
            gSeen + static_cast<unsigned>(IniReadInteger(SettingsPath(), "frmJIBMain", key, -1));
    if (platform::ReadProfileString(SettingsPath(), kGeneral, "LastFolder", "", 8).size() > 7)
        Fail("a value is longer than the buffer it was read into", kGeneral, "LastFolder");

    std::string section, key;
    FirstSectionAndKey(std::string_view(reinterpret_cast<const char*>(data), size), section, key);
    if (!section.empty() && !key.empty())
        WriteAndReadBack(section, key);
    WriteAndReadBack("Added By The Harness", "Key");
    if (!platform::DeleteProfileKey(SettingsPath(), section.empty() ? kGeneral : section,
                                    key.empty() ? "LastFolder" : key) ||
        !platform::DeleteProfileSection(SettingsPath(), kGeneral))
        Fail("a settings file on tmpfs refused a change", section, key);
    return 0;
}
