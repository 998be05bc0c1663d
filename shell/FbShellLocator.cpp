#include "shell/FbShellLocator.h"

#include "gui/Exceptions.h"
#include "gui/Stream.h"
#include "platform/StrFormat.h"
#include "platform/shellns/SpecialFolders.h"

#include <vector>

namespace sh = platform::shellns;

namespace {

constexpr std::size_t kCountSize = 4;
constexpr int kSpecialNumberMask = 0xFF;

} // namespace

TFbShellLocator::~TFbShellLocator() {
    FreeItemList(FItemList);
}

void TFbShellLocator::Changed() {
    if (OnChange)
        OnChange(this);
}

PCItemIDList TFbShellLocator::ItemList() {
    if (FMode == lmSpecialFolder && FItemList == nullptr) {
        PItemIDList resolved = nullptr;
        if (sh::Succeeded(sh::SHGetSpecialFolderLocation(FSpecialFolder, resolved)))
            FItemList = resolved;
    }
    return FItemList;
}

void TFbShellLocator::SetItemList(PCItemIDList list) {
    const bool wasSpecial = FMode == lmSpecialFolder;
    FMode = lmItemList;
    bool changed;
    if (FItemList != nullptr) {
        const int order = CompareItemLists(FItemList, list);
        changed = wasSpecial || (order != 0 && order != kNotComparable);
    } else {
        changed = wasSpecial || !sh::IsEmptyIdList(list);
    }
    // Copy before freeing: `list` may be the locator's own list (SetItemList(ItemList())).
    PItemIDList copy =
        ItemListSize(list) > static_cast<int>(sh::kTerminatorSize) ? CopyItemList(list) : nullptr;
    FreeItemList(FItemList);
    FItemList = copy;
    FSpecialFolder = kNoSpecialFolder;
    if (changed)
        Changed();
}

std::string TFbShellLocator::FolderPath() {
    return ItemListToPath(ItemList());
}

void TFbShellLocator::SetFolderPath(const std::string& path) {
    PItemIDList parsed = nullptr;
    if (sh::Failed(ParseFolderPath(path, parsed))) {
        SetItemList(nullptr);
        return;
    }
    sh::UniqueIdList owned(parsed);
    SetItemList(parsed);
}

void TFbShellLocator::SetSpecialFolder(int number) {
    number &= kSpecialNumberMask;
    const bool changed = FMode != lmSpecialFolder || FSpecialFolder != number;
    FMode = lmSpecialFolder;
    FSpecialFolder = number;
    // The list of the previous value no longer applies; the next read resolves anew.
    FreeItemList(FItemList);
    FItemList = nullptr;
    if (changed)
        Changed();
}

bool TFbShellLocator::operator==(const TFbShellLocator& other) const {
    if (FMode != other.FMode)
        return false;
    if (FMode == lmSpecialFolder)
        return FSpecialFolder == other.FSpecialFolder;
    return CompareItemLists(FItemList, other.FItemList) == 0;
}

void TFbShellLocator::Assign(const TFbShellLocator* other) {
    if (other == nullptr) {
        const bool hadList = FItemList != nullptr;
        FreeItemList(FItemList);
        FItemList = nullptr;
        FMode = lmItemList;
        FSpecialFolder = kNoSpecialFolder;
        if (hadList)
            Changed();
        return;
    }
    if (other == this || *this == *other)
        return;
    PItemIDList copy = CopyItemList(other->FItemList);
    FreeItemList(FItemList);
    FItemList = copy;
    FMode = other->FMode;
    FSpecialFolder = other->FSpecialFolder;
    Changed();
}

void TFbShellLocator::WritePidl(TStream& stream) const {
    const auto mode = static_cast<std::uint8_t>(FMode);
    stream.WriteBuffer(&mode, 1);
    if (FMode == lmSpecialFolder) {
        const auto number = static_cast<std::uint8_t>(FSpecialFolder);
        stream.WriteBuffer(&number, 1);
        return;
    }
    const auto size = static_cast<std::uint32_t>(ItemListSize(FItemList));
    const std::uint8_t count[kCountSize] = {
        static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
        static_cast<std::uint8_t>(size >> 16), static_cast<std::uint8_t>(size >> 24)};
    stream.WriteBuffer(count, kCountSize);
    if (size != 0)
        stream.WriteBuffer(FItemList, size);
}

void TFbShellLocator::ReadPidl(TStream& stream) {
    std::uint8_t mode = 0;
    stream.ReadBuffer(&mode, 1);
    if (mode == lmSpecialFolder) {
        std::uint8_t number = 0;
        stream.ReadBuffer(&number, 1);
        SetSpecialFolder(number);
        return;
    }
    if (mode != lmItemList)
        throw EReadError(Format("Stored folder: mode %u found, expected 0 (item list) or 1 "
                                "(special folder)",
                                mode));
    std::uint8_t count[kCountSize] = {};
    stream.ReadBuffer(count, kCountSize);
    const std::uint32_t size = count[0] | (count[1] << 8) | (count[2] << 16) |
                               (static_cast<std::uint32_t>(count[3]) << 24);
    if (size == 0) {
        SetSpecialFolder(sh::CSIDL_DESKTOP);
        return;
    }
    if (size > kMaxStoredItemListSize)
        throw EReadError(Format("Stored folder: item list of %u bytes, expected at most %u", size,
                                kMaxStoredItemListSize));
    const std::int64_t left = stream.Size() - stream.Position();
    if (left < static_cast<std::int64_t>(size))
        throw EReadError(Format("Stored folder: item list of %u bytes, but only %lld bytes "
                                "follow",
                                size, static_cast<long long>(left)));
    std::vector<std::uint8_t> bytes(size);
    stream.ReadBuffer(bytes.data(), size);
    if (const std::string problem = sh::ValidateIdListBytes(bytes.data(), size); !problem.empty())
        throw EReadError("Stored folder: " + problem);
    SetItemList(reinterpret_cast<PCItemIDList>(bytes.data()));
}
