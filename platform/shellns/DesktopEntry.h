// Desktop entry files (".desktop", the freedesktop.org Desktop Entry format) as the file
// list meets them in a folder. Any program or download may have written one, so the reader
// takes any bytes and only ever answers texts.
#pragma once

#include <string>
#include <string_view>

namespace platform::shellns {

// The value of `key` in the "[Desktop Entry]" group, with the blanks around "=" dropped;
// empty when the group or the key is missing. Keys compare exactly, as the format says.
std::string DesktopEntryValue(std::string_view text, std::string_view key);

// Where a link file (Type=Link) points when that is on this machine: its URL when it is a
// "file:" address or an absolute path; empty for any other file or address.
std::string DesktopLinkTarget(std::string_view text);

} // namespace platform::shellns
