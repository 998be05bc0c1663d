// A JIB file turned into a thumbnail image: the archive's directory, its preview member
// inflated into memory, decoded with our PNG decoder and scaled to fit a square. Making one
// is a pure function of the file and the request (no global state, no GUI, no message box,
// no temporary file), so any number of threads may make thumbnails at once. A hostile file
// ends in a failure value, never in a crash, a hang or an allocation sized by a lying field.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace thumbs {

// Why no thumbnail was made, for callers to show, log or turn into an exit code.
enum class TThumbnailFailure {
    tfNone,              // a thumbnail was made
    tfNoThumbnail,       // a sound archive without a usable preview (none, or an encrypted one)
    tfUnreadable,        // the file cannot be opened or read
    tfDamagedArchive,    // not a ZIP archive, or its headers or the preview's data are damaged
    tfUnsupportedMethod, // the preview is compressed with a method we cannot inflate
    tfDamagedImage,      // the preview is not a valid PNG image
    tfTooBig,            // the preview or the directory is beyond the budgets
    tfTimedOut,          // the time budget ran out
    tfCancelled,         // the caller no longer wanted it
};

// "the file has no thumbnail", "the archive is damaged", ...: lower case, no full stop.
const char* FailureText(TThumbnailFailure failure);

// Limits checked before anything of that size is allocated or spent.
struct TThumbnailBudgets {
    // The preview member's stored and inflated sizes. Previews are a few hundred KiB.
    std::uint64_t MaxMemberBytes = std::uint64_t{64} << 20;
    // The preview image's pixels: 8192 x 4096, whose decoding takes about 130 MiB.
    std::uint64_t MaxPixels = std::uint64_t{1} << 25;
    // The archive's central directory: a JIB has a handful of members, this is ~40,000.
    std::uint64_t MaxDirectoryBytes = std::uint64_t{4} << 20;
    // Wall-clock time from the call to the thumbnail.
    std::chrono::milliseconds MaxTime{5000};
};

struct TThumbnailRequest {
    // The thumbnail fits in Size x Size pixels (at least 1). A smaller preview keeps its
    // own size: thumbnails are never enlarged.
    int Size = 256;
    TThumbnailBudgets Budgets{};
    // A request that is no longer wanted (the view scrolled on) ends with tfCancelled at
    // the next check, which comes at least every 64 KiB of data or 64 rows of pixels.
    std::stop_token Stop{};
};

// 8-bit red, green, blue and straight (not premultiplied) alpha; rows top-down, unpadded.
struct TRgbaImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;

    bool Empty() const { return Width == 0 || Height == 0; }
    const std::uint8_t* Pixel(int x, int y) const {
        return Pixels.data() + (static_cast<std::size_t>(y) * Width + x) * 4;
    }
};

struct TThumbnail {
    TThumbnailFailure Failure = TThumbnailFailure::tfNone;
    // What the readers found, for a log: "compression method 12 (BZip2) is not supported".
    std::string Detail;
    TRgbaImage Image; // empty unless Ok()
    // The preview's own size, which the thumbnail cache records beside the thumbnail.
    int PreviewWidth = 0;
    int PreviewHeight = 0;
    // The preview's own PNG stream when the thumbnail is exactly its pixels in the form
    // thumbnails are stored in (8-bit RGB or RGBA, not interlaced, no gamma to apply, no
    // larger than asked): writing that again costs a copy instead of a deflate. Else empty.
    std::vector<std::uint8_t> StoredPng;

    bool Ok() const { return Failure == TThumbnailFailure::tfNone; }
};

// The thumbnail of the JIB file at `path` (bytes, as the file system names it).
TThumbnail MakeThumbnail(const std::string& path, const TThumbnailRequest& request);
// The thumbnail of a JIB file already in memory.
TThumbnail MakeThumbnail(std::span<const std::uint8_t> archive, const TThumbnailRequest& request);

} // namespace thumbs
