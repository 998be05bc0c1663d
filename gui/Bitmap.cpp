#include "gui/Bitmap.h"

#include "gui/BitmapStream.h"
#include "gui/Canvas.h"
#include "gui/ClipboardImage.h"
#include "platform/StrFormat.h"
#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blit.h"
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/Palette.h"
#include "platform/gdi/TransparentBlt.h"

#include <algorithm>
#include <vector>

int PixelFormatBitCount(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf1bit:
        return 1;
    case TPixelFormat::pf4bit:
        return 4;
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf24bit:
        return 24;
    default:
        return gdi::kScreenBitCount;
    }
}

TPixelFormat PixelFormatOf(int bitCount) {
    switch (bitCount) {
    case 1:
        return TPixelFormat::pf1bit;
    case 4:
        return TPixelFormat::pf4bit;
    case 8:
        return TPixelFormat::pf8bit;
    case 24:
        return TPixelFormat::pf24bit;
    default:
        return TPixelFormat::pf32bit;
    }
}

namespace {

std::vector<gdi::TRGBQuad> QuadsOf(const gdi::TPalette& palette) {
    std::vector<gdi::TRGBQuad> quads;
    for (const gdi::TPaletteEntry& e : palette.Entries())
        quads.push_back({e.peBlue, e.peGreen, e.peRed, 0});
    return quads;
}

[[noreturn]] void NoMemory(int width, int height) {
    throw EOutOfMemory(Format("Not enough memory for a bitmap of %d x %d pixels", width, height));
}

} // namespace

TBitmap::TBitmap() = default;
TBitmap::~TBitmap() = default;

std::unique_ptr<TGraphic> TBitmap::NewInstance() const {
    return std::make_unique<TBitmap>();
}

int TBitmap::Width() const {
    return FHandle ? FHandle->Width() : 0;
}

int TBitmap::Height() const {
    return FHandle ? FHandle->Height() : 0;
}

void TBitmap::SetWidth(int value) {
    SetSize(value, Height());
}

void TBitmap::SetHeight(int value) {
    SetSize(Width(), value);
}

int TBitmap::BitCount() const {
    return FHandle ? FHandle->BitCount() : PixelFormatBitCount(FPixelFormat);
}

void TBitmap::SetSize(int width, int height) {
    if (width == Width() && height == Height())
        return;
    if (width <= 0 || height <= 0) {
        Replace(nullptr);
        Changed();
        return;
    }
    const int bits = BitCount();
    gdi::TBitmapInfo info = gdi::MakeBitmapInfo(width, -height, bits);
    if (FHandle)
        info.bmiColors = FHandle->ColorTable();
    else if (FPaletteSet && bits <= 8) {
        const std::vector<gdi::TRGBQuad> quads = QuadsOf(*FPalette);
        std::copy_n(quads.begin(), std::min<int>(quads.size(), gdi::DibColorCount(bits)),
                    info.bmiColors.begin());
    } else
        info.bmiColors = gdi::DefaultColorTable(bits);
    std::unique_ptr<gdi::TDibSection> fresh = gdi::TDibSection::Create(info);
    if (!fresh)
        NoMemory(width, height);
    gdi::TMemoryDC to;
    to.SelectObject(fresh.get());
    gdi::FillRect(to, Bounds(0, 0, width, height), gdi::RGB(255, 255, 255));
    if (FHandle) {
        gdi::TMemoryDC from;
        from.SelectObject(FHandle.get());
        gdi::BitBlt(to, 0, 0, std::min(width, Width()), std::min(height, Height()), from, 0, 0,
                    gdi::SRCCOPY);
    }
    Replace(std::move(fresh));
    Changed();
}

void TBitmap::Replace(std::unique_ptr<gdi::TDibSection> handle) {
    FHandle = std::move(handle);
    if (FCanvas)
        FCanvas->SetSurface(FHandle.get());
    if (!FPaletteSet)
        FPalette.reset();
}

void TBitmap::SetHandle(std::unique_ptr<gdi::TDibSection> handle) {
    if (handle)
        FPixelFormat = PixelFormatOf(handle->BitCount());
    FPaletteSet = false;
    Replace(std::move(handle));
    Changed();
}

std::unique_ptr<gdi::TDibSection> TBitmap::ReleaseHandle() {
    std::unique_ptr<gdi::TDibSection> handle = std::move(FHandle);
    Replace(nullptr);
    return handle;
}

