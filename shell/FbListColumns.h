// The columns of the file list: taken from the folder's own column details when it
// describes them, else Name, Size, Type and Modified; and the process-wide store that
// keeps the user's column widths from one folder to the next.
#pragma once

#include "shell/FbListVw.h"
#include "shell/ItemLists.h"

#include <vector>

// The widths of the columns last shown, shared by all file lists of the process.
class TFbColumnWidthStore {
public:
    static bool Empty();
    static const std::vector<int>& Widths();
    static void Save(const std::vector<int>& widths);
};

struct TFbColumnLayout {
    std::vector<TFbListColumn> columns;
    // The folder describes its own columns (its details answer the texts).
    bool fromProvider = false;
    // The widths a user gives these columns are worth keeping for the next folder.
    bool widthsKeepable = false;
};

// The pixels a column is given per character of the width a folder asks for.
inline constexpr int kPixelsPerColumnChar = 7;

// The columns for `folder`; `fileSystemFolder` when it has a file-system path.
TFbColumnLayout BuildColumnLayout(const ShellFolderPtr& folder, bool fileSystemFolder);
