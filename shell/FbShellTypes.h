// What the folder tree and the file list share: their option sets, the event types both
// raise, the numbers of the events they post to themselves and the exception they raise
// when the namespace fails in a way the user must hear about.
#pragma once

#include "gui/Exceptions.h"
#include "shell/ItemLists.h"

#include <cstdint>
#include <functional>

#include <QEvent>
#include <QFlags>

class QObject;

enum TFbShellTreeOption : unsigned {
    stoAutoFill = 1u << 0,
    stoVirtualFolders = 1u << 1,
    stoDesignInteractive = 1u << 2,
    stoDefaultKeyHandling = 1u << 3,
    stoContextMenus = 1u << 4,
    stoDynamicRefresh = 1u << 5,
    stoIncludeNonFolders = 1u << 6,
    stoOleDrag = 1u << 7,
    stoOleDrop = 1u << 8,
    stoShowHidden = 1u << 9,
};
Q_DECLARE_FLAGS(TFbShellTreeOptions, TFbShellTreeOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFbShellTreeOptions)

inline constexpr TFbShellTreeOptions kDefaultShellTreeOptions =
    TFbShellTreeOptions(stoAutoFill | stoVirtualFolders | stoDefaultKeyHandling | stoContextMenus |
                        stoDynamicRefresh | stoOleDrag | stoOleDrop | stoShowHidden);

enum TFbShellListOption : unsigned {
    sloAutoFill = 1u << 0,
    sloNonFilesystemAncestors = 1u << 1,
    sloDesignInteractive = 1u << 2,
    sloDefaultKeyHandling = 1u << 3,
    sloContextMenus = 1u << 4,
    sloDontChangeFolder = 1u << 5,
    sloDontGoBelowBase = 1u << 6,
    sloDynamicRefresh = 1u << 7,
    sloHideFoldersWhenLinkedToTree = 1u << 8,
    sloOleDrag = 1u << 9,
    sloOleDrop = 1u << 10,
    sloFolderContextMenu = 1u << 11,
    sloShowHidden = 1u << 12,
};
Q_DECLARE_FLAGS(TFbShellListOptions, TFbShellListOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFbShellListOptions)

inline constexpr TFbShellListOptions kDefaultShellListOptions = TFbShellListOptions(
    sloAutoFill | sloNonFilesystemAncestors | sloDefaultKeyHandling | sloContextMenus |
    sloDynamicRefresh | sloOleDrag | sloOleDrop | sloFolderContextMenu | sloShowHidden);

// Offered every item before it is shown; clearing AllowAdd (which arrives true) keeps it out.
using TFbShAddItemEvent = std::function<void(
    QObject* Sender, const ShellFolderPtr& ParentIShf, PCItemIDList ParentAbsIdList,
    PCItemIDList ItemRelIdList, std::uint32_t Attribs, bool& AllowAdd)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;

// The events the controls post to themselves, numbered as the messages they stand for.
// A change watcher posts kChangeNotifyEvent with the watch's slot index; the deferred fill
// runs once the control is on screen and the event loop turns.
inline constexpr QEvent::Type kChangeNotifyEvent = static_cast<QEvent::Type>(1125);
inline constexpr QEvent::Type kDeferredFillEvent = static_cast<QEvent::Type>(1127);

class TFbChangeNotifyEvent : public QEvent {
public:
    explicit TFbChangeNotifyEvent(int slot, QEvent::Type type = kChangeNotifyEvent)
        : QEvent(type), FSlot(slot) {}
    int Slot() const { return FSlot; }

private:
    int FSlot;
};

// A failure of the namespace the user is told about; its message is the system's text for
// the code.
class EFbShellError : public Exception {
public:
    explicit EFbShellError(HResult code);
    HResult Code() const { return FCode; }

private:
    HResult FCode;
};

// Raises EFbShellError for a failed code; successes pass.
void CheckShell(HResult code);
