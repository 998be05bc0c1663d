#include "png/pngzstream.h"

#include "platform/StrFormat.h"
#include "png/pngmessages.h"

#include <algorithm>
#include <limits>

namespace png {

std::string ZlibErrorText(int code) {
    switch (code) {
    case Z_VERSION_ERROR:
        return "incompatible version (-6)";
    case Z_BUF_ERROR:
        return "buffer error (-5)";
    case Z_MEM_ERROR:
        return "insufficient memory (-4)";
    case Z_DATA_ERROR:
        return "data error (-3)";
    case Z_STREAM_ERROR:
        return "stream error (-2)";
    case Z_ERRNO:
        return "file error (-1)";
    case Z_OK:
        return "(0)";
    case Z_STREAM_END:
        return "stream end (1)";
    case Z_NEED_DICT:
        return "need dictionary (2)";
    default:
        return Format("(%d)", code);
    }
}

TZInflateStream::TZInflateStream() {
    const int result = inflateInit(&FStream);
    if (result != Z_OK)
        throw EPNGZLIBError(PngMessage(EPNGZLIBErrorText) + ZlibErrorText(result));
}

TZInflateStream::~TZInflateStream() {
    inflateEnd(&FStream);
}

TZDeflateStream::TZDeflateStream(int level, int strategy) {
    constexpr int kWindowBits = 15; // zlib's own default, as deflateInit uses
    constexpr int kMemLevel = 8;
    const int result = deflateInit2(&FStream, level, Z_DEFLATED, kWindowBits, kMemLevel, strategy);
    if (result != Z_OK)
        throw EPNGZLIBError(PngMessage(EPNGZLIBErrorText) + ZlibErrorText(result));
}

TZDeflateStream::~TZDeflateStream() {
    deflateEnd(&FStream);
}

bool InflateText(const std::uint8_t* data, std::size_t size, std::size_t limit, std::string& text) {
    text.clear();
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        return false;
    // Small steps, each appended as it comes, so the limit is checked while inflating.
    constexpr std::size_t kStep = 256;
    Bytef out[kStep];
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(std::min<std::size_t>(size, std::numeric_limits<uInt>::max()));
    bool ok = false;
    for (;;) {
        z.next_out = out;
        z.avail_out = kStep;
        const int result = inflate(&z, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END)
            break; // damaged data, a preset dictionary, or input that ends too early
        const std::size_t produced = kStep - z.avail_out;
        if (text.size() + produced > limit)
            break;
        text.append(reinterpret_cast<const char*>(out), produced);
        if (result == Z_STREAM_END) {
            ok = true;
            break;
        }
    }
    inflateEnd(&z);
    if (!ok)
        text.clear();
    return ok;
}

bool DeflateBytes(const void* data, std::size_t size, int level,
                  std::vector<std::uint8_t>& compressed) {
    compressed.clear();
    if (size > std::numeric_limits<uInt>::max())
        return false;
    z_stream z{};
    if (deflateInit(&z, level) != Z_OK)
        return false;
    z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    z.avail_in = static_cast<uInt>(size);
    Bytef out[16 * 1024];
    int result;
    do {
        z.next_out = out;
        z.avail_out = sizeof out;
        result = deflate(&z, Z_FINISH);
        if (result != Z_OK && result != Z_STREAM_END)
            break;
        compressed.insert(compressed.end(), out, out + (sizeof out - z.avail_out));
    } while (result != Z_STREAM_END);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        compressed.clear();
    return result == Z_STREAM_END;
}

} // namespace png
