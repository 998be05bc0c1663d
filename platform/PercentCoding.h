// Percent-encoding of bytes (RFC 3986), as file: URIs, trash: names and .trashinfo records
// carry paths. A path is bytes: encoding works byte by byte and decoding gives bytes back,
// so a name that is not UTF-8 survives the round trip unchanged. Which bytes stay as they
// are differs between writers (the cache of thumbnails must match GLib's choice to the
// letter), so the caller names them.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `bytes` with every byte that `keep` refuses written as "%XX", hex digits in upper case.
std::string PercentEncode(std::string_view bytes, bool (*keep)(unsigned char));

// `text` with every "%XX" escape (hex digits in either case) replaced by its byte. False
// for a malformed escape, for one that names a byte of `refused` (a NUL, or a "/" that
// would split a name in two) and for a zero byte as it stands.
bool PercentDecode(std::string_view text, std::string& out, std::string_view refused);

} // namespace platform
