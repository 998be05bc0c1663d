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

namespace fuzz {

// A private folder for the whole run, ending with "/": under /dev/shm where that is a
// writable folder (tmpfs on every Linux desktop), else under the temporary folder.
// Removed with everything in it when the process ends; the folder of a run that crashed
// goes when the next one starts.
const std::string& ScratchFolder();

// Removes what `folder` holds, not the folder itself.
void EmptyFolder(const std::string& folder);

// Replaces the file at `path` with `size` bytes at `data`; aborts when it cannot, as a
// harness that cannot set up its input would measure nothing.
void WriteWholeFile(const std::string& path, const std::uint8_t* data, std::size_t size);

// Points HOME and the XDG folders into the scratch folder, so harnesses that reach the
// shell namespace neither read nor change the home of whoever runs them. Once per run.
void SandboxHome();

// The folder the engine's harnesses extract into, three levels below the scratch folder,
// so that a name climbing out of it ("../", "../../x") still lands where CheckContained()
// looks. The scratch folder must hold nothing else.
class TTargetFolder {
public:
    TTargetFolder();
    const std::string& Path() const { return FPath; }
    // Removes what a run wrote.
    void Empty() const { EmptyFolder(FPath); }
    // Aborts when anything exists in the scratch folder outside the target, or when a
    // symbolic link exists inside it: the two promises an extraction keeps for any archive.
    void CheckContained() const;

private:
    std::string FPath;
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