TPixelFormat TBitmap::PixelFormat() const {
    return FPixelFormat;
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    FPixelFormat = value;
    const int bits = PixelFormatBitCount(value);
    if (!FHandle || bits == FHandle->BitCount())
        return;
    std::vector<gdi::TRGBQuad> quads;
    if (FPaletteSet && bits <= 8)
        quads = QuadsOf(*FPalette);
    std::unique_ptr<gdi::TDibSection> converted = gdi::ConvertBitmap(
        *FHandle, bits, quads.empty() ? nullptr : quads.data(), static_cast<int>(quads.size()));
    if (!converted)
        NoMemory(Width(), Height());
    Replace(std::move(converted));
    Changed();
}

bool TBitmap::Monochrome() const {
    return FHandle && FHandle->IsMonochrome();
}

gdi::TPalette* TBitmap::Palette() const {
    if (!FPalette && FHandle && FHandle->BitCount() <= 8)
        FPalette = gdi::PaletteFromColorTable(FHandle->ColorTable().data(), FHandle->ColorCount());
    return FPalette.get();
}

void TBitmap::SetPalette(const gdi::TPalette* value) {
    if (!value) {
        FPalette.reset();
        FPaletteSet = false;
        return;
    }
    FPalette = std::make_unique<gdi::TPalette>(value->Entries());
    FPaletteSet = true;
    if (FHandle && FHandle->BitCount() <= 8) {
        const std::vector<gdi::TRGBQuad> quads = QuadsOf(*FPalette);
        FHandle->SetColorTable(quads.data(), static_cast<int>(quads.size()));
        Changed();
    }
}

gdi::TColorRef TBitmap::TransparentColor() const {
    if (FTransparentMode == TTransparentMode::tmFixed || !FHandle)
        return FTransparentColor;
    const int bottom = FHandle->Height() - 1;
    return gdi::PixelColor(FHandle->View(),
                           gdi::ReadPixelValue(FHandle->ScanLine(bottom), 0, FHandle->BitCount()));
}

void TBitmap::SetTransparentColor(gdi::TColorRef value) {
    FTransparentColor = value;
    FTransparentMode = TTransparentMode::tmFixed;
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>(FHandle.get());
        FCanvas->OnChange = [this](TCanvas*) {
            Changed();
        };
    }
    return *FCanvas;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (!FHandle)
        return;
    std::unique_ptr<gdi::TMemoryDC> dc = gdi::CreateCompatibleDC(&canvas.Handle());
    dc->SelectObject(FHandle.get());
    if (Transparent())
        gdi::StretchTransparent(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(),
                                *dc, TransparentColor());
    else
        gdi::StretchBlt(canvas.Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), *dc, 0,
                        0, Width(), Height(), gdi::SRCCOPY);
}

void TBitmap::Assign(const TGraphic& source) {
    const auto* bitmap = dynamic_cast<const TBitmap*>(&source);
    if (!bitmap) {
        TGraphic::Assign(source);
        return;
    }
    if (bitmap == this)
        return;
    std::unique_ptr<gdi::TDibSection> copy;
    if (bitmap->FHandle) {
        copy = gdi::ConvertBitmap(*bitmap->FHandle, bitmap->FHandle->BitCount());
        if (!copy)
            NoMemory(bitmap->Width(), bitmap->Height());
    }
    Replace(std::move(copy));
    FPixelFormat = bitmap->FPixelFormat;
    FPaletteSet = bitmap->FPaletteSet;
    FPalette = FPaletteSet ? std::make_unique<gdi::TPalette>(bitmap->FPalette->Entries()) : nullptr;
    FTransparentMode = bitmap->FTransparentMode;
    FTransparentColor = bitmap->FTransparentColor;
    SetTransparent(bitmap->Transparent());
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
    SetHandle(ReadBitmapFile(stream));
}

void TBitmap::SaveToStream(TStream& stream) {
    if (!FHandle)
        throw EInvalidGraphicOperation("An empty bitmap has nothing to save");
    WriteBitmapFile(stream, *FHandle);
}

namespace {

TClipboardImageCodec GClipboardImageCodec;

} // namespace

void SetClipboardImageCodec(const TClipboardImageCodec& codec) {
    GClipboardImageCodec = codec;
}

const TClipboardImageCodec& ClipboardImageCodec() {
    return GClipboardImageCodec;
}

void TBitmap::LoadFromClipboardFormat(const QMimeData& data) {
    std::unique_ptr<gdi::TDibSection> handle;
    if (GClipboardImageCodec.Read)
        handle = GClipboardImageCodec.Read(data);
    if (!handle)
        throw EInvalidGraphic("Unsupported clipboard format");
    SetHandle(std::move(handle));
}

void TBitmap::SaveToClipboardFormat(QMimeData& data) {
    if (!FHandle)
        throw EInvalidGraphicOperation("An empty bitmap has nothing to put on the clipboard");
    if (!GClipboardImageCodec.Write)
        throw EInvalidGraphicOperation("This program has no clipboard");
    GClipboardImageCodec.Write(data, *FHandle);
}
