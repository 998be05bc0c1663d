// Names one folder of the namespace for a control: by item list, by path, or by special
// folder number (resolved when first read). It tells its owner after every change that
// makes it name something else, and stores itself as the "Pidl" property.
#pragma once

#include "shell/ItemLists.h"

#include <functional>
#include <string>

class TStream;

enum TFbLocatorMode { lmItemList = 0, lmSpecialFolder = 1 };

class TFbShellLocator {
public:
    // The largest stored item list accepted: far more than any real folder needs, small
    // enough that a damaged count cannot make a load allocate without bound.
    static constexpr std::uint32_t kMaxStoredItemListSize = 1u << 20;
    // The special-folder number an item list stands for (none of the special folders).
    static constexpr int kNoSpecialFolder = 50;

    TFbShellLocator() = default;
    ~TFbShellLocator();
    TFbShellLocator(const TFbShellLocator&) = delete;
    TFbShellLocator& operator=(const TFbShellLocator&) = delete;

    TFbLocatorMode Mode() const { return FMode; }

    // The list named (null = the desktop). A special folder is resolved on first read
    // and kept. Owned by the locator.
    PCItemIDList ItemList();
    // Names `list` (copied); the desktop for null or the empty list.
    void SetItemList(PCItemIDList list);

    // The file-system path of the folder: the desktop directory's for the desktop, empty
    // for a virtual folder.
    std::string FolderPath();
    // Names the folder at `path`; the desktop when the path cannot be parsed.
    void SetFolderPath(const std::string& path);

    int SpecialFolder() const { return FSpecialFolder; }
    void SetSpecialFolder(int number);

    // Takes mode, number and list from `other`; null clears to the desktop in item-list
    // mode. An equal locator changes nothing.
    void Assign(const TFbShellLocator* other);
    bool operator==(const TFbShellLocator& other) const;
    bool operator!=(const TFbShellLocator& other) const { return !(*this == other); }

    // Whether the "Pidl" property is written at all.
    bool HasStoredPidl() const { return FMode == lmSpecialFolder || FItemList != nullptr; }
    // One mode byte; then the number (special folder) or a 32-bit little-endian byte
    // count and the list's bytes (item list).
    void WritePidl(TStream& stream) const;
    // Reads what WritePidl wrote; a count of 0 names the desktop as special folder 0.
    // Damaged data raises EReadError saying what was expected and leaves the locator as
    // it was.
    void ReadPidl(TStream& stream);

    std::function<void(TFbShellLocator* sender)> OnChange;

private:
    void Changed();

    TFbLocatorMode FMode = lmItemList;
    PItemIDList FItemList = nullptr;
    int FSpecialFolder = kNoSpecialFolder;
};
