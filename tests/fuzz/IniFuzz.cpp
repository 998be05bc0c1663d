// Fuzzes the settings file: JibSettings.ini is text the user may edit and other programs
// may have written, so the reader takes any bytes. The input is the file. The program's
// own reads run over it (from memory, and one through the file as the main window reads
// it); then a key of the first section the file names is written (of a new section when
// it names none), which must read back as written and leave the program's other values
// alone. Writes replace the file, so they go through one on tmpfs. (Deleting keys and
// sections takes the same roads as writing; the profile's tests cover it.)
#include "platform/Profile.h"
#include "platform/StrToInt.h"
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
constexpr const char* kPlacement = "frmJIBMain";
constexpr const char* kAdded = "Added";
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

std::array<std::string, kGeneralKeys.size()> GeneralValues(std::string_view text) {
    std::array<std::string, kGeneralKeys.size()> values;
    for (std::size_t i = 0; i < kGeneralKeys.size(); ++i)
        values[i] = platform::ReadProfileStringFromText(text, kGeneral, kGeneralKeys[i], "-");
    return values;
}

std::string FileText() {
    std::string text;
    if (FILE* f = std::fopen(SettingsPath().c_str(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            text.append(buffer, n);
        std::fclose(f);
    }
    return text;
}

// Writes `key` of `section` and answers the file's text afterwards; empty when the file
// refused the name.
std::string WriteAndReadBack(const std::string& section, const std::string& key) {
    if (!platform::WriteProfileString(SettingsPath(), section, key, kWritten))
        return {}; // a name that cannot be stored (blanks at its ends, "=", brackets, breaks)
    std::string text = FileText();
    if (platform::ReadProfileStringFromText(text, section, key, "-") != kWritten)
        Fail("a value written reads back different", section, key);
    if (!platform::ProfileTextHasSection(text, section))
        Fail("a section written to does not exist", section, key);
    return text;
}

bool Same(std::string_view a, std::string_view b) {
    return platform::EqualsIgnoreAsciiCase(a, b);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // What the main window and the placement store read at start-up (the other keys they
    // read take the same road).
    gSeen =
        gSeen + StrToIntDef(platform::ReadProfileStringFromText(text, kPlacement, "State", ""), 0);
    if (platform::ReadProfileStringFromText(text, kGeneral, "LastFolder", "", 8).size() > 7)
        Fail("a value is longer than the buffer it was read into", kGeneral, "LastFolder");
    fuzz::WriteWholeFile(SettingsPath(), data, size);
    gSeen = gSeen + static_cast<unsigned>(IniReadInteger(SettingsPath(), kGeneral, "MainSplit", 1));
    const auto before = GeneralValues(text);
    // A key of the first section the file names, or else of a section it lacks.
    std::string section, key;
    FirstSectionAndKey(text, section, key);
    const bool named = !section.empty() && !key.empty();
    std::string written = named ? WriteAndReadBack(section, key) : std::string();
    if (!named || written.empty()) {
        section = key = kAdded;
        written = WriteAndReadBack(section, key);
        if (written.empty())
            Fail("a new section was refused", section, key);
    }
    const auto after = GeneralValues(written);
    for (std::size_t i = 0; i < kGeneralKeys.size(); ++i) {
        if (!(Same(section, kGeneral) && Same(key, kGeneralKeys[i])) && before[i] != after[i])
            Fail("writing one value changed another", kGeneral, kGeneralKeys[i]);
    }
    return 0;
}
