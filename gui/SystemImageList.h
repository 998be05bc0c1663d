// The process-wide system image lists: one of small (16x16) and one of large (32x32)
// icons with the same indexes, filled from the freedesktop icon theme by icon name as the
// namespace names them. Index 0 is the generic document; overlay images 1 (shared) and 2
// (link) are drawn on an item's icon. Works without any icon theme installed: names the
// theme lacks fall back to a related name, then to the style's standard icons.
#pragma once

#include <string>
#include <vector>

#include <QPixmap>

class TSystemImageList {
public:
    static constexpr int kSmallSize = 16;
    static constexpr int kLargeSize = 32;
    static constexpr int kOverlayShared = 1;
    static constexpr int kOverlayLink = 2;

    // The index of the icon called `iconName`, added to both lists on first use.
    static int IndexOf(const std::string& iconName);

    int IconSize() const { return FSize; }
    int Count() const;
    // The icon at `index` (the generic document for an index out of range), with overlay
    // image `overlay` (0 for none) drawn over its lower left corner.
    QPixmap Pixmap(int index, int overlay = 0) const;
    // Overlay image 1 or 2 at this list's size; a null pixmap for other numbers.
    QPixmap OverlayImage(int overlay) const;

private:
    friend TSystemImageList& SystemImageListOfSize(bool small);
    explicit TSystemImageList(int size) : FSize(size) {}
    const QPixmap& Rendered(int index) const;

    int FSize;
    mutable std::vector<QPixmap> FPixmaps;
};

// The small or large list; created on first use, never destroyed by its users.
TSystemImageList& SystemImageListOfSize(bool small);

// The icon at `index` of the lists drawn `size` pixels square, with overlay `overlay`, for
// views that show icons larger than the lists' (a picture's place when it has none).
QPixmap SystemIconOfSize(int index, int size, int overlay = 0);
