#include "shell/FbIdListArray.h"

#include <algorithm>

namespace sh = platform::shellns;

TFbIdListArray::TFbIdListArray(PCItemIDList source)
    : FSource(source), FCount(sh::IdListCount(source)) {
}

TFbIdListArray::~TFbIdListArray() {
    FreeItemList(FLast);
}

PCItemIDList TFbIdListArray::Keep(PItemIDList result) {
    FreeItemList(FLast);
    FLast = result;
    return FLast;
}

PCItemIDList TFbIdListArray::Ancestor(int n) {
    if (FSource == nullptr)
        return Keep(nullptr);
    const int keep = std::clamp(FCount - n, 0, FCount);
    return Keep(sh::IdListCloneFirst(FSource, keep));
}

PCItemIDList TFbIdListArray::ItemAt(int i) {
    if (FSource == nullptr || i < 0 || i >= FCount)
        return Keep(nullptr);
    PCItemIDList item = FSource;
    for (int k = 0; k < i; ++k)
        item = sh::NextItem(item);
    return Keep(sh::IdListCloneFirst(item, 1));
}
