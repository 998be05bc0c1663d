// zlib as the decoder uses it: an inflate stream that always ends, the bounded inflate of
// compressed text, the deflate of text on writing, and the texts for zlib's result codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include <zlib.h>

namespace png {

// The most bytes a compressed text may inflate to. A text chunk deflates at up to 1:1000,
// so a small file could otherwise ask for hundreds of megabytes; no real caption or
// comment comes near this.
constexpr std::size_t kMaxInflatedText = 4 * 1024 * 1024;

// The text naming a zlib result code in error messages, "data error (-3)" and so on.
std::string ZlibErrorText(int code);

// An inflate stream that is ended on every exit.
class TZInflateStream {
public:
    // Raises EPNGZLIBError when zlib can't start (out of memory, wrong library version).
    TZInflateStream();
    ~TZInflateStream();
    TZInflateStream(const TZInflateStream&) = delete;
    TZInflateStream& operator=(const TZInflateStream&) = delete;

    z_stream& Record() { return FStream; }

private:
    z_stream FStream{};
};

// A deflate stream at a compression level, ended on every exit.
class TZDeflateStream {
public:
    // Raises EPNGZLIBError when zlib can't start (out of memory, a level outside 0 to 9).
    // `strategy` is zlib's (Z_DEFAULT_STRATEGY, Z_RLE, ...).
    explicit TZDeflateStream(int level, int strategy = Z_DEFAULT_STRATEGY);
    ~TZDeflateStream();
    TZDeflateStream(const TZDeflateStream&) = delete;
    TZDeflateStream& operator=(const TZDeflateStream&) = delete;

    z_stream& Record() { return FStream; }

private:
    z_stream FStream{};
};

// Inflates a complete zlib stream. Answers false, with `text` empty, when the data is
// damaged, ends before the stream does, or would inflate beyond `limit` bytes; the
// output is checked as it grows, so the limit also bounds the memory taken.
bool InflateText(const std::uint8_t* data, std::size_t size, std::size_t limit, std::string& text);

// Deflates `size` bytes at `level` into a complete zlib stream; false when zlib fails.
bool DeflateBytes(const void* data, std::size_t size, int level,
                  std::vector<std::uint8_t>& compressed);

} // namespace png
