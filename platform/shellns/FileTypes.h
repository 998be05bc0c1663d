// What kind of document a file is, judged from its name the way the desktop's file
// managers do at a glance: the icon-theme name of its icon and the type text of the
// list's "Type" column.
#pragma once

#include <string>
#include <string_view>

namespace platform::shellns {

struct FileType {
    std::string iconName; // freedesktop icon name, e.g. "application-zip"
    std::string typeName; // e.g. "ZIP Archive"; "<EXT> File" or "File" when unknown
};

// The type of a regular file named `name`; `executable` when its mode lets someone run it.
FileType FileTypeOf(std::string_view name, bool executable);

// The extension of `name` without the dot, lower-cased ASCII; empty when it has none
// (a leading dot alone does not make an extension: ".bashrc").
std::string LowerExtension(std::string_view name);

} // namespace platform::shellns
