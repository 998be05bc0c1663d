#include "archive/ZipPaths.h"

#include <sys/stat.h>

namespace zpath {

namespace {

std::size_t NameStart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

std::size_t ExtensionStart(std::string_view path) {
    const auto dot = path.rfind('.');
    return dot == std::string_view::npos || dot < NameStart(path) ? path.size() : dot;
}

} // namespace

std::string FileExtension(std::string_view path) {
    return std::string(path.substr(ExtensionStart(path)));
}

std::string FileStem(std::string_view path) {
    const std::size_t start = NameStart(path);
    return std::string(path.substr(start, ExtensionStart(path) - start));
}

std::string WithoutExtension(std::string_view path) {
    return std::string(path.substr(0, ExtensionStart(path)));
}

std::string FolderOf(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

bool FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace zpath
