#include "thumbs/ThumbnailPng.h"

#include "gui/Stream.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngzstream.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace thumbs {
namespace {

// Scaled pictures are smooth: predicting each row from the one above (Up) is the cheapest
// filter that pays, and runs are what its rows repeat; the small form lets each row pick
// the best of three and deflate search at length.
constexpr std::uint8_t kFastLevel = 1;
constexpr std::uint8_t kSmallLevel = 6;
const png::TFilters kFastFilters{png::pfUp};
const png::TFilters kSmallFilters{png::pfSub, png::pfUp, png::pfPaeth};

constexpr std::size_t kMaxKeywordLength = 79;

// The stream's layout: the signature, then chunks of a 4-byte big-endian length, a 4-byte
// type, the data and a 4-byte CRC.
constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kChunkCrcBytes = 4;
constexpr std::uint8_t kDeflateMethod = 0;
// A cache's texts are URIs and numbers; nothing of interest inflates beyond this.
constexpr std::size_t kMaxReadText = 64 * 1024;

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

bool Opaque(const TRgbaImage& image) {
    for (std::size_t i = 3; i < image.Pixels.size(); i += 4)
        if (image.Pixels[i] != 255)
            return false;
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodeThumbnailPng(const TRgbaImage& image, const TPngTexts& texts,
                                             TPngEffort effort) {
    for (const auto& [keyword, text] : texts)
        if (keyword.empty() || keyword.size() > kMaxKeywordLength ||
            keyword.find('\0') != std::string::npos)
            throw std::invalid_argument("a PNG text keyword has 1 to 79 characters, no NUL");
    TPngGraphic png;
    const bool fast = effort == TPngEffort::peFast;
    png.SetCompressionLevel(fast ? kFastLevel : kSmallLevel);
    png.SetFilters(fast ? kFastFilters : kSmallFilters);
    png.SetCompressionStrategy(fast ? png::dsRunLength : png::dsDefault);
    TPNGList& chunks = png.Chunks();
    auto header = std::make_unique<TChunkIHDR>(png);
    TChunkIHDR& ihdr = *header;
    chunks.Add(std::move(header));
    for (const auto& [keyword, text] : texts) {
        auto chunk = std::make_unique<TChunktEXt>(png);
        chunk->Keyword = keyword;
        chunk->Text = text;
        chunks.Add(std::move(chunk));
    }
    chunks.Add(std::make_unique<TChunkIDAT>(png));
    chunks.Add(std::make_unique<TChunkIEND>(png));

    const bool opaque = Opaque(image);
    TIHDRData& r = ihdr.IHDRData();
    r.Width = static_cast<std::uint32_t>(image.Width);
    r.Height = static_cast<std::uint32_t>(image.Height);
    r.BitDepth = 8;
    r.ColorType = opaque ? png::COLOR_RGB : png::COLOR_RGBALPHA;
    ihdr.PrepareImageData();
    // The bitmap holds blue, green, red; the alpha plane the fourth samples.
    for (int y = 0; y < image.Height; ++y) {
        const std::uint8_t* in = image.Pixel(0, y);
        std::uint8_t* bits = ihdr.ImageRow(y);
        std::uint8_t* alpha = ihdr.AlphaRow(y);
        for (int x = 0; x < image.Width; ++x, in += 4, bits += 3) {
            bits[0] = in[2];
            bits[1] = in[1];
            bits[2] = in[0];
            if (alpha)
                alpha[x] = in[3];
        }
    }
    TMemoryStream stream;
    png.SaveToStream(stream);
    return stream.Bytes();
}

bool ReadPngTexts(std::span<const std::uint8_t> png, TPngTexts& texts) {
    texts.clear();
    if (png.size() < sizeof kSignature ||
        !std::equal(std::begin(kSignature), std::end(kSignature), png.begin()))
        return false;
    std::size_t at = sizeof kSignature;
    while (png.size() - at >= kChunkHeaderBytes + kChunkCrcBytes) {
        const std::uint32_t length = BigEndian32(png.data() + at);
        const std::string_view type(reinterpret_cast<const char*>(png.data()) + at + 4, 4);
        const std::size_t dataAt = at + kChunkHeaderBytes;
        if (length > png.size() - dataAt - kChunkCrcBytes)
            break; // a length the stream does not hold
        const std::string_view data(reinterpret_cast<const char*>(png.data()) + dataAt, length);
        if (type == "IEND")
            break;
        const std::size_t nul = data.find('\0');
        if ((type == "tEXt" || type == "zTXt") && nul != std::string_view::npos && nul > 0) {
            std::string keyword(data.substr(0, nul));
            if (type == "tEXt") {
                texts.emplace_back(std::move(keyword), std::string(data.substr(nul + 1)));
            } else if (nul + 1 < data.size() &&
                       static_cast<std::uint8_t>(data[nul + 1]) == kDeflateMethod) {
                std::string text;
                const auto* compressed =
                    reinterpret_cast<const std::uint8_t*>(data.data()) + nul + 2;
                if (png::InflateText(compressed, data.size() - nul - 2, kMaxReadText, text))
                    texts.emplace_back(std::move(keyword), std::move(text));
            }
        }
        at = dataAt + length + kChunkCrcBytes;
    }
    return true;
}

} // namespace thumbs
