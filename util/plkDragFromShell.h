// Accepts files dragged from the desktop (a file manager, the desktop itself) onto its
// owner widget and reports each one, then the end of the drop. Drops onto child widgets
// that take drops themselves never reach it.
#pragma once

#include "platform/Geometry.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

class QDropEvent;

class TplkDragFromShell : public QObject {
    Q_OBJECT
public:
    using TShellDragEvent = std::function<void(
        TplkDragFromShell* Sender, const std::string& Folder, const std::string& Filename,
        const std::string& FullFileName, int FileIndex, int FilesTotal, TPoint& DropPoint)>;
    using TNotifyEvent = std::function<void(TplkDragFromShell* Sender)>;

    // `owner` must be a widget: it is the window that receives the drops. Raises
    // Exception otherwise.
    explicit TplkDragFromShell(QObject* owner);
    ~TplkDragFromShell() override;

    bool NotifyEachFile() const { return FNotifyEachFile; }
    void SetNotifyEachFile(bool value) { FNotifyEachFile = value; }

    // One call per dropped file, numbered from 1, while the drop is being handled.
    TShellDragEvent OnShellDragDrop;
    // Once after every file of a drop has been reported.
    TNotifyEvent OnShellDragDropDone;

    // The latest drop: its full paths in drop order, their number and where it landed
    // (in the owner's coordinates).
    const std::vector<std::string>& Files() const { return FFiles; }
    int FileCount() const { return FFileCount; }
    TPoint DropPoint() const { return FDropPoint; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HandleDrop(QDropEvent* event);
    void DoDropFile(int index, int total, const std::string& fullPath);

    QWidget* FOwner = nullptr;
    bool FNotifyEachFile = true;
    std::vector<std::string> FFiles;
    int FFileCount = 0;
    TPoint FDropPoint;
};
