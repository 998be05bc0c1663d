// Fuzzes the thumbnail library as file managers drive it: the input is a whole JIB file,
// handed over in memory, so nothing outside the call is made again for each input. Beside
// the sanitizers' own checks it asserts what callers rely on: a thumbnail fits the size
// asked for and holds its pixels, a failure carries a reason and no image, and whatever
// was made can be written as a PNG.
#include "thumbs/Thumbnail.h"
#include "thumbs/ThumbnailPng.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Small budgets keep every input quick; the limits themselves are what is exercised.
thumbs::TThumbnailRequest Request() {
    thumbs::TThumbnailRequest request;
    request.Size = 48;
    request.Budgets.MaxMemberBytes = 1 << 20;
    request.Budgets.MaxPixels = 1 << 18;
    request.Budgets.MaxDirectoryBytes = 1 << 16;
    request.Budgets.MaxTime = std::chrono::seconds(10);
    return request;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const thumbs::TThumbnailRequest request = Request();
    const thumbs::TThumbnail t = thumbs::MakeThumbnail(std::span(data, size), request);
    if (!t.Ok()) {
        if (!t.Image.Empty() || t.Detail.empty())
            std::abort();
        return 0;
    }
    const thumbs::TRgbaImage& image = t.Image;
    if (image.Width < 1 || image.Height < 1 || image.Width > request.Size ||
        image.Height > request.Size || image.Width > t.PreviewWidth ||
        image.Height > t.PreviewHeight ||
        image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height * 4)
        std::abort();
    if (thumbs::EncodeThumbnailPng(image).empty())
        std::abort();
    return 0;
}
