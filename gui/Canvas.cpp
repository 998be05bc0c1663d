#include "gui/Canvas.h"

#include "gui/Graphic.h"
#include "platform/gdi/Blit.h"

TCanvas::TCanvas() : FHandle(gdi::CreateCompatibleDC(nullptr)) {
}

TCanvas::TCanvas(gdi::TDibSection* surface) : TCanvas() {
    SetSurface(surface);
}

TCanvas::~TCanvas() {
    FHandle->SelectObject(nullptr);
}

int TCanvas::Width() const {
    return Surface() ? Surface()->Width() : 0;
}

int TCanvas::Height() const {
    return Surface() ? Surface()->Height() : 0;
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

void TCanvas::FillRect(const TRect& rect) {
    gdi::FillRect(*FHandle, rect, FBrushColor);
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    StretchDraw(Bounds(x, y, graphic.Width(), graphic.Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
    graphic.Draw(*this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, const TCanvas& source, const TRect& sourceRect) {
    gdi::StretchBlt(*FHandle, dest.Left, dest.Top, dest.Width(), dest.Height(), source.Handle(),
                    sourceRect.Left, sourceRect.Top, sourceRect.Width(), sourceRect.Height(),
                    gdi::SRCCOPY);
    Changed();
}

gdi::TColorRef TCanvas::Pixels(int x, int y) const {
    return gdi::GetPixel(*FHandle, x, y);
}

void TCanvas::SetPixels(int x, int y, gdi::TColorRef color) {
    gdi::SetPixel(*FHandle, x, y, color);
    Changed();
}
