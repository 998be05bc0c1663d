// Helpers of the drawing tests: every pixel of a canvas, a bitmap or a painted widget as a
// list of colours, and a graphic of a class nothing else knows.
#pragma once

#include "gui/Graphic.h"
#include "platform/gdi/Dib.h"
#include "tests/common/TestColors.h"

#include <vector>

class QImage;
class TBitmap;

// Row by row from the top.
std::vector<gdi::TColorRef> CanvasColors(const TCanvas& canvas);
std::vector<gdi::TColorRef> BitmapColors(TBitmap& bitmap);
std::vector<gdi::TColorRef> ImageColors(const QImage& image);
gdi::TColorRef ImageColor(const QImage& image, int x, int y);

// A graphic no other class can convert to or from; it draws nothing.
class TStubGraphic : public TGraphic {
public:
    explicit TStubGraphic(const char* className = "TStubGraphic") : FClassName(className) {}
    const char* ClassName() const override { return FClassName; }
    int Width() const override { return 1; }
    int Height() const override { return 1; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return false; }
    void Draw(TCanvas&, const TRect&) override {}
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) override {}

private:
    const char* FClassName;
};
