#include "platform/shellns/ItemIdList.h"

#include "platform/StrFormat.h"
#include "platform/shellns/TaskAllocator.h"

#include <cstring>
#include <limits>

namespace platform::shellns {
namespace {

const std::uint8_t* Bytes(PCItemIDList list) {
    return reinterpret_cast<const std::uint8_t*>(list);
}

std::uint16_t ReadSize(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void WriteSize(std::uint8_t* p, std::size_t size) {
    p[0] = static_cast<std::uint8_t>(size & 0xFF);
    p[1] = static_cast<std::uint8_t>((size >> 8) & 0xFF);
}

// Bytes of the items alone, without the terminator.
std::size_t ItemsSize(PCItemIDList list) {
    const std::size_t size = IdListSize(list);
    return size == 0 ? 0 : size - kTerminatorSize;
}

PItemIDList Allocate(std::size_t size) {
    return static_cast<PItemIDList>(TaskAlloc(size));
}

} // namespace

std::uint16_t ItemSize(PCItemIDList list) {
    return list == nullptr ? 0 : ReadSize(Bytes(list));
}

PCItemIDList NextItem(PCItemIDList list) {
    const std::uint16_t size = ItemSize(list);
    if (size == 0)
        return nullptr;
    return reinterpret_cast<PCItemIDList>(Bytes(list) + size);
}

std::size_t IdListSize(PCItemIDList list) {
    if (list == nullptr)
        return 0;
    std::size_t total = kTerminatorSize;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p))
        total += ItemSize(p);
    return total;
}

int IdListCount(PCItemIDList list) {
    int count = 0;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p))
        ++count;
    return count;
}

bool IsEmptyIdList(PCItemIDList list) {
    return list == nullptr || ItemSize(list) == 0;
}

PCItemIDList LastItem(PCItemIDList list) {
    if (list == nullptr)
        return nullptr;
    PCItemIDList last = list;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p))
        last = p;
    return last;
}

PItemIDList IdListClone(PCItemIDList list) {
    if (list == nullptr)
        return nullptr;
    const std::size_t size = IdListSize(list);
    PItemIDList copy = Allocate(size);
    if (copy != nullptr)
        std::memcpy(copy, list, size);
    return copy;
}

PItemIDList IdListEmpty() {
    PItemIDList list = Allocate(kTerminatorSize);
    if (list != nullptr)
        WriteSize(reinterpret_cast<std::uint8_t*>(list), 0);
    return list;
}

PItemIDList IdListCloneFirst(PCItemIDList list, int count) {
    std::size_t size = 0;
    PCItemIDList p = list;
    for (int i = 0; i < count && ItemSize(p) != 0; ++i, p = NextItem(p))
        size += ItemSize(p);
    PItemIDList copy = Allocate(size + kTerminatorSize);
    if (copy == nullptr)
        return nullptr;
    auto* out = reinterpret_cast<std::uint8_t*>(copy);
    if (size != 0)
        std::memcpy(out, list, size);
    WriteSize(out + size, 0);
    return copy;
}

PItemIDList IdListCombine(PCItemIDList parent, PCItemIDList relative) {
    const std::size_t head = ItemsSize(parent);
    const std::size_t tail = ItemsSize(relative);
    PItemIDList list = Allocate(head + tail + kTerminatorSize);
    if (list == nullptr)
        return nullptr;
    auto* out = reinterpret_cast<std::uint8_t*>(list);
    if (head != 0)
        std::memcpy(out, parent, head);
    if (tail != 0)
        std::memcpy(out + head, relative, tail);
    WriteSize(out + head + tail, 0);
    return list;
}

PItemIDList IdListNewItem(std::size_t itemSize) {
    if (itemSize < kMinItemSize || itemSize > std::numeric_limits<std::uint16_t>::max())
        return nullptr;
    PItemIDList list = Allocate(itemSize + kTerminatorSize);
    if (list == nullptr)
        return nullptr;
    auto* out = reinterpret_cast<std::uint8_t*>(list);
    std::memset(out, 0, itemSize + kTerminatorSize);
    WriteSize(out, itemSize);
    return list;
}

PItemIDList IdListFromItemBytes(std::string_view content) {
    PItemIDList list = IdListNewItem(kItemSizeFieldSize + content.size());
    if (list != nullptr)
        std::memcpy(reinterpret_cast<std::uint8_t*>(list) + kItemSizeFieldSize, content.data(),
                    content.size());
    return list;
}

std::string_view ItemContent(PCItemIDList list) {
    const std::uint16_t size = ItemSize(list);
    if (size < kItemSizeFieldSize)
        return {};
    return {reinterpret_cast<const char*>(Bytes(list)) + kItemSizeFieldSize,
            static_cast<std::size_t>(size - kItemSizeFieldSize)};
}

void IdListFree(PCItemIDList list) {
    TaskFree(const_cast<ITEMIDLIST*>(list));
}

std::string ValidateIdListBytes(const void* data, std::size_t size) {
    if (data == nullptr || size < kTerminatorSize)
        return Format("item list of %zu bytes: expected at least the 2-byte terminator", size);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t offset = 0;
    for (;;) {
        if (size - offset < kItemSizeFieldSize)
            return Format("item list of %zu bytes: expected a size field at offset %zu, found "
                          "the end of the data",
                          size, offset);
        const std::uint16_t itemSize = ReadSize(bytes + offset);
        if (itemSize == 0) {
            if (offset + kTerminatorSize != size)
                return Format("item list of %zu bytes: terminator found at offset %zu, "
                              "expected it at offset %zu",
                              size, offset, size - kTerminatorSize);
            return {};
        }
        if (itemSize < kMinItemSize)
            return Format("item list: item at offset %zu has size %u, expected at least %zu",
                          offset, itemSize, kMinItemSize);
        if (itemSize > size - offset - kItemSizeFieldSize)
            return Format("item list of %zu bytes: item at offset %zu has size %u, which "
                          "leaves no room for the terminator",
                          size, offset, itemSize);
        offset += itemSize;
    }
}

} // namespace platform::shellns
