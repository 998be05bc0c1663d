// The framework's raster canvas: a memory device context over a bitmap, with the few
// drawing operations graphics and controls need. Graphics draw through its handle with the
// raster layer's blits; the canvas itself never owns the bitmap it draws on.
#pragma once

#include "platform/Geometry.h"
#include "platform/gdi/MemoryDC.h"

#include <functional>
#include <memory>

class TGraphic;

class TCanvas {
public:
    // A canvas over nothing yet: every drawing operation does nothing until a surface is
    // set.
    TCanvas();
    explicit TCanvas(gdi::TDibSection* surface);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The device context the surface is selected into.
    gdi::TMemoryDC& Handle() { return *FHandle; }
    const gdi::TMemoryDC& Handle() const { return *FHandle; }
    gdi::TDibSection* Surface() const { return FHandle->Bitmap(); }
    void SetSurface(gdi::TDibSection* surface) { FHandle->SelectObject(surface); }
    int Width() const;
    int Height() const;

    gdi::TColorRef BrushColor() const { return FBrushColor; }
    void SetBrushColor(gdi::TColorRef value) { FBrushColor = value; }

    // Fills `rect` with the brush colour.
    void FillRect(const TRect& rect);
    // Draws `graphic` at its own size with its top-left corner at (x, y).
    void Draw(int x, int y, TGraphic& graphic);
    // Draws `graphic` into `rect`, stretched as the graphic's class stretches.
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    // Stretches `sourceRect` of `source` onto `dest` of this canvas.
    void CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect);

    // The colour of a pixel; gdi::CLR_INVALID outside the surface.
    gdi::TColorRef Pixels(int x, int y) const;
    void SetPixels(int x, int y, gdi::TColorRef color);

    // Raised after each drawing operation of the canvas.
    std::function<void(TCanvas* sender)> OnChange;

private:
    void Changed();

    std::unique_ptr<gdi::TMemoryDC> FHandle;
    gdi::TColorRef FBrushColor = gdi::RGB(255, 255, 255);
};
