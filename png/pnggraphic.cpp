#include "png/pnggraphic.h"

#include "gui/Bitmap.h"
#include "gui/Picture.h"
#include "gui/Stream.h"
#include "platform/gdi/Palette.h"
#include "png/pngmessages.h"

#include <cmath>
#include <numeric>

namespace {

const png::TChunkType kIhdrType = png::MakeChunkType("IHDR");
const png::TChunkType kIdatType = png::MakeChunkType("IDAT");
const png::TChunkType kIendType = png::MakeChunkType("IEND");
const png::TChunkType kChrmType = png::MakeChunkType("cHRM");

// The list grows in steps while a stream is read and is trimmed to the chunks kept.
constexpr int kListGrowth = 10;

// Gamma values are stored times 100000; display gamma 2.2 is assumed.
constexpr long double kGammaScale = 100000.0L;
constexpr long double kDisplayGamma = 2.2L;

bool ReadType(TStream& stream, png::TChunkType& type) {
    return png::ReadFully(stream, type.data(), type.size()) == type.size();
}

std::unique_ptr<TGraphic> NewPngGraphic() {
    return std::make_unique<TPngGraphic>();
}

// The class is known to pictures for as long as the library is loaded, so that loading a
// picture from a ".png" file and the pictures' file dialogs find it.
struct TPngRegistration {
    TPngRegistration() {
        TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", NewPngGraphic);
    }
    ~TPngRegistration() { TPicture::UnregisterGraphicClass(NewPngGraphic); }
};
const TPngRegistration kPngRegistration;

} // namespace

TPngGraphic::TPngGraphic() : FChunkList(*this) {
    ClearChunks();
}

TPngGraphic::~TPngGraphic() {
    ClearChunks();
}

std::unique_ptr<TGraphic> TPngGraphic::NewInstance() const {
    return NewPngGraphic();
}

void TPngGraphic::ClearChunks() {
    std::iota(FGammaTable.begin(), FGammaTable.end(), 0);
    std::iota(FInverseTable.begin(), FInverseTable.end(), 0);
    FChunkList.SetSize(0);
}

void TPngGraphic::InitializeGamma(std::uint32_t value) {
    const long double exponent = 1.0L / ((value / kGammaScale) * kDisplayGamma);
    for (int i = 0; i < 256; ++i) {
        // rint rounds halves to even under the default rounding mode.
        const long double t = i == 0 ? 0.0L : std::pow(i / 255.0L, exponent) * 255.0L;
        const auto v = static_cast<std::uint8_t>(std::rint(t));
        FGammaTable[i] = v;
        FInverseTable[v] = static_cast<std::uint8_t>(i);
    }
}

bool TPngGraphic::HeaderPresent() const {
    return dynamic_cast<TChunkIHDR*>(FChunkList.Item(0)) != nullptr;
}

TChunkIHDR& TPngGraphic::Header() const {
    auto* header = dynamic_cast<TChunkIHDR*>(FChunkList.Item(0));
    if (!header)
        png::RaiseError<EPNGHeaderNotPresent>(png::EPNGHeaderNotPresentText);
    return *header;
}

int TPngGraphic::Width() const {
    return HeaderPresent() ? Header().Width() : 0;
}

int TPngGraphic::Height() const {
    return HeaderPresent() ? Header().Height() : 0;
}

void TPngGraphic::SetWidth(int /*value*/) {
    png::RaiseError<EPngError>(png::EPNGCannotChangeSizeText);
}

void TPngGraphic::SetHeight(int /*value*/) {
    png::RaiseError<EPngError>(png::EPNGCannotChangeSizeText);
}

bool TPngGraphic::Empty() const {
    return FChunkList.Count() == 0;
}

png::TTransparencyMode TPngGraphic::TransparencyMode() const {
    const TChunkIHDR& header = Header();
    const auto* trns = FChunkList.FindChunk<TChunktRNS>();
    switch (header.ColorType()) {
    case png::COLOR_GRAYSCALE:
    case png::COLOR_RGB:
        return trns ? png::TTransparencyMode::ptmBit : png::TTransparencyMode::ptmNone;
    case png::COLOR_PALETTE:
        if (!trns)
            return png::TTransparencyMode::ptmNone;
        return trns->BitTransparency() ? png::TTransparencyMode::ptmBit
                                       : png::TTransparencyMode::ptmPartial;
    default:
        return png::TTransparencyMode::ptmPartial;
    }
}

gdi::TColorRef TPngGraphic::TransparentColor() const {
    const auto* trns = FChunkList.FindChunk<TChunktRNS>();
    return trns ? trns->TransparentColor() : 0;
}

bool TPngGraphic::Transparent() const {
    return TransparencyMode() != png::TTransparencyMode::ptmNone;
}

