// The image control: its size follows the picture, it paints the graphic over the
// background it covers, and a graphic that fails to draw is reported once, not on every
// repaint.
#include "gui/Image.h"

#include "gui/Bitmap.h"
#include "gui/Canvas.h"
#include "tests/common/GraphicSupport.h"
#include "tests/common/MessageCapture.h"

#include <functional>

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

using gdi::RGB;

namespace {

// A parent that paints a known background, with an image control inside.
struct TImageHost {
    QWidget Parent;
    TImage* Image;

    TImageHost() : Image(new TImage(&Parent)) {
        Parent.setAutoFillBackground(true);
        QPalette palette = Parent.palette();
        palette.setColor(QPalette::Window, QColor(10, 20, 30));
        Parent.setPalette(palette);
        Parent.resize(50, 50);
        Parent.show();
    }

    // The control's pixels as painted, row by row.
    std::vector<gdi::TColorRef> Painted() const { return ImageColors(Image->grab().toImage()); }
};

// 2 x 1: red, blue.
void SetRedBlue(TPicture& picture) {
    TBitmap bitmap;
    bitmap.SetSize(2, 1);
    bitmap.Canvas().SetPixels(0, 0, kRed);
    bitmap.Canvas().SetPixels(1, 0, kBlue);
    picture.SetGraphic(&bitmap);
}

class TFailingGraphic : public TGraphic {
public:
    const char* ClassName() const override { return "TFailingGraphic"; }
    std::unique_ptr<TGraphic> NewInstance() const override {
        return std::make_unique<TFailingGraphic>();
    }
    int Width() const override { return 3; }
    int Height() const override { return 3; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return false; }
    void Draw(TCanvas&, const TRect&) override { throw Exception("The graphic is damaged"); }
    void Assign(const TGraphic&) override {}
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) override {}
};

} // namespace

TEST(Image, AutoSizeFollowsThePicture) {
    TImage image;
    image.setGeometry(8, 8, 105, 105);
    SetRedBlue(image.Picture());
    EXPECT_EQ(image.size(), QSize(105, 105)) << "auto-size is off by default";
    image.SetAutoSize(true);
    EXPECT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pos(), QPoint(8, 8)) << "only the size changes";
    image.Picture().Bitmap().SetSize(7, 4);
    EXPECT_EQ(image.size(), QSize(7, 4)) << "a change of the graphic itself counts";
    image.Picture().SetGraphic(nullptr);
    EXPECT_EQ(image.size(), QSize(7, 4)) << "an empty picture leaves the size";
}

TEST(Image, PaintsTheGraphicOverTheBackgroundItCovers) {
    const gdi::TColorRef b = RGB(10, 20, 30);
    const struct {
        const char* Name;
        bool Stretch, Center, Proportional;
        std::vector<gdi::TColorRef> Expected; // 4 x 2 control
    } cases[] = {
        {"plain", false, false, false, {kRed, kBlue, b, b, b, b, b, b}},
        {"centred", false, true, false, {b, kRed, kBlue, b, b, b, b, b}},
        {"stretched", true, false, false, {kRed, kRed, kBlue, kBlue, kRed, kRed, kBlue, kBlue}},
        {"proportional", true, false, true, {kRed, kRed, kBlue, kBlue, kRed, kRed, kBlue, kBlue}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TImageHost host;
        host.Image->resize(4, 2);
        SetRedBlue(host.Image->Picture());
        host.Image->SetStretch(c.Stretch);
        host.Image->SetCenter(c.Center);
        host.Image->SetProportional(c.Proportional);
        EXPECT_EQ(host.Painted(), c.Expected);
    }
}

TEST(Image, ARepaintShowsWhatChangedSinceTheLastOne) {
    // The control keeps what it composed; each change below must still show at once.
    const gdi::TColorRef b = RGB(10, 20, 30);
    const gdi::TColorRef g = RGB(0, 200, 0);
    TImageHost host;
    host.Image->resize(4, 2);
    SetRedBlue(host.Image->Picture());
    EXPECT_EQ(host.Painted(), (std::vector<gdi::TColorRef>{kRed, kBlue, b, b, b, b, b, b}));
    const struct {
        const char* Name;
        std::function<void()> Change;
        std::vector<gdi::TColorRef> Expected;
    } steps[] = {
        {"a partial repaint", [] {}, {kRed, kBlue, b, b, b, b, b, b}},
        {"the graphic drawn on",
         [&] { host.Image->Picture().Bitmap().Canvas().SetPixels(1, 0, kRed); },
         {kRed, kRed, b, b, b, b, b, b}},
        {"the background",
         [&] {
             QPalette palette = host.Parent.palette();
             palette.setColor(QPalette::Window, QColor(0, 200, 0));
             host.Parent.setPalette(palette);
         },
         {kRed, kRed, g, g, g, g, g, g}},
        {"the place", [&] { host.Image->SetCenter(true); }, {g, kRed, kRed, g, g, g, g, g}},
        {"the size", [&] { host.Image->resize(2, 1); }, {kRed, kRed}},
        {"another picture", [&] { SetRedBlue(host.Image->Picture()); }, {kRed, kBlue}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Change();
        EXPECT_EQ(host.Painted(), step.Expected);
    }
    // Part of the control alone comes from what was composed, in its place.
    EXPECT_EQ(host.Image->grab(QRect(1, 0, 1, 1)).toImage().pixel(0, 0), qRgb(0, 0, 255));
}

TEST(Image, OnlyTheVisiblePartOfALargeImageIsPainted) {
    // A 3000 x 2000 image placed at (-10, -5) in a 4 x 4 parent: the paint covers the
    // image's pixels 10 to 13 and 5 to 8 only, in the right place.
    QWidget parent;
    parent.resize(4, 4);
    auto* image = new TImage(&parent);
    image->SetAutoSize(true);
    image->move(-10, -5);
    TBitmap& bitmap = image->Picture().Bitmap();
    bitmap.SetSize(3000, 2000);
    bitmap.Canvas().SetPixels(11, 6, kRed);
    bitmap.Canvas().SetPixels(13, 8, kBlue);
    parent.show();
    const QImage shot = parent.grab().toImage();
    EXPECT_EQ(shot.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(shot.pixel(0, 0), qRgb(255, 255, 255));
}

TEST(Image, ProportionalFitsTheGraphicKeepingItsShape) {
    TImageHost host;
    host.Image->resize(10, 10);
    host.Image->Picture().Bitmap().SetSize(40, 20);
    host.Image->SetProportional(true);
    EXPECT_EQ(host.Image->DestRect(), Bounds(0, 0, 10, 5));
    host.Image->SetCenter(true);
    EXPECT_EQ(host.Image->DestRect(), Bounds(0, 2, 10, 5));
    host.Image->Picture().Bitmap().SetSize(4, 2);
    EXPECT_EQ(host.Image->DestRect(), Bounds(3, 4, 4, 2)) << "small graphics keep their size";
}

TEST(Image, AGraphicThatFailsToDrawIsReportedOnce) {
    MessageCapture messages;
    TImageHost host;
    host.Image->SetAutoSize(true);
    TFailingGraphic failing;
    host.Image->Picture().SetGraphic(&failing);
    for (int repaint = 0; repaint < 3; ++repaint) {
        host.Painted();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"The graphic is damaged."});
    EXPECT_EQ(host.Painted(), std::vector<gdi::TColorRef>(9, RGB(10, 20, 30)));

    // A new picture gets its own chance.
    host.Image->Picture().SetGraphic(&failing);
    host.Painted();
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.Texts().size(), 2u);
}
