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

// The "file://" URI of the absolute path `path`, escaped byte for byte as GLib escapes it
// (g_filename_to_uri): the thumbnail cache names a thumbnail after the MD5 of this text,
// so it must match what file managers write to the letter, hex digits in upper case.
std::string FileUriOf(std::string_view path);

} // namespace thumbs
