// The chunks around the image data: transparency, gamma, time and text.
#include "gui/Stream.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"
#include "png/pngzstream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kMaxTransparencyValues = 256;
constexpr std::uint32_t kGreySampleSize = 2;
constexpr std::uint32_t kRgbSamplesSize = 6;
constexpr std::uint32_t kGammaSize = 4;
constexpr std::uint32_t kTimeSize = 7;
constexpr std::uint32_t kMinTextSize = 3;
constexpr std::uint32_t kMinCompressedTextSize = 4;
constexpr std::uint8_t kDeflateMethod = 0;

// The 8-bit value the decoder stores for a sample of `bitDepth` bits: low depths scaled up
// to the full range (as the grey ramp shows them), 16-bit samples cut to their high byte.
std::uint8_t SampleTo8Bits(std::uint16_t sample, unsigned bitDepth) {
    switch (bitDepth) {
    case 1:
        return (sample & 0x1) * 255;
    case 2:
        return (sample & 0x3) * 85;
    case 4:
        return (sample & 0xF) * 17;
    case 16:
        return static_cast<std::uint8_t>(sample >> 8);
    default:
        return static_cast<std::uint8_t>(sample);
    }
}

} // namespace

bool TChunktRNS::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunk::LoadFromStream(stream, type, length);
    if (DataSize() > kMaxTransparencyValues)
        png::RaiseError<EPNGInvalidPalette>(png::EPNGInvalidPaletteText);
    FPaletteValues.fill(255);
    std::copy(Data(), Data() + DataSize(), FPaletteValues.begin());
    switch (Header().ColorType()) {
    case png::COLOR_GRAYSCALE:
    case png::COLOR_RGB:
        FBitTransparency = true;
        break;
    case png::COLOR_PALETTE: {
        // A single fully transparent entry can be drawn as a masked colour; anything else
        // (several entries, or one that is only partly transparent) needs blending.
        const std::uint8_t* begin = FPaletteValues.data();
        const std::uint8_t* end = begin + DataSize();
        const auto translucent = std::count_if(begin, end, [](std::uint8_t v) { return v != 255; });
        FBitTransparency = translucent == 1 && std::find(begin, end, 0) != end;
        break;
    }
    default:
        break;
    }
    return true;
}

gdi::TColorRef TChunktRNS::TransparentColor() const {
    const TChunkIHDR& header = Header();
    const png::TGammaTable& gamma = Owner().GammaTable();
    const auto sample = [this](int i) {
        return static_cast<std::uint16_t>(FPaletteValues[2 * i] << 8 | FPaletteValues[2 * i + 1]);
    };
    // The colour the bitmap actually shows for the transparent sample: what drawing
    // compares with the decoded pixels when there is no key mask to go by (the image was
    // built from a bitmap, say), and what a bitmap made from the image leaves out.
    switch (header.ColorType()) {
    case png::COLOR_GRAYSCALE: {
        const std::uint8_t grey = gamma[SampleTo8Bits(sample(0), header.BitDepth())];
        return gdi::RGB(grey, grey, grey);
    }
    case png::COLOR_RGB:
        return gdi::RGB(gamma[SampleTo8Bits(sample(0), header.BitDepth())],
                        gamma[SampleTo8Bits(sample(1), header.BitDepth())],
                        gamma[SampleTo8Bits(sample(2), header.BitDepth())]);
    case png::COLOR_PALETTE: {
        const std::uint8_t* begin = FPaletteValues.data();
        const std::uint8_t* end = begin + std::min(DataSize(), kMaxTransparencyValues);
        const std::uint8_t* hole = std::find(begin, end, 0);
        const auto* palette = Owner().Chunks().FindChunk<TChunkPLTE>();
        const auto index = static_cast<int>(hole - begin);
        if (hole == end || !palette || index >= palette->Count())
            return 0;
        const gdi::TRGBQuad& q = header.BitmapInfo().bmiColors[index];
        return gdi::RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    default:
        return 0;
    }
}

png::TSampleKey TChunktRNS::SampleKey() const {
    png::TSampleKey key;
    for (int i = 0; i < 3; ++i)
        key.Samples[i] =
            static_cast<std::uint16_t>(FPaletteValues[2 * i] << 8 | FPaletteValues[2 * i + 1]);
    return key;
}

void TChunktRNS::SetTransparentColor(gdi::TColorRef color) {
    FPaletteValues.fill(0);
    FBitTransparency = true;
    switch (Header().ColorType()) {
    case png::COLOR_GRAYSCALE:
        ResizeData(kGreySampleSize);
        FPaletteValues[1] = gdi::GetRValue(color);
        break;
    case png::COLOR_RGB:
        ResizeData(kRgbSamplesSize);
        FPaletteValues[1] = gdi::GetRValue(color);
        FPaletteValues[3] = gdi::GetGValue(color);
        FPaletteValues[5] = gdi::GetBValue(color);
        break;
    case png::COLOR_PALETTE: {
        const auto& colors = Header().BitmapInfo().bmiColors;
        const gdi::TRGBQuad wanted{gdi::GetBValue(color), gdi::GetGValue(color),
                                   gdi::GetRValue(color), 0};
        int index = 0;
        for (int i = 0; i < gdi::kMaxColorTableEntries; ++i)
            if (colors[i].rgbBlue == wanted.rgbBlue && colors[i].rgbGreen == wanted.rgbGreen &&
                colors[i].rgbRed == wanted.rgbRed) {
                index = i;
                break;
            }
        std::fill(FPaletteValues.begin(), FPaletteValues.begin() + index, 255);
        ResizeData(static_cast<std::uint32_t>(index + 1));
        break;
    }
    default:
        break;
    }
}

bool TChunktRNS::SaveToStream(TStream& stream) {
    if (DataSize() <= kMaxTransparencyValues)
        std::copy(FPaletteValues.begin(), FPaletteValues.begin() + DataSize(), Data());
    return TChunk::SaveToStream(stream);
}

void TChunktRNS::Assign(const TChunk& source) {
    if (const auto* trns = dynamic_cast<const TChunktRNS*>(&source)) {
        FPaletteValues = trns->FPaletteValues;
        FBitTransparency = trns->FBitTransparency;
    }
    TChunk::Assign(source);
}

TChunkgAMA::TChunkgAMA(TPngGraphic& owner) : TChunk(owner, ClassKindName()) {
    SetGamma(1);
}

std::uint32_t TChunkgAMA::Gamma() {
    if (DataSize() != kGammaSize) {
        SetGamma(1);
        return 1;
    }
    return png::ReadBigEndian32(Data());
}

void TChunkgAMA::SetGamma(std::uint32_t value) {
    if (DataSize() != kGammaSize)
        ResizeData(kGammaSize);
    png::WriteBigEndian32(Data(), value);
}

bool TChunkgAMA::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunk::LoadFromStream(stream, type, length);
    // A gAMA chunk of another length says nothing: reading it as the value 1 (a gamma of
    // 0.00001) would turn every sample but the brightest black.
    if (DataSize() != kGammaSize)
        return true;
    const std::uint32_t value = Gamma();
    if (value != 0)
        Owner().InitializeGamma(value);
    return true;
}

