// Crossing between the raster layer's bitmaps and Qt's images: how a canvas reaches
// QPainter and how pictures travel through the clipboard.
#pragma once

#include "platform/gdi/Dib.h"

#include <memory>

#include <QImage>

// An opaque 32-bit image of the bitmap's colours.
QImage DibToQImage(const gdi::TDibSection& bitmap);

// A 32-bit bitmap of the image's colours (alpha dropped); null for a null image.
std::unique_ptr<gdi::TDibSection> QImageToDib(const QImage& image);

class QMimeData;

// The clipboard's image as a bitmap (null when the data holds none), and a bitmap put into
// clipboard data: the conversion TGuiApplication installs for the bitmap class.
std::unique_ptr<gdi::TDibSection> ClipboardDataToDib(const QMimeData& data);
void DibToClipboardData(QMimeData& data, const gdi::TDibSection& bitmap);
