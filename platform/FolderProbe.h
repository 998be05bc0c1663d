// Asking whether a folder exists without waiting for ever.
//
// A network volume whose server is gone never answers a `stat` of anything on it, and the
// thread that asked waits with it. Where the GUI thread needs the answer (the folder
// remembered from the last run, looked at before the window is shown), it asks through
// here: the look-up runs on a detached thread of its own, and the caller waits only as
// long as it is willing to. The thread ends whenever the volume answers, or never; it
// holds nothing of the caller's.
#pragma once

#include <chrono>
#include <string>

namespace platform {

enum class FolderProbe {
    Folder,    // the path names a folder (or a link to one)
    NotFolder, // it does not exist, cannot be reached, or is something else
    NoAnswer,  // the file system did not answer in time
};

FolderProbe ProbeFolder(const std::string& path, std::chrono::milliseconds patience);

} // namespace platform
