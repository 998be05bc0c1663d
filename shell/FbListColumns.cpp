#include "shell/FbListColumns.h"

namespace sh = platform::shellns;

namespace {

struct TFallbackColumn {
    const char* caption;
    Qt::Alignment alignment;
    int width;
};

constexpr TFallbackColumn kFallbackColumns[] = {
    {"Name", Qt::AlignLeft, 200},
    {"Size", Qt::AlignRight, 60},
    {"Type", Qt::AlignLeft, 100},
    {"Modified", Qt::AlignLeft, 120},
};

// More columns than any folder describes: a folder that answers for every index cannot
// make the list ask forever.
constexpr int kMaxProviderColumns = 64;

std::vector<int>& StoredWidths() {
    static std::vector<int> widths;
    return widths;
}

Qt::Alignment AlignmentOf(int fmt) {
    switch (fmt) {
    case sh::LVCFMT_RIGHT:
        return Qt::AlignRight;
    case sh::LVCFMT_CENTER:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

void ApplyStoredWidths(std::vector<TFbListColumn>& columns) {
    const std::vector<int>& widths = StoredWidths();
    for (std::size_t i = 0; i < columns.size() && i < widths.size(); ++i)
        columns[i].width = widths[i];
}

} // namespace

bool TFbColumnWidthStore::Empty() {
    return StoredWidths().empty();
}

const std::vector<int>& TFbColumnWidthStore::Widths() {
    return StoredWidths();
}

void TFbColumnWidthStore::Save(const std::vector<int>& widths) {
    StoredWidths() = widths;
}

TFbColumnLayout BuildColumnLayout(const ShellFolderPtr& folder, bool fileSystemFolder) {
    TFbColumnLayout layout;
    sh::ShellDetails details;
    if (folder && sh::Succeeded(folder->GetDetailsOf(nullptr, 0, details))) {
        layout.fromProvider = true;
        for (int column = 0; column < kMaxProviderColumns; ++column) {
            if (column > 0 && sh::Failed(folder->GetDetailsOf(nullptr, column, details)))
                break;
            layout.columns.push_back(
                {details.text, AlignmentOf(details.fmt), details.cxChar * kPixelsPerColumnChar});
            details = {};
        }
        layout.widthsKeepable = fileSystemFolder;
        if (fileSystemFolder && !TFbColumnWidthStore::Empty())
            ApplyStoredWidths(layout.columns);
        return layout;
    }
    // The registry value that once supplied these widths has no counterpart here: the
    // widths are the built-in ones, or the user's from an earlier folder.
    for (const auto& c : kFallbackColumns)
        layout.columns.push_back({c.caption, c.alignment, c.width});
    layout.widthsKeepable = true;
    if (!TFbColumnWidthStore::Empty())
        ApplyStoredWidths(layout.columns);
    return layout;
}
