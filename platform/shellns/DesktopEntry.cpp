#include "platform/shellns/DesktopEntry.h"

#include "platform/TextLines.h"

namespace platform::shellns {
namespace {

constexpr std::string_view kEntryGroup = "[Desktop Entry]";
constexpr std::string_view kFileScheme = "file:";

std::string_view DropLeadingBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

} // namespace

std::string DesktopEntryValue(std::string_view text, std::string_view key) {
    bool inEntry = false;
    while (!text.empty()) {
        const std::string_view line = TakeLine(text);
        if (!line.empty() && line.front() == '[') {
            inEntry = line == kEntryGroup;
            continue;
        }
        if (!inEntry || line.size() <= key.size() || line.substr(0, key.size()) != key)
            continue;
        std::string_view rest = DropLeadingBlanks(line.substr(key.size()));
        if (rest.empty() || rest.front() != '=')
            continue;
        return std::string(DropLeadingBlanks(rest.substr(1)));
    }
    return {};
}

std::string DesktopLinkTarget(std::string_view text) {
    if (DesktopEntryValue(text, "Type") != "Link")
        return {};
    std::string url = DesktopEntryValue(text, "URL");
    if (url.rfind(kFileScheme, 0) != 0 && url.rfind('/', 0) != 0)
        return {};
    return url;
}

} // namespace platform::shellns
