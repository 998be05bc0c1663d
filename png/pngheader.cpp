// The header and the palette: what the image is, and the bitmap it is decoded into.
#include "gui/Stream.h"
#include "platform/StrFormat.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/DibPixels.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"

#include <cstring>
#include <new>

namespace png {

bool IsLegalColorDepth(unsigned colorType, unsigned bitDepth) {
    switch (colorType) {
    case COLOR_GRAYSCALE:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 || bitDepth == 16;
    case COLOR_PALETTE:
        return bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8;
    case COLOR_RGB:
    case COLOR_GRAYSCALEALPHA:
    case COLOR_RGBALPHA:
        return bitDepth == 8 || bitDepth == 16;
    default:
        return false;
    }
}

int BitmapBitCount(unsigned colorType, unsigned bitDepth) {
    switch (colorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        // 2-bit images are widened to 4 bits per pixel, 16-bit greyscale cut to 8.
        return bitDepth == 2 ? 4 : bitDepth == 16 ? 8 : static_cast<int>(bitDepth);
    case COLOR_GRAYSCALEALPHA:
        return 8;
    default:
        return 24;
    }
}

} // namespace png

TChunkIHDR::~TChunkIHDR() {
    FreeImageData();
}

void TChunkIHDR::FreeImageData() {
    FImageHandle.reset();
    FImageDC.reset();
    FImageAlpha.reset();
    FKeyMask.reset();
}

void TChunkIHDR::PrepareKeyMask() {
    FKeyMask = gdi::CreateBitmap(Width(), Height(), 1, 1);
    if (!FKeyMask)
        png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
}

void TChunkIHDR::SetKeyPixel(int x, int y, bool transparent) {
    if (!FKeyMask)
        return;
    gdi::WritePixelValue(FKeyMask->ScanLine(y), static_cast<std::size_t>(x), 1,
                         transparent ? 1u : 0u);
}

void TChunkIHDR::ValidateRecord() const {
    const TIHDRData& r = FIHDRData;
    if (r.Width > png::kMaxDimension || r.Height > png::kMaxDimension)
        png::RaiseError<EPNGSizeExceeds>(png::EPNGSizeExceedsText);
    if (r.CompressionMethod != 0)
        png::RaiseError<EPNGUnknownCompression>(png::EPNGUnknownCompressionText);
    if (r.InterlaceMethod > 1)
        png::RaiseError<EPNGUnknownInterlace>(png::EPNGUnknownInterlaceText);
    // The checks below keep the image data decoder to images it has row routines for and
    // that have at least one pixel to decode.
    if (r.Width == 0 || r.Height == 0)
        png::RaiseError<EPngInvalidIHDR>(png::EPNGZeroSizeText);
    if (!png::IsLegalColorDepth(r.ColorType, r.BitDepth))
        throw EPngInvalidIHDR(Format(png::PngMessage(png::EPNGInvalidColorDepthText),
                                     unsigned{r.BitDepth}, unsigned{r.ColorType}));
    if (r.FilterMethod != 0)
        throw EPNGUnknownCompression(
            Format(png::PngMessage(png::EPNGUnknownFilterMethodText), unsigned{r.FilterMethod}));
}

bool TChunkIHDR::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunk::LoadFromStream(stream, type, length);
    if (DataSize() < png::kIhdrSize)
        png::RaiseError<EPngInvalidIHDR>(png::EPNGInvalidIHDRText);
    const std::uint8_t* d = Data();
    FIHDRData.Width = png::ReadBigEndian32(d + png::kIhdrWidth);
    FIHDRData.Height = png::ReadBigEndian32(d + png::kIhdrHeight);
    FIHDRData.BitDepth = d[png::kIhdrBitDepth];
    FIHDRData.ColorType = d[png::kIhdrColorType];
    FIHDRData.CompressionMethod = d[png::kIhdrCompression];
    FIHDRData.FilterMethod = d[png::kIhdrFilterMethod];
    FIHDRData.InterlaceMethod = d[png::kIhdrInterlace];
    ValidateRecord();
    Owner().SetInterlaceMethod(FIHDRData.InterlaceMethod);
    PrepareImageData();
    return true;
}

void TChunkIHDR::PrepareImageData() {
    FBitmapInfo = gdi::TBitmapInfo{};
    FreeImageData();
    FBytesPerRow = 0;
    FHasPalette = false;
    ValidateRecord();

    const TIHDRData& r = FIHDRData;
    const std::uint64_t pixels = std::uint64_t{r.Width} * r.Height;
    if (pixels > Owner().MaxPixels())
        throw EPNGSizeExceeds(Format(png::PngMessage(png::EPNGPixelBudgetText), r.Width, r.Height,
                                     static_cast<unsigned long long>(Owner().MaxPixels())));

    FHasPalette = r.ColorType == png::COLOR_GRAYSCALE || r.ColorType == png::COLOR_PALETTE ||
                  r.ColorType == png::COLOR_GRAYSCALEALPHA;
    gdi::TBitmapInfoHeader& h = FBitmapInfo.bmiHeader;
    h.biSize = gdi::kBitmapInfoHeaderSize;
    h.biWidth = static_cast<std::int32_t>(r.Width);
    // Positive: the rows are stored bottom-up, as the drawing code expects.
    h.biHeight = static_cast<std::int32_t>(r.Height);
    h.biPlanes = 1;
    h.biBitCount = static_cast<std::uint16_t>(png::BitmapBitCount(r.ColorType, r.BitDepth));
    h.biCompression = gdi::BI_RGB;
    FBytesPerRow = gdi::DibStride(r.Width, h.biBitCount);

    if (r.ColorType == png::COLOR_GRAYSCALEALPHA || r.ColorType == png::COLOR_RGBALPHA) {
        FImageAlpha.reset(static_cast<std::uint8_t*>(std::calloc(pixels, 1)));
        if (!FImageAlpha)
            png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
    }
    FImageDC = gdi::CreateCompatibleDC(nullptr);
    FImageHandle = gdi::TDibSection::Create(FBitmapInfo);
    Owner().FreeCachedPalette();
    if (!FImageHandle) {
        FreeImageData();
        png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
    }
}

