// A thumbnail written as a PNG stream by our own writer: 8-bit RGB, or RGBA when some pixel
// is not opaque, with optional text entries (the thumbnail cache records the file's URI and
// time in "Thumb::URI" and "Thumb::MTime").
#pragma once

#include "thumbs/Thumbnail.h"

#include <string>
#include <utility>
#include <vector>

namespace thumbs {

using TPngTexts = std::vector<std::pair<std::string, std::string>>;

enum class TPngEffort {
    // For a file read once, at once: the thumbnailer's output, which file managers decode
    // and store in their own cache. A third smaller than raw pixels at a fraction of the
    // time the small form takes.
    peFast,
    // For files that are kept, such as a thumbnail cache's.
    peSmall,
};

// Keywords are 1 to 79 Latin-1 characters; raises std::invalid_argument otherwise.
std::vector<std::uint8_t> EncodeThumbnailPng(const TRgbaImage& image, const TPngTexts& texts = {},
                                             TPngEffort effort = TPngEffort::peSmall);

} // namespace thumbs
