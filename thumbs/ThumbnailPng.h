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

// Keywords are 1 to 79 Latin-1 characters; raises std::invalid_argument otherwise.
std::vector<std::uint8_t> EncodeThumbnailPng(const TRgbaImage& image, const TPngTexts& texts = {});

} // namespace thumbs