void TChunkIHDR::Assign(const TChunk& source) {
    const auto* header = dynamic_cast<const TChunkIHDR*>(&source);
    if (!header)
        throw EPngError(png::PngMessage(png::EPNGCannotAssignChunkText));
    FIHDRData = header->FIHDRData;
    if (!header->FImageHandle) {
        // The source never got a bitmap (its load failed at the header): neither does this.
        FreeImageData();
        return;
    }
    PrepareImageData();
    std::memcpy(ImageData(), header->ImageData(), FBytesPerRow * FIHDRData.Height);
    if (FImageAlpha && header->FImageAlpha)
        std::memcpy(FImageAlpha.get(), header->FImageAlpha.get(),
                    std::size_t{FIHDRData.Width} * FIHDRData.Height);
    if (header->FKeyMask) {
        PrepareKeyMask();
        std::memcpy(FKeyMask->Bits(), header->FKeyMask->Bits(), FKeyMask->ImageSize());
    }
    FBitmapInfo.bmiColors = header->FBitmapInfo.bmiColors;
}

bool TChunkIHDR::SaveToStream(TStream& stream) {
    // 2-bit images live in the bitmap at 4 bits per pixel and are written back that way.
    if (FIHDRData.BitDepth == 2)
        FIHDRData.BitDepth = 4;
    ResizeData(png::kIhdrSize);
    std::uint8_t* d = Data();
    png::WriteBigEndian32(d + png::kIhdrWidth, FIHDRData.Width);
    png::WriteBigEndian32(d + png::kIhdrHeight, FIHDRData.Height);
    d[png::kIhdrBitDepth] = FIHDRData.BitDepth;
    d[png::kIhdrColorType] = FIHDRData.ColorType;
    d[png::kIhdrCompression] = FIHDRData.CompressionMethod;
    d[png::kIhdrFilterMethod] = FIHDRData.FilterMethod;
    d[png::kIhdrInterlace] = Owner().InterlaceMethod();
    return TChunk::SaveToStream(stream);
}

namespace {

constexpr int kPaletteEntrySize = 3;

} // namespace

bool TChunkPLTE::LoadFromStream(TStream& stream, const png::TChunkType& type,
                                std::uint32_t length) {
    TChunk::LoadFromStream(stream, type, length);
    if (DataSize() % kPaletteEntrySize != 0 ||
        DataSize() / kPaletteEntrySize > gdi::kMaxColorTableEntries)
        png::RaiseError<EPNGInvalidPalette>(png::EPNGInvalidPaletteText);
    FCount = static_cast<int>(DataSize() / kPaletteEntrySize);
    const png::TGammaTable& gamma = Owner().GammaTable();
    auto& colors = Header().BitmapInfo().bmiColors;
    const std::uint8_t* p = Data();
    for (int i = 0; i < FCount; ++i, p += kPaletteEntrySize)
        colors[i] = {gamma[p[2]], gamma[p[1]], gamma[p[0]], 0};
    return true;
}

std::uint32_t TChunkPLTE::Item(int index) const {
    if (index < 0 || index >= FCount)
        png::RaiseError<EPngError>(png::EPNGInvalidPaletteIndexText);
    const gdi::TRGBQuad& q = Header().BitmapInfo().bmiColors[index];
    return std::uint32_t{q.rgbBlue} | (std::uint32_t{q.rgbGreen} << 8) |
           (std::uint32_t{q.rgbRed} << 16);
}

void TChunkPLTE::Assign(const TChunk& source) {
    const auto* palette = dynamic_cast<const TChunkPLTE*>(&source);
    if (!palette)
        throw EPngError(png::PngMessage(png::EPNGCannotAssignChunkText));
    // The colours themselves travel with the header's colour table.
    FCount = palette->FCount;
}

bool TChunkPLTE::SaveToStream(TStream& stream) {
    ResizeData(static_cast<std::uint32_t>(FCount * kPaletteEntrySize));
    const png::TGammaTable& inverse = Owner().InverseTable();
    const auto& colors = Header().BitmapInfo().bmiColors;
    std::uint8_t* p = Data();
    for (int i = 0; i < FCount; ++i, p += kPaletteEntrySize) {
        p[0] = inverse[colors[i].rgbRed];
        p[1] = inverse[colors[i].rgbGreen];
        p[2] = inverse[colors[i].rgbBlue];
    }
    return TChunk::SaveToStream(stream);
}
