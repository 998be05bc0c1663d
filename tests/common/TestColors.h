// Colours the drawing tests name, as the raster layer passes them around.
#pragma once

#include "platform/gdi/Dib.h"

constexpr gdi::TColorRef kBlack = gdi::RGB(0, 0, 0);
constexpr gdi::TColorRef kWhite = gdi::RGB(255, 255, 255);
constexpr gdi::TColorRef kGrey = gdi::RGB(128, 128, 128);
constexpr gdi::TColorRef kRed = gdi::RGB(255, 0, 0);
constexpr gdi::TColorRef kGreen = gdi::RGB(0, 255, 0);
constexpr gdi::TColorRef kBlue = gdi::RGB(0, 0, 255);
