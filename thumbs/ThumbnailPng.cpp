#include "thumbs/ThumbnailPng.h"

#include "gui/Stream.h"
#include "png/pngchunk.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngzstream.h"

#include <algorithm>
#include <cstring>
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
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kChunkCrcBytes = 4;
constexpr std::uint8_t kDeflateMethod = 0;
// A cache's texts are URIs and numbers; nothing of interest inflates beyond this.
constexpr std::size_t kMaxReadText = 64 * 1024;

struct TChunkView {
    std::string_view Type;
    std::span<const std::uint8_t> Data;
    // The chunk as it stands in the stream: length, type, data and CRC.
    std::span<const std::uint8_t> Whole;

    bool CrcRight() const {
        const std::uint32_t crc =
            png::UpdateCrc(png::kCrcStart, Whole.data() + 4, 4 + Data.size()) ^ png::kCrcStart;
        return crc == png::ReadBigEndian32(Data.data() + Data.size());
    }
};

enum class TWalk { wNotPng, wCut, wStopped, wEnded };

// Hands `visit` each chunk of `png` in order, the end chunk included, while it answers
// true. wCut when a length runs past the stream or no end chunk comes.
template <class TVisit> TWalk WalkChunks(std::span<const std::uint8_t> png, TVisit visit) {
    if (png.size() < sizeof png::kPngSignature ||
        !std::equal(std::begin(png::kPngSignature), std::end(png::kPngSignature), png.begin()))
        return TWalk::wNotPng;
    std::size_t at = sizeof png::kPngSignature;
    while (png.size() - at >= kChunkHeaderBytes + kChunkCrcBytes) {
        const std::uint32_t length = png::ReadBigEndian32(png.data() + at);
        const std::size_t dataAt = at + kChunkHeaderBytes;
        if (length > png.size() - dataAt - kChunkCrcBytes)
            return TWalk::wCut;
        const TChunkView chunk{
            std::string_view(reinterpret_cast<const char*>(png.data()) + at + 4, 4),
            png.subspan(dataAt, length),
            png.subspan(at, kChunkHeaderBytes + length + kChunkCrcBytes)};
        if (!visit(chunk))
            return TWalk::wStopped;
        if (chunk.Type == "IEND")
            return TWalk::wEnded;
        at = dataAt + length + kChunkCrcBytes;
    }
    return TWalk::wCut;
}

void CheckKeywords(const TPngTexts& texts) {
    for (const auto& [keyword, text] : texts)
        if (keyword.empty() || keyword.size() > kMaxKeywordLength ||
            keyword.find('\0') != std::string::npos)
            throw std::invalid_argument("a PNG text keyword has 1 to 79 characters, no NUL");
}

void AppendChunk(std::vector<std::uint8_t>& out, std::string_view type, std::string_view data) {
    const std::size_t at = out.size();
    out.resize(at + kChunkHeaderBytes + data.size() + kChunkCrcBytes);
    std::uint8_t* p = out.data() + at;
    png::WriteBigEndian32(p, static_cast<std::uint32_t>(data.size()));
    std::memcpy(p + 4, type.data(), 4);
    std::memcpy(p + kChunkHeaderBytes, data.data(), data.size());
    const std::uint32_t crc = png::UpdateCrc(png::kCrcStart, p + 4, 4 + data.size());
    png::WriteBigEndian32(p + kChunkHeaderBytes + data.size(), crc ^ png::kCrcStart);
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
    CheckKeywords(texts);
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

std::vector<std::uint8_t> RetagPng(std::span<const std::uint8_t> png, const TPngTexts& texts) {
    CheckKeywords(texts);
    std::vector<std::uint8_t> out(std::begin(png::kPngSignature), std::end(png::kPngSignature));
    out.reserve(png.size() + 1024);
    bool header = false, data = false, dataEnded = false;
    const TWalk walk = WalkChunks(png, [&](const TChunkView& chunk) {
        if (!chunk.CrcRight())
            return false;
        if (!header) {
            // The header first, then the texts, so a reader finds them before the pixels.
            if (chunk.Type != "IHDR")
                return false;
            header = true;
            out.insert(out.end(), chunk.Whole.begin(), chunk.Whole.end());
            for (const auto& [keyword, text] : texts) {
                std::string entry = keyword;
                entry.push_back('\0');
                entry.append(text);
                AppendChunk(out, "tEXt", entry);
            }
            return true;
        }
        if (chunk.Type == "IDAT") {
            if (dataEnded)
                return false; // image data must be one run of chunks
            data = true;
            out.insert(out.end(), chunk.Whole.begin(), chunk.Whole.end());
            return true;
        }
        dataEnded = data;
        if (chunk.Type == "IEND") {
            out.insert(out.end(), chunk.Whole.begin(), chunk.Whole.end());
            return data;
        }
        const png::TChunkType type = png::MakeChunkType(chunk.Type);
        return !png::IsCriticalChunk(type) && chunk.Type != "tRNS";
    });
    if (walk != TWalk::wEnded)
        return {};
    return out;
}

std::vector<std::uint8_t> ThumbnailPngOf(const TThumbnail& thumbnail, const TPngTexts& texts) {
    if (!thumbnail.StoredPng.empty())
        if (std::vector<std::uint8_t> png = RetagPng(thumbnail.StoredPng, texts); !png.empty())
            return png;
    return EncodeThumbnailPng(thumbnail.Image, texts, TPngEffort::peFast);
}

bool ReadPngTexts(std::span<const std::uint8_t> png, TPngTexts& texts) {
    texts.clear();
    // Chunks after a damaged length are not read; what came before still counts.
    return WalkChunks(png, [&texts](const TChunkView& chunk) {
               if (chunk.Type == "IEND")
                   return false;
               const std::string_view data(reinterpret_cast<const char*>(chunk.Data.data()),
                                           chunk.Data.size());
               const std::size_t nul = data.find('\0');
               if ((chunk.Type != "tEXt" && chunk.Type != "zTXt") ||
                   nul == std::string_view::npos || nul == 0)
                   return true;
               std::string keyword(data.substr(0, nul));
               if (chunk.Type == "tEXt") {
                   texts.emplace_back(std::move(keyword), std::string(data.substr(nul + 1)));
               } else if (nul + 1 < data.size() &&
                          static_cast<std::uint8_t>(data[nul + 1]) == kDeflateMethod) {
                   std::string text;
                   const std::uint8_t* compressed = chunk.Data.data() + nul + 2;
                   if (png::InflateText(compressed, data.size() - nul - 2, kMaxReadText, text))
                       texts.emplace_back(std::move(keyword), std::move(text));
               }
               return true;
           }) != TWalk::wNotPng;
}

} // namespace thumbs
