// MD5 (RFC 1321), for the one place this program needs it: the freedesktop thumbnail cache
// names each thumbnail after the MD5 of its file's URI, and every program sharing the
// cache must arrive at the same name. Not for anything that needs a secure hash.
#pragma once

#include <string>
#include <string_view>

namespace thumbs {

// The digest of `bytes` as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

} // namespace thumbs
