// Writing members below the target folder without ever following a link the folder may
// already hold: folders are opened one component at a time with O_NOFOLLOW, and a file is
// written under a temporary name and renamed into place only once its data has passed
// every check, so a member that fails leaves nothing behind and an existing file (or a
// link in its place) is replaced, never written through.
#pragma once

#include "engine/MemberData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace unz {

// An open directory descriptor, closed with the object.
class TDirHandle {
public:
    TDirHandle() = default;
    explicit TDirHandle(int fd) : FFd(fd) {}
    ~TDirHandle();
    TDirHandle(TDirHandle&& other) noexcept : FFd(other.FFd) { other.FFd = -1; }
    TDirHandle& operator=(TDirHandle&& other) noexcept;
    TDirHandle(const TDirHandle&) = delete;
    TDirHandle& operator=(const TDirHandle&) = delete;
    int Fd() const { return FFd; }

private:
    int FFd = -1;
};

// The target folder given by the caller (a link there is the caller's own choice and is
// followed; nothing below it is).
TDirHandle OpenTargetFolder(const std::string& path);

// Opens the folder chain `folders` below `base`, creating missing folders when `create`;
// without `create` a missing folder gives a handle whose Fd() is -1. Throws TMemberError
// when a component is a link or not a folder.
TDirHandle OpenSubfolder(const TDirHandle& base, const std::vector<std::string>& folders,
                         bool create);

struct TExistingEntry {
    bool Exists = false;
    bool IsFolder = false;
    int64_t Mtime = 0; // seconds since 1970, UTC
};

// What `name` in `folder` is now, without following a link.
TExistingEntry ProbeEntry(const TDirHandle& folder, const std::string& name);

// A member's output under a temporary name in `folder`; removed unless committed.
class TOutputFile : public TDataSink {
public:
    TOutputFile(const TDirHandle& folder, std::string name);
    ~TOutputFile() override;
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    void Write(const uint8_t* data, size_t length) override;
    // Gives the file its modification time and moves it to its final name, replacing
    // whatever entry had that name (a link is replaced, not followed).
    void Commit(std::optional<int64_t> mtime);

private:
    int FFolder;
    std::string FName;
    std::string FTempName;
    int FFd = -1;
};

} // namespace unz
