// Path and string helpers. Paths are UTF-8 with "/" as the only delimiter; a folder path
// handed between units ends with "/".
#pragma once

#include <string>
#include <string_view>

// Everything up to and including the last "/" (empty when there is none).
std::string ExtractFilePath(std::string_view fileName);
// Everything after the last "/".
std::string ExtractFileName(std::string_view fileName);
// From the last "." after the last "/", dot included; empty when there is none.
std::string ExtractFileExt(std::string_view fileName);
// The path with exactly one "/" at its end added when missing (empty stays empty).
std::string IncludeTrailingPathDelimiter(std::string_view path);
// The path without "/" at its end, except for the root "/" itself.
std::string ExcludeTrailingPathDelimiter(std::string_view path);
// Without leading and trailing blanks and control characters (bytes up to and
// including the space).
std::string Trim(std::string_view text);
