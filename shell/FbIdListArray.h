// A view of an absolute item list as its items: how deep it is, the list of an ancestor
// and each item on its own. It does not own the list it looks at; it owns the copy it
// answered last, which stays valid until the next Ancestor or ItemAt call.
#pragma once

#include "shell/ItemLists.h"

class TFbIdListArray {
public:
    explicit TFbIdListArray(PCItemIDList source);
    ~TFbIdListArray();
    TFbIdListArray(const TFbIdListArray&) = delete;
    TFbIdListArray& operator=(const TFbIdListArray&) = delete;

    // Items in the list; 0 for an absent list.
    int ItemCount() const { return FCount; }
    // The first ItemCount - n items (n = 1: the parent; n = ItemCount: the desktop's
    // empty list); null when the source is absent.
    PCItemIDList Ancestor(int n);
    // Item i on its own as a one-item list; null when i is outside 0..ItemCount-1.
    PCItemIDList ItemAt(int i);

private:
    PCItemIDList Keep(PItemIDList result);

    PCItemIDList FSource;
    int FCount;
    PItemIDList FLast = nullptr;
};