void TChunkgAMA::Assign(const TChunk& source) {
    const auto* gama = dynamic_cast<const TChunkgAMA*>(&source);
    if (!gama)
        throw EPngError(png::PngMessage(png::EPNGCannotAssignChunkText));
    SetGamma(gama->DataSize() == kGammaSize ? png::ReadBigEndian32(gama->Data()) : 1);
}

bool TChunktIME::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunk::LoadFromStream(stream, type, length);
    if (DataSize() == kTimeSize) {
        const std::uint8_t* d = Data();
        Year = static_cast<std::uint16_t>(d[0] * 256 + d[1]);
        Month = d[2];
        Day = d[3];
        Hour = d[4];
        Minute = d[5];
        Second = d[6];
    }
    return true;
}

bool TChunktIME::SaveToStream(TStream& stream) {
    ResizeData(kTimeSize);
    std::uint8_t* d = Data();
    d[0] = static_cast<std::uint8_t>(Year >> 8);
    d[1] = static_cast<std::uint8_t>(Year);
    d[2] = Month;
    d[3] = Day;
    d[4] = Hour;
    d[5] = Minute;
    d[6] = Second;
    return TChunk::SaveToStream(stream);
}

std::size_t TChunktEXt::ParseKeyword() {
    const auto* d = reinterpret_cast<const char*>(Data());
    const auto* separator = static_cast<const char*>(std::memchr(d, 0, DataSize()));
    const std::size_t length = separator ? static_cast<std::size_t>(separator - d) : DataSize();
    Keyword.assign(d, length);
    return length;
}

bool TChunktEXt::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunk::LoadFromStream(stream, type, length);
    if (DataSize() >= kMinTextSize) {
        const std::size_t keywordLength = ParseKeyword();
        if (keywordLength < DataSize())
            Text.assign(reinterpret_cast<const char*>(Data()) + keywordLength + 1,
                        DataSize() - keywordLength - 1);
        else
            Text.clear();
    }
    return true;
}

bool TChunktEXt::SaveToStream(TStream& stream) {
    ResizeData(static_cast<std::uint32_t>(Keyword.size() + 1 + Text.size()));
    std::uint8_t* d = Data();
    std::memcpy(d, Keyword.data(), Keyword.size());
    d[Keyword.size()] = 0;
    std::memcpy(d + Keyword.size() + 1, Text.data(), Text.size());
    return TChunk::SaveToStream(stream);
}

void TChunktEXt::Assign(const TChunk& source) {
    if (const auto* text = dynamic_cast<const TChunktEXt*>(&source)) {
        Keyword = text->Keyword;
        Text = text->Text;
    }
}

bool TChunkzTXt::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunktEXt::LoadFromStream(stream, type, length);
    if (DataSize() >= kMinCompressedTextSize) {
        const std::size_t keywordLength = ParseKeyword();
        Text.clear();
        // Keyword, separator, method byte, then the compressed text. A text that can't be
        // inflated (damaged, another method, or beyond the size limit) stays empty; the
        // image itself is still good.
        const std::size_t methodAt = keywordLength + 1;
        if (methodAt < DataSize() && Data()[methodAt] == kDeflateMethod)
            png::InflateText(Data() + methodAt + 1, DataSize() - methodAt - 1,
                             png::kMaxInflatedText, Text);
    }
    return true;
}

bool TChunkzTXt::SaveToStream(TStream& stream) {
    if (Text.empty())
        Text.assign(1, ' ');
    std::vector<std::uint8_t> compressed;
    if (!png::DeflateBytes(Text.data(), Text.size(), Owner().CompressionLevel(), compressed))
        return false;
    ResizeData(static_cast<std::uint32_t>(Keyword.size() + 2 + compressed.size()));
    std::uint8_t* d = Data();
    std::memcpy(d, Keyword.data(), Keyword.size());
    d[Keyword.size()] = 0;
    d[Keyword.size() + 1] = kDeflateMethod;
    std::memcpy(d + Keyword.size() + 2, compressed.data(), compressed.size());
    return TChunk::SaveToStream(stream);
}
