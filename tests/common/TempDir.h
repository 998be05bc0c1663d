// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing "/".
    const std::string& Path() const { return FPath; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const { return FPath + "/" + name; }
    // Writes `content` to File(name), creating folders on the way; answers the path.
    std::string Write(const std::string& name, const std::string& content) const;
    // Creates the folder File(name) with its parents; answers the path.
    std::string MakeDir(const std::string& name) const;

private:
    std::string FPath;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFileText(const std::string& path);
bool FileExists(const std::string& path);
