// The file list's filter: the masks of a filter text such as "*.jib;*.zip", and the set of
// a folder's file names they match, looked up by upper-cased name when items are admitted.
// Names match the way the desktop's file search matches them: "*" any run of characters,
// "?" exactly one character, letters A-Z without regard to case.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
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

class TFbMatchSet {
public:
    // Searches `folder` (a path; "/" is added when missing) for the entries that are not
    // folders and match any of `masks`. A folder that cannot be read gives an empty set,
    // which admits no file.
    void Build(const std::string& folder, const std::vector<std::string>& masks);
    void Clear() { FNames.clear(); }

    // `upperName` must be upper-cased (A-Z) already.
    bool Contains(const std::string& upperName) const { return FNames.count(upperName) != 0; }
    std::size_t Count() const { return FNames.size(); }

private:
    std::unordered_set<std::string> FNames;
};
