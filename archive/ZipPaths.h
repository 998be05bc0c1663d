// Path pieces the volume logic works with: volume names differ from the archive's name
// only in the extension or in the digits just before it.
#pragma once

#include <string>
#include <string_view>

namespace zpath {

// From the last "." of the file name, dot included; empty when there is none.
std::string FileExtension(std::string_view path);
// The file name without folder and extension.
std::string FileStem(std::string_view path);
// The path without the file name's extension.
std::string WithoutExtension(std::string_view path);
// The folder part, up to and including the last "/" (empty when there is none).
std::string FolderOf(std::string_view path);
// True for an existing file that is not a folder (links are followed).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

} // namespace zpath
