// Reading text files line by line, whatever system wrote them.
#pragma once

#include <algorithm>
#include <string_view>

namespace platform {

// Takes the first line off `text` and answers it without its line end: the line feed and
// every carriage return before it, so CR LF files (and lines a Windows editor left with
// one return too many) read the same as LF files.
inline std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    while (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

} // namespace platform
