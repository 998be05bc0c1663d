// Helpers of the raster-layer tests: contexts holding small bitmaps filled from colour
// lists, and the colours read back.
#pragma once

#include "platform/gdi/Bitmaps.h"
#include "platform/gdi/Blit.h"
#include "tests/common/TestColors.h"

#include <memory>
#include <vector>

// A memory context with its own bitmap selected.
struct TTestSurface {
    std::unique_ptr<gdi::TDibSection> Bitmap;
    std::unique_ptr<gdi::TMemoryDC> DC;

    explicit TTestSurface(std::unique_ptr<gdi::TDibSection> bitmap)
        : Bitmap(std::move(bitmap)), DC(gdi::CreateCompatibleDC(nullptr)) {
        DC->SelectObject(Bitmap.get());
    }
    // A screen-format surface whose pixels, row by row from the top, are `colors`.
    TTestSurface(int width, int height, const std::vector<gdi::TColorRef>& colors = {})
        : TTestSurface(gdi::CreateCompatibleBitmap(nullptr, width, height)) {
        for (int i = 0; i < static_cast<int>(colors.size()); ++i)
            gdi::SetPixel(*DC, i % width, i / width, colors[i]);
    }

    // Every pixel, row by row from the top.
    std::vector<gdi::TColorRef> Colors() const {
        std::vector<gdi::TColorRef> out;
        for (int y = 0; y < Bitmap->Height(); ++y)
            for (int x = 0; x < Bitmap->Width(); ++x)
                out.push_back(gdi::GetPixel(*DC, x, y));
        return out;
    }
};
