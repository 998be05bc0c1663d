#include "app/CommandLine.h"

#include "app/ProgramInfo.h"

namespace {

// `path` made absolute against `base`, resolved lexically: "." goes, ".." takes the
// component before it away (never above "/"). This is the folder the user meant as a
// shell shows it; links are left for the file system to follow.
std::string AbsolutePath(const std::string& path, const std::string& base) {
    const std::string whole = !path.empty() && path.front() == '/' ? path : base + "/" + path;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= whole.size()) {
        std::size_t end = whole.find('/', start);
        if (end == std::string::npos)
            end = whole.size();
        const std::string part = whole.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args,
                              const std::string& currentFolder) {
    TCommandLine line;
    std::vector<std::string> paths;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && (arg == "--help" || arg == "-h"))
            return {TCommandLine::clHelp, "", ""};
        if (options && arg == "--version")
            return {TCommandLine::clVersion, "", ""};
        if (options && arg == "--") {
            options = false;
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            if (line.Error.empty())
                line.Error = "unknown option '" + arg + "'";
        } else {
            paths.push_back(arg);
        }
    }
    if (line.Error.empty() && paths.size() > 1)
        line.Error = "more than one path given ('" + paths[1] + "')";
    if (line.Error.empty() && paths.size() == 1 && paths.front().empty())
        line.Error = "an empty path";
    if (!line.Error.empty()) {
        line.Action = TCommandLine::clUsageError;
        return line;
    }
    if (!paths.empty())
        line.Path = AbsolutePath(paths.front(), currentFolder);
    return line;
}

std::string CommandLineHelp() {
    return std::string("Usage: ") + kProgramCommand +
           " [OPTION] [PATH]\n"
           "Browse folders and see the thumbnails stored in Lumenpix JIB files.\n"
           "\n"
           "PATH is a JIB file, which opens in its folder with its thumbnail shown, or a\n"
           "folder to open. Without PATH the folder open when the viewer last closed\n"
           "opens again.\n"
           "\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Qt's own options, such as -platform, are understood as well.\n";
}

std::string CommandLineVersion() {
    return std::string(kProgramCommand) + " (Quillbrew Free JIB Viewer) " + kProgramVersion + "\n";
}
