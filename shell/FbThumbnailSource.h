// Where a file list in icon view gets the pictures of its files: a source that makes them
// somewhere else (off the GUI thread) and keeps those it has in memory. The list names each
// file by its path and by the size and time it was listed with, so a file that changes on
// disk is a new key and gets a new picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QImage>

struct TFbThumbnailKey {
    std::string Path;
    std::int64_t MTimeSec = 0;
    std::uint32_t MTimeNsec = 0;
    std::uint64_t Size = 0;
    friend bool operator==(const TFbThumbnailKey&, const TFbThumbnailKey&) = default;
};

class TFbThumbnailSource {
public:
    enum class TState {
        tsPending, // not in memory yet; asked for once the list shows it
        tsImage,   // here it is
        tsNone,    // the file has no picture: the list shows its icon
    };

    virtual ~TFbThumbnailSource() = default;

    // Starts over for a folder shown with pictures of `size` pixels: what was asked for
    // before is dropped, and `all` (the folder's files, in the list's order) are prepared
    // in the background once the files shown are done.
    virtual void Begin(int size, std::vector<TFbThumbnailKey> all) = 0;
    // The same folder's files after a refresh added or removed some.
    virtual void Update(std::vector<TFbThumbnailKey> all) = 0;
    // Nothing is wanted any more (the list left icon view or is being refilled).
    virtual void Cancel() = 0;
    // While painting: the picture of `key` if it is in memory.
    virtual TState Thumbnail(const TFbThumbnailKey& key, QImage& image) = 0;
    // The files on screen now, top left to bottom right: those without a picture yet are
    // made before anything else.
    virtual void Show(const std::vector<TFbThumbnailKey>& shown) = 0;

    // Raised on the GUI thread when the picture of the file at `path` has arrived.
    std::function<void(const std::string& path)> OnArrived;
};