void TPngGraphic::Assign(const TGraphic& source) {
    if (const auto* png = dynamic_cast<const TPngGraphic*>(&source))
        AssignPng(*png);
    else if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source))
        AssignHandle(bitmap->Handle(), bitmap->Transparent(), bitmap->TransparentColor());
    else
        TGraphic::Assign(source);
}

void TPngGraphic::AssignPng(const TPngGraphic& source) {
    if (&source == this)
        return;
    FInterlaceMethod = source.FInterlaceMethod;
    FCompressionLevel = source.FCompressionLevel;
    FCompressionStrategy = source.FCompressionStrategy;
    FFilters = source.FFilters;
    FMaxPixels = source.FMaxPixels;
    ClearChunks();
    // The pixels and colours arrive corrected already, but the copy keeps the source's
    // gAMA chunk: it needs the source's inverse table too, or saving it would write the
    // corrected samples with that gamma and a reader would correct them a second time.
    FGammaTable = source.FGammaTable;
    FInverseTable = source.FInverseTable;
    FChunkList.SetSize(source.FChunkList.Count());
    for (int i = 0; i < source.FChunkList.Count(); ++i) {
        const TChunk* from = source.FChunkList.Item(i);
        if (!from)
            continue;
        std::unique_ptr<TChunk> chunk = from->NewInstance(*this);
        TChunk* to = chunk.get();
        FChunkList.SetItem(i, std::move(chunk));
        to->Assign(*from);
    }
    Changed();
}

void TPngGraphic::LoadFromStream(TStream& stream) {
    ClearChunks();
    try {
        ReadChunks(stream);
    } catch (...) {
        // Whatever was read stays, and it is no longer what was there before.
        Changed();
        throw;
    }
    Changed();
}

void TPngGraphic::ReadChunks(TStream& stream) {
    std::uint8_t signature[sizeof png::kPngSignature];
    const std::size_t got = png::ReadFully(stream, signature, sizeof signature);
    if (got != sizeof signature || !std::equal(signature, signature + got, png::kPngSignature))
        png::RaiseError<EPNGInvalidFileHeader>(png::EPNGInvalidFileHeaderText);

    FChunkList.SetSize(kListGrowth);
    int n = 0;
    bool imageDataSeen = false;
    png::TChunkType type{};
    do {
        ++n;
        if (FChunkList.Count() < n)
            FChunkList.SetSize(FChunkList.Count() + kListGrowth);
        std::uint32_t length = 0;
        if (!png::ReadBigEndian32(stream, length) || !ReadType(stream, type)) {
            FChunkList.SetSize(n - 1);
            png::RaiseError<EPngUnexpectedEnd>(png::EPNGUnexpectedEndText);
        }
        if (n == 1 && type != kIhdrType) {
            FChunkList.SetSize(0);
            png::RaiseError<EPNGIHDRNotFirst>(png::EPNGIHDRNotFirstText);
        }
        // A second header would prepare a second bitmap and change how the first one's
        // image data is read.
        if (n > 1 && type == kIhdrType) {
            FChunkList.SetSize(n - 1);
            png::RaiseError<EPNGIHDRNotFirst>(png::EPNGSecondIHDRText);
        }
        // Chromaticities are of no use to the drawing; later image data runs were never
        // meant to follow other chunks. Neither is read, nor its CRC checked.
        if (type == kChrmType || (type == kIdatType && imageDataSeen)) {
            --n;
            stream.Seek(std::int64_t{length} + 4, TSeekOrigin::soCurrent);
            continue;
        }
        if (type == kIdatType)
            imageDataSeen = true;
        std::unique_ptr<TChunk> created = png::CreateChunk(*this, type);
        TChunk* chunk = created.get();
        FChunkList.SetItem(n - 1, std::move(created));
        if (chunk->KindName().empty() && png::IsCriticalChunk(type)) {
            FChunkList.SetSize(n);
            png::RaiseError<EPNGUnknownCriticalChunk>(png::EPNGUnknownCriticalChunkText);
        }
        bool goOn;
        try {
            goOn = chunk->LoadFromStream(stream, type, length);
        } catch (...) {
            // The failing chunk stays in the list, as the last entry.
            FChunkList.SetSize(n);
            throw;
        }
        if (!goOn)
            break;
    } while (type != kIendType);

    FChunkList.SetSize(n);
    if (!imageDataSeen)
        png::RaiseError<EPNGNoImageData>(png::EPNGNoImageDataText);
}

void TPngGraphic::SaveToStream(TStream& stream) {
    stream.WriteBuffer(png::kPngSignature, sizeof png::kPngSignature);
    for (int i = 0; i < FChunkList.Count(); ++i)
        if (TChunk* chunk = FChunkList.Item(i))
            chunk->SaveToStream(stream);
}
