#include "util/plkDragFromShell.h"

#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "platform/shellns/FileUri.h"
#include "util/plkStrings.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace {

// The local files of a drop in the order the source listed them. Addresses that are not
// local files (web links dragged from a browser) are not files to preview. The list is
// decoded to bytes by our own reader: QUrl would hand a name that is not UTF-8 back with
// U+FFFD in place of its stray bytes, naming a file that does not exist.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
    namespace sh = platform::shellns;
    if (data == nullptr || !data->hasFormat(sh::kUriListMimeType))
        return {};
    return sh::LocalPathsOfUriList(data->data(sh::kUriListMimeType).toStdString());
}

// File managers send folders with or without a trailing "/"; without it a folder reads
// like a file whose folder part is its parent, which is how a drop reports folders.
std::string NormalisedPath(const std::string& path) {
    return ExcludeTrailingPathDelimiter(Trim(path));
}

} // namespace

TplkDragFromShell::TplkDragFromShell(QObject* owner) {
    FOwner = qobject_cast<QWidget*>(owner);
    if (FOwner == nullptr)
        throw Exception("The plkDragFromShell's Owner must be a TWinControl decendant!");
    setParent(owner);
    FOwner->setAcceptDrops(true);
    FOwner->installEventFilter(this);
}

TplkDragFromShell::~TplkDragFromShell() {
    // The owner keeps accepting drops; without this filter they reach its own handlers.
    if (FOwner != nullptr)
        FOwner->removeEventFilter(this);
}

bool TplkDragFromShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched != FOwner)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        if (!DroppedFiles(drag->mimeData()).empty()) {
            drag->acceptProposedAction();
            return true;
        }
        return false;
    }
    case QEvent::Drop:
        HandleDrop(static_cast<QDropEvent*>(event));
        return true;
    default:
        return false;
    }
}

void TplkDragFromShell::HandleDrop(QDropEvent* event) {
    const std::vector<std::string> files = DroppedFiles(event->mimeData());
    FFileCount = static_cast<int>(files.size());
    FFiles.clear();
    const QPoint at = event->position().toPoint();
    FDropPoint = TPoint{at.x(), at.y()};
    // The drop is accepted up front: whatever a handler does, the source is told the
    // files were taken, so it never waits on a drop left half done.
    event->acceptProposedAction();
    // A handler may pump events, and a second drop can then be handled inside this one;
    // this loop therefore works on its own copy of the list and count.
    const int total = FFileCount;
    for (int i = 0; i < total; ++i) {
        // A failing file must not cost the user the rest of the drop: its failure is
        // reported like any other escaped exception and the next file follows.
        InvokeHandler(
            [&] { DoDropFile(i + 1, total, NormalisedPath(files[static_cast<std::size_t>(i)])); });
    }
    if (OnShellDragDropDone)
        OnShellDragDropDone(this);
}

void TplkDragFromShell::DoDropFile(int index, int total, const std::string& fullPath) {
    const std::string folder = ExtractFilePath(fullPath);
    const std::string name = ExtractFileName(fullPath);
    FFiles.push_back(fullPath);
    if (FNotifyEachFile && OnShellDragDrop)
        OnShellDragDrop(this, folder, name, fullPath, index, total, FDropPoint);
}
