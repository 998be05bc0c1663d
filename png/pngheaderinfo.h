// What a PNG file's header says about its image, read without decoding anything: the
// size, and the bitmap the decoder would make of it. A caller can refuse an image that is
// too large for its purpose before a byte of it is inflated, while the decoder keeps its
// own, far larger, general budget.
#pragma once

#include <cstdint>
#include <string>

namespace png {

struct TPngHeaderInfo {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    unsigned BitDepth = 0;
    unsigned ColorType = 0;
};

// Reads the signature and the header chunk that must follow it, checking the chunk's
// length, type, CRC and the combination of depth and colour type. False when the file
// starts with no such header; loading it then reports what is wrong.
bool ReadPngHeaderInfo(const std::string& fileName, TPngHeaderInfo& info);

std::uint64_t PixelCount(const TPngHeaderInfo& info);
// The bytes of bitmap (rows padded as stored) and alpha plane that decoding allocates.
std::uint64_t DecodedBitmapBytes(const TPngHeaderInfo& info);

} // namespace png
