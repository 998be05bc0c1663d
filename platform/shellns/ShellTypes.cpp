#include "platform/shellns/ShellTypes.h"

#include "platform/shellns/TaskAllocator.h"

#include <cstring>

namespace platform::shellns {

bool SetStrRet(StrRet& out, const std::string& text) {
    auto* copy = static_cast<char*>(TaskAlloc(text.size() + 1));
    if (copy == nullptr)
        return false;
    std::memcpy(copy, text.c_str(), text.size() + 1);
    out.uType = StrRet::kAllocated;
    out.pOleStr = copy;
    return true;
}

bool StrRetToString(StrRet& ret, PCItemIDList item, std::string& text) {
    switch (ret.uType) {
    case StrRet::kAllocated:
        if (ret.pOleStr == nullptr)
            return false;
        text = ret.pOleStr;
        TaskFree(ret.pOleStr);
        ret.pOleStr = nullptr;
        return true;
    case StrRet::kOffset: {
        // The name must end inside the item it was asked for; a folder that answers
        // otherwise is not believed.
        const std::size_t size = ItemSize(item);
        if (ret.uOffset < kItemSizeFieldSize || ret.uOffset >= size)
            return false;
        const char* start = reinterpret_cast<const char*>(item) + ret.uOffset;
        const void* end = std::memchr(start, 0, size - ret.uOffset);
        if (end == nullptr)
            return false;
        text.assign(start, static_cast<const char*>(end));
        return true;
    }
    case StrRet::kInline: {
        const void* end = std::memchr(ret.cStr, 0, kStrRetInlineSize);
        const std::size_t length =
            end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - ret.cStr)
                           : kStrRetInlineSize;
        text.assign(ret.cStr, length);
        return true;
    }
    }
    return false;
}

} // namespace platform::shellns
