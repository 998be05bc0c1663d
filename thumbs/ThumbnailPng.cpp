#include "thumbs/ThumbnailPng.h"

#include "gui/Stream.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

namespace thumbs {
namespace {

// Scaled pictures are smooth: predicting each row from the one above (Up) is the cheapest
// filter that pays; the small form lets each row pick the best of three.
constexpr std::uint8_t kFastLevel = 1;
constexpr std::uint8_t kSmallLevel = 6;
const png::TFilters kFastFilters{png::pfUp};
const png::TFilters kSmallFilters{png::pfSub, png::pfUp, png::pfPaeth};

constexpr std::size_t kMaxKeywordLength = 79;

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

} // namespace thumbs
