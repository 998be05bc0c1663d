// The program's command line: "jibview [PATH]", plus --help and --version.
#pragma once

#include <string>
#include <vector>

struct TCommandLine {
    enum TAction { clRun, clHelp, clVersion, clUsageError };
    TAction Action = clRun;
    // The file or folder to open: absolute, "." and ".." taken out, no trailing "/"
    // (except for "/" itself); empty when none was given. Bytes as given: a file name
    // need not be valid UTF-8.
    std::string Path;
    // What was wrong, for clUsageError ("unknown option '-x'").
    std::string Error;
};

// Reads the arguments that follow the program's name. A relative path is taken from
// `currentFolder`. --help (-h) and --version answer whatever else is there, so they work
// before the GUI exists, beside options meant for Qt (which the GUI takes out later).
// "--" ends the options.
TCommandLine ParseCommandLine(const std::vector<std::string>& args,
                              const std::string& currentFolder);

// What --help and --version print, each ending with a line end.
std::string CommandLineHelp();
std::string CommandLineVersion();
