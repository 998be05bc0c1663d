// An ordered collection of (item list, object) entries with a sorted binary search, used
// to merge what a folder holds now with what a control shows. Item lists are held by
// reference; with OwnsItems the collection frees them.
#pragma once

#include "gui/Exceptions.h"
#include "shell/ItemLists.h"

#include <vector>

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Raised by a sorted TFbPidlList whose Duplicates rule is dupError.
class EFbPidlListError : public Exception {
public:
    using Exception::Exception;
};

class TFbPidlList {
public:
    TFbPidlList() = default;
    ~TFbPidlList();
    TFbPidlList(const TFbPidlList&) = delete;
    TFbPidlList& operator=(const TFbPidlList&) = delete;

    // Appends (unsorted) or inserts at its place (sorted) and answers the entry's index.
    // A duplicate in a sorted list: dupIgnore answers the existing index without adding,
    // dupError raises "TFbPidlList: Duplicate PIDL" and leaves the list unchanged,
    // dupAccept inserts it beside its equals. With OwnsItems the list always takes
    // `list` over: one that is not added is freed at once rather than leaked.
    int Add(PItemIDList list, void* object = nullptr);
    // The index of an entry comparing equal to `list`, or -1.
    int IndexOf(PCItemIDList list) const;
    // Sorted lookup: true when found; `index` is where `list` is or would be inserted.
    bool Find(PCItemIDList list, int& index) const;

    void Delete(int index);
    void Clear();

    PItemIDList Pidls(int index) const;
    void* Objects(int index) const;
    int Count() const { return static_cast<int>(FEntries.size()); }
    int Capacity() const { return static_cast<int>(FEntries.capacity()); }
    void SetCapacity(int capacity);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool sorted);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }
    const ShellFolderPtr& ShellFolder() const { return FShellFolder; }
    void SetShellFolder(ShellFolderPtr folder) { FShellFolder = std::move(folder); }
    bool OwnsItems() const { return FOwnsItems; }
    void SetOwnsItems(bool owns) { FOwnsItems = owns; }

    // Byte-wise order: the first differing byte of the two lists decides, else the sizes.
    static int CompareBytes(PCItemIDList a, PCItemIDList b);

private:
    struct TEntry {
        PItemIDList list;
        void* object;
    };
    int Compare(PCItemIDList a, PCItemIDList b) const;
    void CheckIndex(int index) const;

    std::vector<TEntry> FEntries;
    bool FSorted = false;
    TDuplicates FDuplicates = dupError;
    ShellFolderPtr FShellFolder;
    bool FOwnsItems = false;
};
