#include "app/CommandLine.h"

#include "app/ProgramInfo.h"
#include "platform/shellns/NameText.h"

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
    if (paths.empty())
        return line;
    // Made absolute against the current folder and resolved lexically: "." goes, ".."
    // takes the component before it away. This is the folder the user meant as a shell
    // shows it; links are left for the file system to follow.
    const std::string& path = paths.front();
    if (!platform::shellns::NormalizeAbsolutePath(
            path.front() == '/' ? path : currentFolder + "/" + path, line.Path))
        return {TCommandLine::clUsageError, "", "the path is too long"};
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
