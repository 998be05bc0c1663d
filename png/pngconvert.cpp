// Conversions: to and from framework bitmaps, and the clipboard through one.
#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Palette.h"
#include "png/pngchunks.h"
#include "png/pnggraphic.h"
#include "png/pngmessages.h"

namespace {

// Bitmaps of fewer bits per pixel keep their colour table as a palette image.
constexpr int kTrueColorBits = 16;

} // namespace

void TPngGraphic::AssignTo(TGraphic& dest) const {
    if (auto* png = dynamic_cast<TPngGraphic*>(&dest)) {
        png->Assign(*this);
        return;
    }
    auto* bitmap = dynamic_cast<TBitmap*>(&dest);
    if (bitmap && HeaderPresent() && Header().ImageHandle()) {
        AssignToBitmap(*bitmap);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TPngGraphic::AssignToBitmap(TBitmap& bitmap) const {
    const TChunkIHDR& header = Header();
    std::unique_ptr<gdi::TDibSection> screen =
        gdi::CreateDIBitmap(nullptr, header.BitmapInfo(), header.ImageData());
    if (!screen)
        png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
    bitmap.SetHandle(std::move(screen));
    const int bitCount = header.BitmapInfo().bmiHeader.biBitCount;
    if (bitCount <= 8) {
        // Back to the image's own depth through the image's own colours; the format's
        // default colours would change every pixel that isn't one of them.
        const std::unique_ptr<gdi::TPalette> colors = gdi::PaletteFromColorTable(
            header.BitmapInfo().bmiColors.data(), gdi::DibColorCount(bitCount));
        bitmap.SetPalette(colors.get());
    }
    bitmap.SetPixelFormat(PixelFormatOf(bitCount));
    if (TransparencyMode() == png::TTransparencyMode::ptmBit) {
        bitmap.SetTransparentColor(TransparentColor());
        bitmap.SetTransparent(true);
    }
}

void TPngGraphic::AssignHandle(const gdi::TDibSection* handle, bool transparent,
                               gdi::TColorRef transparentColor) {
    ClearChunks();
    gdi::TBitmapDesc desc;
    if (!gdi::GetObject(handle, desc)) {
        Changed();
        return;
    }
    const bool indexed = desc.bmBitsPixel < kTrueColorBits;
    auto header = std::make_unique<TChunkIHDR>(*this);
    TChunkIHDR* ihdr = header.get();
    FChunkList.Add(std::move(header));
    TChunkPLTE* palette = nullptr;
    if (indexed) {
        auto plte = std::make_unique<TChunkPLTE>(*this);
        palette = plte.get();
        FChunkList.Add(std::move(plte));
    }
    TChunktRNS* trns = nullptr;
    if (transparent) {
        auto chunk = std::make_unique<TChunktRNS>(*this);
        trns = chunk.get();
        FChunkList.Add(std::move(chunk));
    }
    FChunkList.Add(std::make_unique<TChunkIDAT>(*this));
    FChunkList.Add(std::make_unique<TChunkIEND>(*this));

    TIHDRData& r = ihdr->IHDRData();
    r.Width = static_cast<std::uint32_t>(desc.bmWidth);
    r.Height = static_cast<std::uint32_t>(desc.bmHeight < 0 ? -desc.bmHeight : desc.bmHeight);
    r.BitDepth = static_cast<std::uint8_t>(indexed ? desc.bmBitsPixel : 8);
    r.ColorType = indexed ? png::COLOR_PALETTE : png::COLOR_RGB;
    r.CompressionMethod = 0;
    r.FilterMethod = 0;
    r.InterlaceMethod = 0;
    FInterlaceMethod = 0;
    try {
        ihdr->PrepareImageData();
        if (gdi::GetDIBits(nullptr, *handle, 0, ihdr->Height(), ihdr->ImageData(),
                           ihdr->BitmapInfo()) == 0)
            png::RaiseError<EPNGOutMemory>(png::EPNGOutMemoryText);
    } catch (...) {
        // Nothing half-built stays behind: a bitmap too large for the image budget leaves
        // the object empty.
        ClearChunks();
        Changed();
        throw;
    }
    if (palette)
        palette->SetCount(1 << desc.bmBitsPixel);
    if (trns)
        trns->SetTransparentColor(transparentColor);
    Changed();
}

void TPngGraphic::SaveToClipboardFormat(QMimeData& data) {
    TBitmap bitmap;
    bitmap.SetSize(Width(), Height());
    Draw(bitmap.Canvas(), Bounds(0, 0, Width(), Height()));
    bitmap.SaveToClipboardFormat(data);
}

void TPngGraphic::LoadFromClipboardFormat(const QMimeData& data) {
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(data);
    AssignHandle(bitmap.Handle(), false, 0);
}
