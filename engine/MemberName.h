// Member names: decoding stored names to UTF-8, matching them against the caller's specs,
// and turning them into a path that cannot leave the target folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace unz {

// The stored name as UTF-8. Names flagged as UTF-8 are kept; names written by MS-DOS,
// OS/2 and (old-style) Windows hosts are code page 437 and are converted; anything else
// is kept as stored, as Info-ZIP does for Unix hosts.
std::string DecodeMemberName(std::string_view raw, uint16_t flags, uint8_t hostSystem,
                             uint8_t versionMadeBy);

// Whether `name` matches `spec`: "*" matches any run (folder delimiters included), "?"
// one character; "\" and "/" are the same delimiter; A-Z match a-z. Archives for this
// program are made on Windows, where names differ in case only by accident.
bool MatchesSpec(std::string_view spec, std::string_view name);

// A member name as a relative path below the target folder.
struct TSafePath {
    std::vector<std::string> Folders; // each a single safe component
    std::string Leaf;                 // empty for a folder entry
    std::string Display() const;      // "a/b/c" for messages
};

// Splits `name` at "/" and "\", drops a leading drive ("C:") and leading delimiters
// (absolute names become relative, as unzip does) and "." components. Throws TMemberError
// for names with "..", NUL bytes or nothing left, so no name can reach outside the
// target folder.
TSafePath MakeSafePath(std::string_view name);

} // namespace unz
