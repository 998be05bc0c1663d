// Pictures: the copies they keep, the file formats they know, and what they tell their
// owner.
#include "gui/Picture.h"

#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "tests/common/GraphicSupport.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

// A graphic class that can't be copied.
std::unique_ptr<TGraphic> NewFixed() {
    return std::make_unique<TStubGraphic>("TFixedGraphic");
}

} // namespace

TEST(Picture, KeepsACopyOfWhatItIsGiven) {
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TPicture*) {
        ++changes;
    };
    EXPECT_EQ(picture.Width(), 0);
    {
        TBitmap bitmap;
        bitmap.SetSize(4, 3);
        picture.SetGraphic(&bitmap);
        bitmap.Canvas().SetPixels(0, 0, RGB(1, 2, 3));
    }
    EXPECT_EQ(changes, 1);
    auto* copy = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(picture.Height(), 3);
    EXPECT_EQ(copy->Canvas().Pixels(0, 0), RGB(255, 255, 255));

    // A change of the held graphic is a change of the picture.
    copy->Canvas().SetPixels(0, 0, RGB(1, 2, 3));
    EXPECT_EQ(changes, 2);

    // A graphic that can't be copied leaves the picture as it was.
    TStubGraphic fixed("TFixedGraphic");
    EXPECT_THROW(picture.SetGraphic(&fixed), EInvalidGraphicOperation);
    EXPECT_EQ(picture.Graphic(), copy);

    picture.SetGraphic(nullptr);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_EQ(changes, 3);
}

TEST(Picture, FilesLoadThroughTheClassOfTheirExtension) {
    TempDir dir;
    TPicture picture;
    EXPECT_THROW(picture.SaveToFile(dir.File("nothing.bmp")), EInvalidGraphicOperation);
    picture.Bitmap().SetSize(2, 5);
    picture.SaveToFile(dir.File("saved.bmp"));

    TPicture loaded;
    loaded.LoadFromFile(dir.File("saved.bmp"));
    EXPECT_NE(dynamic_cast<TBitmap*>(loaded.Graphic()), nullptr);
    EXPECT_EQ(loaded.Height(), 5);

    dir.Write("odd.xyz", "whatever");
    try {
        loaded.LoadFromFile(dir.File("odd.xyz"));
        ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
    }
    dir.Write("broken.BMP", "BM but nothing more");
    EXPECT_THROW(loaded.LoadFromFile(dir.File("broken.BMP")), EInvalidGraphic);
    EXPECT_EQ(loaded.Height(), 5) << "a failed load keeps what the picture held";
}

TEST(Picture, TheRegistryNamesEachFormatOnce) {
    EXPECT_EQ(TPicture::FindGraphicClass("fix"), nullptr);
    TPicture::RegisterFileFormat(".FIX", "Fixed pictures", NewFixed);
    EXPECT_EQ(TPicture::FindGraphicClass("fix"), NewFixed);
    EXPECT_EQ(TPicture::GraphicFilter().rfind("All pictures (", 0), 0u);
    EXPECT_NE(TPicture::GraphicFilter().find(";;Fixed pictures (*.fix *.FIX)"), std::string::npos);
    EXPECT_NE(TPicture::GraphicFilter().find(";;Bitmaps (*.bmp *.BMP)"), std::string::npos);
    TPicture::RegisterFileFormat("fix", "Fixed, again", NewFixed);
    int named = 0;
    for (const TFileFormat& f : TPicture::FileFormats())
        named += f.Extension == "fix";
    EXPECT_EQ(named, 1);
    TPicture::UnregisterGraphicClass(NewFixed);
    EXPECT_EQ(TPicture::FindGraphicClass("fix"), nullptr);
}
