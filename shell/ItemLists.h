// The item-list functions: the only code above the namespace layer that talks to it
// directly. The folder tree and the file list copy, split, join, compare and translate
// item lists through these.
#pragma once

#include "platform/shellns/ItemIdList.h"
#include "platform/shellns/ShellFolder.h"

#include <climits>
#include <string>

class TSystemImageList;

using platform::shellns::HResult;
using platform::shellns::PCItemIDList;
using platform::shellns::PItemIDList;
using platform::shellns::ShellFolderPtr;

// CompareItemLists' answer for lists that cannot be compared; it never means equal.
inline constexpr int kNotComparable = INT_MAX;

// Display-name kinds: normal, in-folder, for parsing (a file-system item's full path),
// in-folder for editing.
enum TDisplayNameKind { dnkNormal = 0, dnkInFolder = 1, dnkForParsing = 2, dnkForEditing = 3 };

// The sum of the item sizes plus the 2-byte terminator; 0 for an absent list.
int ItemListSize(PCItemIDList list);
// A copy, terminator included (2 bytes for the desktop); null for an absent list.
PItemIDList CopyItemList(PCItemIDList list);
// The parent's items, then the relative items, one terminator.
PItemIDList ConcatItemLists(PCItemIDList parent, PCItemIDList relative);
// Gives an item list back to the task allocator; null is ignored.
void FreeItemList(PCItemIDList list);

// 0 when both name the same entry. Both absent or both empty: 0; exactly one absent, or
// exactly one empty: -1; otherwise the desktop folder's order by name, or kNotComparable.
int CompareItemLists(PCItemIDList a, PCItemIDList b);

// Parses a path (or file: URI) into an absolute list. On failure `list` is null and the
// namespace's code is returned.
HResult ParseFolderPath(const std::string& path, PItemIDList& list);
// The file-system path of a list (a folder's ends with "/"); the desktop directory's for
// an absent or empty list; empty for virtual entries.
std::string ItemListToPath(PCItemIDList list);
// The path of special folder `number`; empty when it has none.
std::string SpecialFolderPath(int number);

// The desktop for an absent or empty list, else the folder the list names.
HResult BindToFolder(PCItemIDList list, ShellFolderPtr& folder);
// The folder holding the list's last item, the list without that item (null when it is
// the desktop) and a copy of the item; the caller owns both lists. For the desktop itself
// the desktop directory's path is parsed and its parent and last item are answered.
HResult GetParentFolder(PCItemIDList list, ShellFolderPtr& parent, PItemIDList& parentList,
                        PItemIDList& lastItem);

// The name of `item` (relative to `folder`) of the given kind; empty on failure.
std::string DisplayNameOf(const ShellFolderPtr& folder, PCItemIDList item, int kind);
// The in-folder name of the list's last item.
std::string FolderDisplayName(PCItemIDList list);
// The first special folder (0 to 50) whose list equals `list`; 50 when none does.
int SpecialFolderOf(PCItemIDList list);

// The entry's icon in the system image lists (the open-folder variant when `open`); 0 on
// any failure.
int SystemIconIndex(PCItemIDList list, bool open);
// The process-wide list of small (16x16) or large (32x32) icons; shared, never owned.
TSystemImageList* SystemImageList(bool small);

// `text` + `ch`, unless `text` is empty or already ends with `ch`.
std::string AppendPathDelimiter(const std::string& text, char ch);
