// The verbs the browser runs on file-system items (open, copy, cut, paste, delete), the
// file clipboard that copy, cut and paste share, and the drop target of a folder.
#pragma once

#include "platform/shellns/ShellFolder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform::shellns {

// What copy or cut left for paste: paths, and whether the paste moves them.
struct FileClipboardContent {
    std::vector<std::string> paths;
    bool cut = false;
};

// Where copy and cut put their paths and paste finds them. The process keeps them itself
// until the GUI installs the desktop clipboard here (gui/FileClipboard).
struct FileClipboard {
    std::function<void(const FileClipboardContent&)> set;
    std::function<FileClipboardContent()> get;
};
void SetFileClipboard(FileClipboard clipboard);
void PutOnFileClipboard(const FileClipboardContent& content);
FileClipboardContent FileClipboardNow();

// Opens a path in its associated application; replaceable so tests launch nothing.
using OpenHandler = std::function<HResult(const std::string& path)>;
void SetOpenHandler(OpenHandler handler);

// The context menu of file-system entries (`paths`), or of a folder's background when
// `paths` is empty (then only "paste", into `folder`).
std::unique_ptr<IContextMenu> MakeFileContextMenu(std::vector<std::string> paths,
                                                  std::string folder);

// The drop target of the file-system folder `folder` (ending with "/").
std::unique_ptr<IDropTarget> MakeFolderDropTarget(std::string folder);
// The drop target that moves what is dropped into the Trash.
std::unique_ptr<IDropTarget> MakeTrashDropTarget();

// The effect a drop of `paths` onto `folder` has with `keyState`, as the desktop's file
// managers choose it: Ctrl copies, Shift moves, Ctrl+Shift or Alt links; without keys a
// drop within one file system moves and across file systems copies. Restricted to
// `allowed`; none when a folder would land inside itself.
std::uint32_t ChooseDropEffect(const std::vector<std::string>& paths, const std::string& folder,
                               std::uint32_t keyState, std::uint32_t allowed);

} // namespace platform::shellns
