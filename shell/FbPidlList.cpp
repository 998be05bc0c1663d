#include "shell/FbPidlList.h"

#include "platform/StrFormat.h"

#include <algorithm>
#include <cstring>

namespace sh = platform::shellns;

TFbPidlList::~TFbPidlList() {
    Clear();
}

int TFbPidlList::CompareBytes(PCItemIDList a, PCItemIDList b) {
    const int sizeA = ItemListSize(a);
    const int sizeB = ItemListSize(b);
    const auto* pa = reinterpret_cast<const unsigned char*>(a);
    const auto* pb = reinterpret_cast<const unsigned char*>(b);
    const int common = std::min(sizeA, sizeB);
    for (int i = 0; i < common; ++i) {
        if (pa[i] != pb[i])
            return static_cast<int>(pa[i]) - static_cast<int>(pb[i]);
    }
    return sizeA - sizeB;
}

int TFbPidlList::Compare(PCItemIDList a, PCItemIDList b) const {
    if (FShellFolder) {
        const HResult hr = FShellFolder->CompareIDs(0, a, b);
        // Items the folder does not recognise still need a place in the order.
        if (sh::Succeeded(hr))
            return sh::CompareCode(hr);
    }
    return CompareBytes(a, b);
}

bool TFbPidlList::Find(PCItemIDList list, int& index) const {
    bool found = false;
    int low = 0;
    int high = Count() - 1;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int order = Compare(FEntries[static_cast<std::size_t>(mid)].list, list);
        if (order < 0) {
            low = mid + 1;
        } else {
            high = mid - 1;
            if (order == 0) {
                found = true;
                if (FDuplicates != dupAccept)
                    low = mid;
            }
        }
    }
    index = low;
    return found;
}

int TFbPidlList::IndexOf(PCItemIDList list) const {
    if (FSorted) {
        int index = 0;
        return Find(list, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i) {
        if (Compare(FEntries[static_cast<std::size_t>(i)].list, list) == 0)
            return i;
    }
    return -1;
}

int TFbPidlList::Add(PItemIDList list, void* object) {
    if (!FSorted) {
        FEntries.push_back({list, object});
        return Count() - 1;
    }
    int index = 0;
    if (Find(list, index)) {
        if (FDuplicates == dupIgnore) {
            if (FOwnsItems)
                FreeItemList(list);
            return index;
        }
        if (FDuplicates == dupError) {
            if (FOwnsItems)
                FreeItemList(list);
            throw EFbPidlListError("TFbPidlList: Duplicate PIDL");
        }
    }
    FEntries.insert(FEntries.begin() + index, TEntry{list, object});
    return index;
}

void TFbPidlList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EFbPidlListError(Format("List index out of bounds (%d)", index));
}

void TFbPidlList::Delete(int index) {
    CheckIndex(index);
    if (FOwnsItems)
        FreeItemList(FEntries[static_cast<std::size_t>(index)].list);
    FEntries.erase(FEntries.begin() + index);
}

void TFbPidlList::Clear() {
    if (FOwnsItems) {
        for (const auto& e : FEntries)
            FreeItemList(e.list);
    }
    FEntries.clear();
}

PItemIDList TFbPidlList::Pidls(int index) const {
    CheckIndex(index);
    return FEntries[static_cast<std::size_t>(index)].list;
}

void* TFbPidlList::Objects(int index) const {
    CheckIndex(index);
    return FEntries[static_cast<std::size_t>(index)].object;
}

void TFbPidlList::SetCapacity(int capacity) {
    if (capacity > Count())
        FEntries.reserve(static_cast<std::size_t>(capacity));
}

void TFbPidlList::SetSorted(bool sorted) {
    if (sorted && !FSorted) {
        std::stable_sort(
            FEntries.begin(), FEntries.end(),
            [this](const TEntry& a, const TEntry& b) { return Compare(a.list, b.list) < 0; });
    }
    FSorted = sorted;
}
