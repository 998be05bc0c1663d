// A thumbnail written as a PNG stream by our own writer: 8-bit RGB, or RGBA when some pixel
// is not opaque, with optional text entries (the thumbnail cache records the file's URI and
// time in "Thumb::URI" and "Thumb::MTime").
#pragma once

#include "thumbs/Thumbnail.h"

#include <span>
#include <string>
#include <utility>
#include <vector>

namespace thumbs {

using TPngTexts = std::vector<std::pair<std::string, std::string>>;

enum class TPngEffort {
    // For a file written while someone waits: the thumbnailer's output, which file managers
    // decode and store in their own cache, and the viewer's thumbnail cache filled while a
    // folder is shown. A third smaller than raw pixels at a fraction of the time the small
    // form takes.
    peFast,
    // For files that are kept and written at leisure.
    peSmall,
};

// Keywords are 1 to 79 Latin-1 characters; raises std::invalid_argument otherwise.
std::vector<std::uint8_t> EncodeThumbnailPng(const TRgbaImage& image, const TPngTexts& texts = {},
                                             TPngEffort effort = TPngEffort::peSmall);

// `png` again with `texts` as tEXt chunks right after its header, keeping only its header,
// image data and end: a preview that already is its thumbnail (TThumbnail::StoredPng) is
// stored without deflating its pixels a second time. Empty when `png` is not exactly a
// header, any ancillary chunks, image data and an end, each with its CRC right; a palette
// or transparency chunk refuses too, since dropping either would change the pixels.
// Keywords as for EncodeThumbnailPng.
std::vector<std::uint8_t> RetagPng(std::span<const std::uint8_t> png, const TPngTexts& texts);

// The thumbnail as a PNG stream with `texts`: its preview's own stream when it has one that
// RetagPng takes, else its pixels encoded in the fast form.
std::vector<std::uint8_t> ThumbnailPngOf(const TThumbnail& thumbnail, const TPngTexts& texts);

// The tEXt and zTXt entries of a PNG stream, in file order, read without decoding the image:
// a cache checks which file a thumbnail stands for before it spends time on its pixels.
// Answers false when `png` does not start as a PNG stream; chunks after a damaged one are
// not read. A zTXt text that cannot be inflated (or past 64 KiB) is left out.
bool ReadPngTexts(std::span<const std::uint8_t> png, TPngTexts& texts);

} // namespace thumbs
