// The item list: a sequence of items, each an unsigned 16-bit little-endian size that
// counts itself followed by that many bytes less two, ended by a 16-bit zero. The empty
// list (only the terminator) and the absent list (null) both name the desktop. What the
// bytes of an item mean is the business of the folder that made it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform::shellns {

// Opaque: an item list is only ever handled through a pointer to its first byte.
struct ITEMIDLIST {
    std::uint8_t cb[2];
};
using PItemIDList = ITEMIDLIST*;
using PCItemIDList = const ITEMIDLIST*;

inline constexpr std::size_t kItemSizeFieldSize = 2;
inline constexpr std::size_t kTerminatorSize = 2;
// The smallest item that carries anything: its size field and one byte of content.
inline constexpr std::size_t kMinItemSize = kItemSizeFieldSize + 1;

// The size field of the first item (0 at the terminator; 0 for null).
std::uint16_t ItemSize(PCItemIDList list);
// The item after the first one; null for null or at the terminator.
PCItemIDList NextItem(PCItemIDList list);
// The whole list in bytes, terminator included; 0 for null.
std::size_t IdListSize(PCItemIDList list);
// Number of items; 0 for null or the empty list.
int IdListCount(PCItemIDList list);
bool IsEmptyIdList(PCItemIDList list);
// The last item (the terminator itself for the empty list); null for null.
PCItemIDList LastItem(PCItemIDList list);

// Copies taken from the task allocator; null on allocation failure or for null input.
PItemIDList IdListClone(PCItemIDList list);
// The empty list (only a terminator).
PItemIDList IdListEmpty();
// The first `count` items of `list` with a terminator (the empty list for 0).
PItemIDList IdListCloneFirst(PCItemIDList list, int count);
// `parent`'s items followed by `relative`'s, with one terminator. Null parts count as
// empty; null only when allocation fails.
PItemIDList IdListCombine(PCItemIDList parent, PCItemIDList relative);
// A one-item list whose item is `itemSize` bytes, size field included, the rest zeroed;
// null when it does not fit in the size field or memory is short.
PItemIDList IdListNewItem(std::size_t itemSize);
// A one-item list made of `content` behind a size field; null when it does not fit.
PItemIDList IdListFromItemBytes(std::string_view content);
// The bytes of the first item after its size field.
std::string_view ItemContent(PCItemIDList list);

void IdListFree(PCItemIDList list);

struct IdListDeleter {
    void operator()(const ITEMIDLIST* list) const { IdListFree(list); }
};
using UniqueIdList = std::unique_ptr<ITEMIDLIST, IdListDeleter>;

// Checks bytes that came from outside this process (a stored locator, a drop) before
// anything walks them: every item at least kMinItemSize and inside the block, and the
// terminator exactly at the end of `size`. Answers an empty text when the bytes form one
// item list, else what was expected and what was found.
std::string ValidateIdListBytes(const void* data, std::size_t size);

} // namespace platform::shellns
