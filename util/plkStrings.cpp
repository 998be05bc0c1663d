#include "util/plkStrings.h"

std::string ExtractFilePath(std::string_view fileName) {
    const auto slash = fileName.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(fileName.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view fileName) {
    const auto slash = fileName.find_last_of('/');
    return std::string(slash == std::string_view::npos ? fileName : fileName.substr(slash + 1));
}

std::string ExtractFileExt(std::string_view fileName) {
    const auto dot = fileName.find_last_of("./");
    if (dot == std::string_view::npos || fileName[dot] != '.')
        return {};
    return std::string(fileName.substr(dot));
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
    std::string out(path);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
    std::string out(path);
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string Trim(std::string_view text) {
    const auto isTrimmed = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isTrimmed(text[first]))
        ++first;
    while (last > first && isTrimmed(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}
