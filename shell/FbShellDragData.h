// What a drag out of the folder tree or the file list carries, and what a drop onto them
// reads back: the item-list array (the parent folder's absolute list and the dragged items
// relative to it) in a private format, the items' paths as a file drop (text/uri-list),
// and the copy/move/link effects the items allow, in the shell's and in Qt's terms.
#pragma once

#include "platform/shellns/ItemIdList.h"
#include "shell/ItemLists.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QByteArray>
#include <Qt>

class QMimeData;

// The private format of the item-list array. Only this program writes it; a file manager
// reads the paths from text/uri-list.
inline constexpr char kShellIdListArrayFormat[] = "application/x-jibview-shell-idlist-array";

// Array layout: a 32-bit little-endian count n, then n + 1 32-bit offsets from the start
// of the block (the first to the parent list, then one per item), then the parent's
// absolute list and the n relative items, each with its terminator.
inline constexpr std::size_t kIdArrayCountSize = 4;
inline constexpr std::size_t kIdArrayOffsetSize = 4;

// The effects every item may have when nothing narrower is known.
inline constexpr std::uint32_t kAllDropEffects = 7;

QByteArray BuildIdListArray(PCItemIDList parent, const std::vector<PCItemIDList>& items);

struct TFbIdListArrayContent {
    platform::shellns::UniqueIdList parent;
    std::vector<platform::shellns::UniqueIdList> items;
};
// Reads an array that came from outside: every count, offset and list is checked before
// it is used. Answers an empty text on success, else what was expected and found.
std::string ParseIdListArray(const QByteArray& bytes, TFbIdListArrayContent& content);

// The copy/move/link effects all `items` of `folder` allow; all three when they cannot be
// asked.
std::uint32_t CommonItemEffects(const ShellFolderPtr& folder,
                                const std::vector<PCItemIDList>& items);

// The data of a drag of `items` out of `folder` (whose absolute list is `parentList`):
// the array plus the paths of the items that have one. The caller owns it.
QMimeData* MakeShellDragData(PCItemIDList parentList, const ShellFolderPtr& folder,
                             const std::vector<PCItemIDList>& items);

// What the data lets a drop do: the effects common to the items of its array, all three
// when it has no array, none when its array is damaged.
std::uint32_t EffectsAllowedByData(const QMimeData* data);
// The local files of a drop in the order the source listed them.
std::vector<std::string> DroppedPaths(const QMimeData* data);

Qt::DropActions DropActionsOf(std::uint32_t effects);
// The Qt action of one effect; Qt::IgnoreAction for none.
Qt::DropAction DropActionOf(std::uint32_t effect);
std::uint32_t EffectsOf(Qt::DropActions actions);
// The key state the shell's drop targets read: modifier keys and mouse buttons.
std::uint32_t DragKeyState(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
