// Pictures travel through the clipboard as Qt images, which only the Qt layer can make and
// read. The bitmap class is also used by programs that load no Qt at all (the thumbnailer,
// whose start-up time matters), so it reaches that conversion through this seam: the Qt
// application installs it (TGuiApplication), and a program without one has no clipboard.
#pragma once

#include "platform/gdi/Dib.h"

#include <memory>

class QMimeData;

struct TClipboardImageCodec {
    // The bitmap the data's image shows; null when the data holds no image.
    std::unique_ptr<gdi::TDibSection> (*Read)(const QMimeData& data) = nullptr;
    // Puts the bitmap into the data as an image.
    void (*Write)(QMimeData& data, const gdi::TDibSection& bitmap) = nullptr;
};

// Set once, before any thread could read it.
void SetClipboardImageCodec(const TClipboardImageCodec& codec);
// All null until the Qt application installed its conversion.
const TClipboardImageCodec& ClipboardImageCodec();
