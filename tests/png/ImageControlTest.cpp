// A PNG image in the image control: sized by its picture, blended over the pane it covers,
// and never failing a repaint.
#include "gui/Image.h"
#include "tests/common/MessageCapture.h"
#include "tests/png/PngTestSupport.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

// A white pane with the control at (3, 4), sized by its picture.
struct TPane {
    QWidget Pane;
    TImage* Image;

    TPane() : Image(new TImage(&Pane)) {
        Pane.setAutoFillBackground(true);
        QPalette palette = Pane.palette();
        palette.setColor(QPalette::Window, Qt::white);
        Pane.setPalette(palette);
        Pane.resize(40, 30);
        Image->move(3, 4);
        Image->SetAutoSize(true);
        Pane.show();
    }
};

} // namespace

TEST(ImageControl, ShowsAnAlphaImageBlendedOverThePane) {
    TPane pane;
    {
        TPngGraphic png;
        LoadBytes(png, SimplePng(Ihdr(2, 1, 8, 6), Bytes({0, 200, 100, 0, 128, 1, 2, 3, 255})));
        pane.Image->Picture().SetGraphic(&png);
    }
    EXPECT_EQ(pane.Image->size(), QSize(2, 1));
    const QImage shot = pane.Pane.grab().toImage();
    EXPECT_EQ(ImageColor(shot, 3, 4), RGB(227, 177, 127));
    EXPECT_EQ(ImageColor(shot, 4, 4), RGB(1, 2, 3));
    EXPECT_EQ(ImageColor(shot, 5, 4), RGB(255, 255, 255));
}

TEST(ImageControl, AnImageWithAPaletteIndexBeyondItsPaletteRepaintsWithoutReports) {
    MessageCapture messages;
    TPane pane;
    TPngGraphic png;
    LoadBytes(png, SimplePng(Ihdr(2, 1, 8, 3), Bytes({0, 0, 7}),
                             Chunk("PLTE", Bytes({0, 0, 255})) + Chunk("tRNS", Bytes({128}))));
    pane.Image->Picture().SetGraphic(&png);
    for (int repaint = 0; repaint < 3; ++repaint) {
        const QImage shot = pane.Pane.grab().toImage();
        EXPECT_EQ(ImageColor(shot, 3, 4), RGB(127, 127, 255));
        EXPECT_EQ(ImageColor(shot, 4, 4), RGB(0, 0, 0));
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(messages.Texts().empty());
}
