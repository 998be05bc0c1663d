// The commands the tree and the list run on shell items: the default key table both read
// their shortcuts from, the verbs of an item's context menu, and that menu itself.
#pragma once

#include "shell/ItemLists.h"

#include <string>
#include <vector>

class QKeyEvent;
class QPoint;
class QWidget;

enum TFbKeyCommand {
    kcNone,
    kcSelectAll,
    kcDelete,
    kcCopy,
    kcCut,
    kcPaste,
    kcRefresh,
    kcRename,
};

// The command of the default key table a key press stands for; kcNone for any other key.
// Shift+Del deletes as Del does.
TFbKeyCommand DefaultKeyCommand(const QKeyEvent* event);

// Runs `verb` on `items` (relative to `folder`; the folder's own background when empty).
// A failure is shown in a message box, as the desktop's file managers report a failed
// copy or delete themselves; answers whether the verb ran.
bool InvokeShellVerb(const ShellFolderPtr& folder, const std::vector<PCItemIDList>& items,
                     const char* verb);

// The default verb of `items`: the first of their context menu's verbs.
bool InvokeDefaultVerb(const ShellFolderPtr& folder, const std::vector<PCItemIDList>& items);

// Shows the context menu of `items` (or of the folder's background when empty) at
// `globalPos` and runs the verb chosen. Answers the verb run, empty when none was.
std::string PopupShellContextMenu(QWidget* owner, const ShellFolderPtr& folder,
                                  const std::vector<PCItemIDList>& items, const QPoint& globalPos);
