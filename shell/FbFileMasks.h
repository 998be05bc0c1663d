// The file list's filter: the masks of a filter text such as "*.jib;*.zip" and the names
// they match, the way the desktop's file search matches them: "*" any run of characters,
// "?" exactly one character, letters A-Z without regard to case. There are no short names
// to match besides.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The masks of `filter`, split at ";", empty pieces dropped, in order.
std::vector<std::string> SplitFileFilter(std::string_view filter);

// Whether `name` matches `mask`. "*.*" is the all-files mask, as it has always been on
// the desktop, and so also matches names without a dot.
bool MatchesFileMask(std::string_view name, std::string_view mask);

// The name part of a path: what follows its last "/".
std::string_view FileNamePart(std::string_view path);

// Whether a filter text filters at all: not empty and not the all-files text "*" or "*.*".
bool FilterSelects(std::string_view filter);

// Whether `name` matches any of `masks`.
bool MatchesAnyMask(std::string_view name, const std::vector<std::string>& masks);
