// Fuzzes the text reader the thumbnail cache checks its files with before it decodes any
// pixels: the input is a whole PNG stream. Beside the sanitizers' own checks it asserts what
// the cache relies on: only a stream with the PNG signature is read, and every keyword
// read has 1 to 79 bytes and no NUL.
#include "thumbs/ThumbnailPng.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    thumbs::TPngTexts texts;
    const bool read = thumbs::ReadPngTexts(std::span(data, size), texts);
    if (!read && !texts.empty())
        std::abort();
    for (const auto& [keyword, text] : texts)
        if (keyword.empty() || keyword.find('\0') != std::string::npos)
            std::abort();
    return 0;
}
