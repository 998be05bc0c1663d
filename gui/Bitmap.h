// The framework's bitmap: a graphic over a raster-layer bitmap, with a canvas to draw on,
// a pixel format that converts the pixels when it changes, a palette for indexed formats,
// a transparent colour, ".bmp" streams and the clipboard.
#pragma once

#include "gui/Graphic.h"
#include "platform/gdi/Dib.h"

#include <memory>

class TCanvas;

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

// The bits per pixel of a format (pfDevice: the screen's 32), and the format of a depth
// (pf32bit for 32).
int PixelFormatBitCount(TPixelFormat format);
TPixelFormat PixelFormatOf(int bitCount);

// tmAuto: the bottom-left pixel's colour is the transparent one; tmFixed: the colour set.
enum class TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    const char* ClassName() const override { return "TBitmap"; }
    std::unique_ptr<TGraphic> NewInstance() const override;

    int Width() const override;
    int Height() const override;
    // Resizing keeps the pixels of the overlapping top-left part and fills the new area
    // white; a size of 0 in either direction leaves the bitmap empty.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);
    bool Empty() const override { return !FHandle; }

    // Null while empty. The bitmap owns it.
    gdi::TDibSection* Handle() const { return FHandle.get(); }
    void SetHandle(std::unique_ptr<gdi::TDibSection> handle);
    // Hands the bitmap over to the caller and leaves this one empty.
    std::unique_ptr<gdi::TDibSection> ReleaseHandle();

    // pfDevice is the screen's format, 32 bits per pixel.
    TPixelFormat PixelFormat() const;
    // Converts the pixels: into an indexed format through the palette when one was set,
    // else through the format's default colours.
    void SetPixelFormat(TPixelFormat value);
    bool Monochrome() const;

    // An indexed bitmap's palette is its colour table; setting one recolours the indexes.
    // A true-colour bitmap keeps a set palette for a later change to an indexed format.
    gdi::TPalette* Palette() const override;
    void SetPalette(const gdi::TPalette* value) override;

    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode value) { FTransparentMode = value; }
    gdi::TColorRef TransparentColor() const;
    // Makes the mode tmFixed.
    void SetTransparentColor(gdi::TColorRef value);

    // A canvas over the bitmap; drawing on it changes the bitmap.
    TCanvas& Canvas();

    void Draw(TCanvas& canvas, const TRect& rect) override;
    void Assign(const TGraphic& source) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    void LoadFromClipboardFormat(const QMimeData& data) override;
    void SaveToClipboardFormat(QMimeData& data) override;

private:
    void Replace(std::unique_ptr<gdi::TDibSection> handle);
    int BitCount() const;

    std::unique_ptr<gdi::TDibSection> FHandle;
    // A set palette, or the one built from the colour table when first asked for.
    mutable std::unique_ptr<gdi::TPalette> FPalette;
    bool FPaletteSet = false;
    std::unique_ptr<TCanvas> FCanvas;
    TPixelFormat FPixelFormat = TPixelFormat::pfDevice;
    TTransparentMode FTransparentMode = TTransparentMode::tmAuto;
    gdi::TColorRef FTransparentColor = 0;
};
