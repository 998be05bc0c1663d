// The freedesktop thumbnail cache, shared with file managers: thumbnails of at most 128
// pixels in "normal", 256 in "large" (512 and 1024 in "x-large" and "xx-large"), each a PNG
// named after the MD5 of its file's URI that records the URI, the file's time of last change
// and its size in tEXt chunks; a file no thumbnail can be made of is recorded under
// "fail/<program>-<version>", so it is not tried again until it changes.
//
// The cache lies in the user's home, but a home may be shared or its cache folder set
// to somewhere others can write: nothing below the cache's root is read or written through
// a symbolic link, and no folder or file owned by another user is trusted. Files are 0600
// in 0700 folders (thumbnails show what private files look like) and are written whole
// under a temporary name, so another program never reads half of one. Every call opens
// what it needs afresh and keeps nothing, so any number of threads may share one cache.
#pragma once

#include "thumbs/Thumbnail.h"

#include <cstdint>
#include <string>

namespace thumbs {

// What the cache knows of a file besides its name. A thumbnail stays good while both are
// as it recorded them.
struct TFileStamp {
    std::int64_t MTime = 0; // the time of last change, whole seconds since the epoch
    std::uint64_t Size = 0; // bytes
    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The stamp of the regular file at `path` (links followed, as a reader opens it); false when
// it cannot be examined or is not a regular file.
bool StampOf(const std::string& path, TFileStamp& stamp);

enum class TCacheState {
    csMissing,   // nothing usable: none, another file's, out of date, damaged or not trusted
    csThumbnail, // a thumbnail for this very file
    csFailed,    // this program found no thumbnail in this very file before
};

class TThumbnailCache {
public:
    // `root` is the cache's folder (DefaultRoot() for the user's); failures go to
    // fail/<program>-<version>/, and "<program> <version>" is the Software entry.
    TThumbnailCache(std::string root, std::string program, std::string version);

    // $XDG_CACHE_HOME/thumbnails, or ~/.cache/thumbnails when that variable is unset or not
    // an absolute path; empty when neither is known.
    static std::string DefaultRoot();
    // The folder for thumbnails that fit `size` x `size`; null past the largest.
    static const char* FolderFor(int size);
    // The cache's file name for a file: the MD5 of its URI in hexadecimal, and ".png".
    static std::string FileNameOf(const std::string& uri);

    const std::string& Root() const { return FRoot; }
    // fail/<program>-<version>, relative to the root.
    const std::string& FailFolder() const { return FFailFolder; }

    // What the cache holds for the file at `path` as of `stamp`, for thumbnails of `size`.
    // With `image` the thumbnail is decoded into it (and csThumbnail needs it to decode);
    // without, only its texts are read. Creates nothing.
    TCacheState Find(const std::string& path, const TFileStamp& stamp, int size,
                     TRgbaImage* image) const;
    // Records `thumbnail` (made at `size`) of the file at `path` as of `stamp`, creating
    // the folders as needed. Answers whether it was written.
    bool Store(const std::string& path, const TFileStamp& stamp, int size,
               const TThumbnail& thumbnail) const;
    // Records that no thumbnail could be made of the file as of `stamp`.
    bool StoreFailure(const std::string& path, const TFileStamp& stamp) const;

    // Whether `failure` says something about the file itself, so that it is worth recording
    // (rather than about this moment: time, memory, a cancel or a refused read).
    static bool Permanent(TThumbnailFailure failure);

private:
    TCacheState Lookup(const std::string& folder, const std::string& uri, const TFileStamp& stamp,
                       int size, TRgbaImage* image) const;
    bool Write(const std::string& folder, const std::string& uri, const TFileStamp& stamp,
               const TThumbnail& thumbnail) const;

    std::string FRoot;
    std::string FFailFolder;
    std::string FSoftware;
};

} // namespace thumbs
