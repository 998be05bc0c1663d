// Fuzzes the settings file: JibSettings.ini is text the user may edit and other programs
// may have written, so the reader takes any bytes. The input is the file's text, read and
// changed in memory by the same code the file functions wrap (they add only the file's
// reading and its atomic replacement, which the profile's tests cover). The main window's
// values are read; then a key of the first section the text names is written (of a new
// section when it names none), which must read back as written and leave the main
// window's other values alone; then that key, or that section, is removed, which must
// leave the values of other sections alone.
#include "platform/Profile.h"
#include "platform/StrToInt.h"
#include "platform/TextCase.h"
#include "platform/TextLines.h"

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
constexpr const char* kAdded = "Added";
constexpr const char* kWritten = "written by the harness";

// Where the program's reads go, so they are not optimised away.
volatile std::size_t gSeen = 0;

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
        const std::string_view line = Trim(platform::TakeLine(text));
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

// The values the main window reads, LastFolder into the smallest buffer that shows the
// cut (it must come back cut to 7 bytes).
std::array<std::string, kGeneralKeys.size()> GeneralValues(std::string_view text) {
    std::array<std::string, kGeneralKeys.size()> values;
    for (std::size_t i = 0; i < kGeneralKeys.size(); ++i)
        values[i] = platform::ReadProfileStringFromText(text, kGeneral, kGeneralKeys[i], "-",
                                                        i == 0 ? 8 : 64);
    if (values[0].size() > 7)
        Fail("a value is longer than the buffer it was read into", kGeneral, kGeneralKeys[0]);
    gSeen = gSeen + StrToIntDef(values[1], 1);
    return values;
}

// Writes `key` of `section` into `text`; answers the new text, empty when the name
// cannot be stored.
std::string WriteAndReadBack(std::string_view text, const std::string& section,
                             const std::string& key) {
    const auto written = platform::ProfileTextWithString(text, section, key, kWritten);
    if (!written)
        return {}; // a name that cannot be stored (blanks at its ends, "=", brackets, breaks)
    if (platform::ReadProfileStringFromText(*written, section, key, "-") != kWritten)
        Fail("a value written reads back different", section, key);
    if (!platform::ProfileTextHasSection(*written, section))
        Fail("a section written to does not exist", section, key);
    return *written;
}

bool Same(std::string_view a, std::string_view b) {
    return platform::EqualsIgnoreAsciiCase(a, b);
}

// The main window's values must read as `before` in `text`, except the one named by
// `section` and `key` (when `section` is the main window's).
void CheckOthersKept(const std::array<std::string, kGeneralKeys.size()>& before,
                     std::string_view text, const std::string& section, const std::string& key,
                     const char* what) {
    const auto after = GeneralValues(text);
    for (std::size_t i = 0; i < kGeneralKeys.size(); ++i) {
        if (!(Same(section, kGeneral) && Same(key, kGeneralKeys[i])) && before[i] != after[i])
            Fail(what, kGeneral, kGeneralKeys[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto before = GeneralValues(text);
    // A key of the first section the file names, or else of a section it lacks.
    std::string section, key;
    FirstSectionAndKey(text, section, key);
    const bool named = !section.empty() && !key.empty();
    std::string written = named ? WriteAndReadBack(text, section, key) : std::string();
    if (!named || written.empty()) {
        section = key = kAdded;
        written = WriteAndReadBack(text, section, key);
        if (written.empty())
            Fail("a new section was refused", section, key);
    }
    CheckOthersKept(before, written, section, key, "writing one value changed another");
    // One removal per input, chosen by its length, keeps the harness fast.
    if (size % 2 == 0)
        CheckOthersKept(before, platform::ProfileTextWithoutKey(written, section, key), section,
                        key, "removing one key changed another");
    else if (!Same(section, kGeneral))
        CheckOthersKept(before, platform::ProfileTextWithoutSection(text, section), section, key,
                        "removing one section changed another");
    return 0;
}
