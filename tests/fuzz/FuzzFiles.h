// What the harnesses share when the code under test wants files rather than bytes: a
// scratch folder on a memory file system and a memory file with a name. A harness runs
// millions of inputs, so nothing here touches a disk file system per input (a file made
// and removed on ext4 costs a journal entry and more than the parse itself) and nothing
// process-wide is rebuilt per input. No Qt and none of the program's libraries, so the
// engine's harnesses (zlib only) use it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace fuzz {

// A private folder for the whole run, ending with "/": under /dev/shm where that is a
// writable folder (tmpfs on every Linux desktop), else under the temporary folder.
// Removed with everything in it when the process ends; the folder of a run that crashed
// goes when the next one starts.
const std::string& ScratchFolder();

// Replaces the file at `path` with `size` bytes at `data`; aborts when it cannot, as a
// harness that cannot set up its input would measure nothing.
void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Points HOME and the XDG folders into the scratch folder, so harnesses that reach the
// shell namespace neither read nor change the home of whoever runs them. Once per run.
void SandboxHome();

// The folder the engine's harnesses extract into, three levels below the scratch folder,
// so that a name climbing out of it ("../", "../../x") still lands where CheckContained()
// looks. The scratch folder must hold nothing else.
//
// Most inputs write nothing, and walking the scratch tree after each of them took a third
// of the system calls of a run. So the folders are watched (inotify) instead: an entry
// made, moved or removed in any folder on the way to the target is caught as it happens,
// even when it is gone again by the end of the run, and the target is walked only when
// something was made in it.
class TTargetFolder {
public:
    TTargetFolder();
    ~TTargetFolder();
    TTargetFolder(const TTargetFolder&) = delete;
    TTargetFolder& operator=(const TTargetFolder&) = delete;

    const std::string& Path() const { return FPath; }
    // Removes what a run wrote.
    void Empty();
    // Aborts when anything was made, moved or removed in the scratch folder outside the
    // target since the last look, or when a symbolic link exists inside the target: the
    // two promises an extraction keeps for any archive.
    void CheckContained();
    // Whether the target holds anything.
    bool HoldsAnything();

private:
    // Reads the events so far; aborts on a change outside the target.
    void Collect();
    const std::string& WatchedFolder(int wd) const;

    std::string FPath;
    std::vector<std::pair<int, std::string>> FWatched; // watch, folder; the target first
    int FWatch = -1;                                   // the inotify descriptor
    int FTargetWd = -1;                                // its watch of the target folder
    bool FTouched = false; // something was made in the target since it was last empty
    bool FLost = false;    // the event queue overflowed: only a walk can tell
};

// A file that lives in memory (memfd_create) and has a name code can open: Path() is
// "/proc/self/fd/<n>", opened afresh by every open() of it. Assign() replaces the content.
class TMemoryFile {
public:
    explicit TMemoryFile(const char* name);
    ~TMemoryFile();
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    void Assign(const std::uint8_t* data, std::size_t size);
    const std::string& Path() const { return FPath; }

private:
    int FFd = -1;
    std::string FPath;
};

} // namespace fuzz
