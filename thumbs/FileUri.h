// File managers name the file to thumbnail by URI ("file:///home/a/My%20Art.jib"). The path
// is bytes, as the file system names it: percent escapes decode to bytes, never to text,
// so names that are not UTF-8 arrive unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace thumbs {

// The local path that `input` names: a "file:" URI decoded, anything else taken as a path
// as it stands. Empty, with `error` set, for URIs of other schemes or hosts and for
// escapes that are malformed or name NUL or "/" (which no path component can hold).
std::optional<std::string> LocalPathOf(std::string_view input, std::string& error);

} // namespace thumbs
