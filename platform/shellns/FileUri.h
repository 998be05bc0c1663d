// file: URIs and the text/uri-list format (RFC 8089, RFC 2483) that drag and drop and the
// clipboard carry between programs. A path is bytes, so every byte outside the unreserved
// set is percent-encoded, and decoding gives the bytes back: a name that is not UTF-8
// travels unchanged, where a round trip through text would turn its stray bytes into
// U+FFFD.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::shellns {

inline constexpr const char* kUriListMimeType = "text/uri-list";

// "file:///home/ann/caf%E9.jib" for "/home/ann/caf\xE9.jib".
std::string FileUriOf(const std::string& path);

// The absolute path a file: URI names on this machine ("file:///p", "file://localhost/p"
// or "file:/p"); false for other schemes, other hosts, a query or fragment, a malformed
// escape and an escaped zero byte.
bool LocalPathOfFileUri(std::string_view uri, std::string& path);

// A uri-list of `paths`, one URI a line, each ending with CR LF.
std::string UriListOf(const std::vector<std::string>& paths);

// The local paths of a uri-list in its order; comment lines, blank lines and URIs that
// name nothing on this machine are passed over.
std::vector<std::string> LocalPathsOfUriList(std::string_view text);

} // namespace platform::shellns
