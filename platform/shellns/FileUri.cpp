#include "platform/shellns/FileUri.h"

#include "platform/TextCase.h"
#include "platform/shellns/Trash.h"

#include <algorithm>

namespace platform::shellns {
namespace {

constexpr std::string_view kFileScheme = "file:";
constexpr std::string_view kLocalHost = "localhost";

} // namespace

std::string FileUriOf(const std::string& path) {
    return "file://" + PercentEncodePath(path);
}

bool LocalPathOfFileUri(std::string_view uri, std::string& path) {
    path.clear();
    if (uri.size() < kFileScheme.size() ||
        !EqualsIgnoreAsciiCase(uri.substr(0, kFileScheme.size()), kFileScheme))
        return false;
    std::string_view rest = uri.substr(kFileScheme.size());
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !EqualsIgnoreAsciiCase(host, kLocalHost))
            return false;
        rest.remove_prefix(slash);
    }
    // A writer that follows the format escapes "?" and "#" in names.
    if (!rest.starts_with('/') || rest.find_first_of("?#") != std::string_view::npos)
        return false;
    return PercentDecode(std::string(rest), path);
}

std::string UriListOf(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths)
        list += FileUriOf(path) + "\r\n";
    return list;
}

std::vector<std::string> LocalPathsOfUriList(std::string_view text) {
    std::vector<std::string> paths;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        std::string path;
        if (!line.empty() && line.front() != '#' && LocalPathOfFileUri(line, path))
            paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace platform::shellns
