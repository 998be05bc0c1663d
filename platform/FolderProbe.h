// Asking the file system about a folder without waiting for ever.
//
// A network volume whose server is gone never answers a `stat` or `open` of anything on
// it, and the thread that asked waits with it. Where the GUI thread needs the answer (the
// folder remembered from the last run, looked at before the window is shown; a folder on a
// network volume about to be listed), it asks through here: the request runs on a
// detached thread of its own, and the caller waits only as long as it is willing to. The
// thread ends whenever the volume answers, or never; it holds nothing of the caller's.
// Until it ends, a request about the same folder or one below it gets no answer at once.
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

// open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC): the descriptor, or -1 with errno set;
// ETIMEDOUT when the file system did not answer in time (a descriptor that arrives later is
// closed by the thread that got it).
int OpenFolderWithin(const std::string& path, std::chrono::milliseconds patience);

} // namespace platform
