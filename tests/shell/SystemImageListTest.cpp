#include "gui/SystemImageList.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

// Whether any pixel of the image is not fully transparent.
bool HasInk(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

TEST(SystemImageList, SmallAndLargeShareIndexesAndDrawEveryIcon) {
    TSystemImageList& small = SystemImageListOfSize(true);
    TSystemImageList& large = SystemImageListOfSize(false);
    EXPECT_EQ(TSystemImageList::IndexOf("text-x-generic"), 0);
    EXPECT_EQ(TSystemImageList::IndexOf(""), 0);
    const int folder = TSystemImageList::IndexOf("folder");
    EXPECT_EQ(TSystemImageList::IndexOf("folder"), folder);
    EXPECT_EQ(small.Count(), large.Count());
    for (const char* name : {"folder", "user-home", "computer", "user-trash", "drive-harddisk",
                             "drive-removable-media", "media-optical", "folder-remote",
                             "application-zip", "no-such-icon-anywhere"}) {
        const int index = TSystemImageList::IndexOf(name);
        const QPixmap s = small.Pixmap(index);
        const QPixmap l = large.Pixmap(index);
        EXPECT_EQ(s.size(), QSize(16, 16)) << name;
        EXPECT_EQ(l.size(), QSize(32, 32)) << name;
        EXPECT_TRUE(HasInk(s)) << name << " has no picture even from the fallbacks";
    }
    EXPECT_EQ(small.Pixmap(9999).size(), QSize(16, 16));
}

TEST(SystemImageList, OverlayImagesOneAndTwoExistAndAreDrawnOver) {
    TSystemImageList& small = SystemImageListOfSize(true);
    for (int overlay : {TSystemImageList::kOverlayShared, TSystemImageList::kOverlayLink}) {
        const QPixmap badge = small.OverlayImage(overlay);
        ASSERT_FALSE(badge.isNull()) << overlay;
        EXPECT_TRUE(HasInk(badge));
        EXPECT_LE(badge.width(), 16);
    }
    EXPECT_TRUE(small.OverlayImage(3).isNull());
    const int folder = TSystemImageList::IndexOf("folder");
    EXPECT_NE(small.Pixmap(folder, TSystemImageList::kOverlayLink).toImage(),
              small.Pixmap(folder).toImage());
}
