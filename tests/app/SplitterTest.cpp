#include "app/FbSplit.h"
#include "app/FbSplitCursors.h"

#include <memory>
#include <string>
#include <vector>

#include <QEnterEvent>
#include <QImage>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kWidth = 792;
constexpr int kHeight = 550;

// A splitter as a child of a shown window, so that resizing it delivers its resize at once
// and mouse input reaches it the way it reaches a real one: through the window.
class SplitterTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(1200, 800);
        host->show();
        host->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    }

    TFbSplitter* Make(TFbSplitter::TOrientation orientation, int width, int height, int position,
                      bool realTime) {
        auto* splitter = new TFbSplitter(orientation, host.get());
        splitter->BeginLoading();
        splitter->resize(width, height);
        splitter->SetPosition(position);
        splitter->SetRealTimeDrag(realTime);
        splitter->Loaded();
        splitter->show();
        return splitter;
    }

    // Records the events as "changing <position>" and "change <position>" lines.
    void Log(TFbSplitter* splitter, bool allow = true) {
        splitter->OnChanging = [this, allow](TFbSplitter*, int position, bool& allowed) {
            events.push_back("changing " + std::to_string(position));
            allowed = allow;
        };
        splitter->OnChange = [this](TFbSplitter* sender) {
            events.push_back("change " + std::to_string(sender->Position()));
        };
    }

    std::unique_ptr<QWidget> host;
    std::vector<std::string> events;
};

using Strings = std::vector<std::string>;

QRect Geometry(const QWidget* w) {
    return w->geometry();
}

bool OutlineShown(const TFbSplitter* splitter) {
    return splitter->Outline() && splitter->Outline()->isVisible();
}

// The cursor of the widget at `at`, as the mouse finds it when it comes over that widget.
QCursor CursorUnderMouse(QWidget* parent, QPoint at) {
    QWidget* child = parent->childAt(at);
    QEnterEvent enter(QPointF(1, 1), QPointF(at), QPointF(at));
    QCoreApplication::sendEvent(child, &enter);
    return child->cursor();
}

} // namespace

TEST_F(SplitterTest, ANewSplitterHasTheDocumentedDefaults) {
    TFbSplitter splitter;
    EXPECT_EQ(splitter.size(), QSize(200, 100));
    EXPECT_EQ(splitter.Orientation(), TFbSplitter::orHorizontal);
    EXPECT_EQ(splitter.Position(), 100);
    EXPECT_EQ(splitter.Percent(), 50);
    EXPECT_EQ(splitter.SplitterWidth(), 4);
    EXPECT_EQ(splitter.FixedPane(), TFbSplitter::fpUpperLeft);
    EXPECT_FALSE(splitter.UsePercent());
    EXPECT_FALSE(splitter.RealTimeDrag());
    EXPECT_FALSE(splitter.LockBar());
    EXPECT_EQ(splitter.Color(), splitter.palette().color(QPalette::Button));
    EXPECT_EQ(Geometry(splitter.UpperLeft()), QRect(0, 0, 100, 100));
    EXPECT_EQ(Geometry(splitter.LowerRight()), QRect(104, 0, 96, 100));
}

TEST_F(SplitterTest, PositionsAreClampedAndPercentRoundsHalvesToEven) {
    struct Case {
        TFbSplitter::TOrientation orientation;
        int size;
        int requested;
        int position;
        int percent;
    };
    const Case cases[] = {
        {TFbSplitter::orHorizontal, kWidth, 300, 300, 38},
        {TFbSplitter::orVertical, kHeight, 250, 250, 46},
        {TFbSplitter::orHorizontal, kWidth, 788, 788, 100},
        {TFbSplitter::orHorizontal, kWidth, 900, 788, 100},
        {TFbSplitter::orHorizontal, kWidth, -20, 0, 0},
        {TFbSplitter::orVertical, kHeight, 10000, 546, 100},
        // 202 - 4 / 2 = 200 pixels of span: 75 is 37.5 %, 73 is 36.5 %.
        {TFbSplitter::orHorizontal, 202, 75, 75, 38},
        {TFbSplitter::orHorizontal, 202, 73, 73, 36},
        // Too small for the bar: the bar sits at the edge, never before it.
        {TFbSplitter::orHorizontal, 3, 50, 0, 0},
    };
    for (const Case& c : cases) {
        const bool horizontal = c.orientation == TFbSplitter::orHorizontal;
        TFbSplitter* s =
            Make(c.orientation, horizontal ? c.size : 300, horizontal ? 300 : c.size, 100, false);
        s->SetPosition(c.requested);
        EXPECT_EQ(s->Position(), c.position) << c.size << " " << c.requested;
        EXPECT_EQ(s->Percent(), c.percent) << c.size << " " << c.requested;
        delete s;
    }
}

TEST_F(SplitterTest, ThePanesLieEitherSideOfTheBar) {
    TFbSplitter* side = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    EXPECT_EQ(Geometry(side->UpperLeft()), QRect(0, 0, 300, kHeight));
    EXPECT_EQ(side->BarRect(), QRect(300, 0, 4, kHeight));
    EXPECT_EQ(Geometry(side->LowerRight()), QRect(304, 0, 488, kHeight));

    TFbSplitter* stacked = Make(TFbSplitter::orVertical, 300, kHeight, 250, false);
    EXPECT_EQ(Geometry(stacked->UpperLeft()), QRect(0, 0, 300, 250));
    EXPECT_EQ(stacked->BarRect(), QRect(0, 250, 300, 4));
    EXPECT_EQ(Geometry(stacked->LowerRight()), QRect(0, 254, 300, 296));
}

TEST_F(SplitterTest, EventsComeInOrderAndTheSameValueFiresNone) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    Log(s);
    s->SetPosition(300);
    EXPECT_EQ(events, Strings{});
    s->SetPosition(900);
    EXPECT_EQ(events, (Strings{"changing 788", "change 788"}));
}

TEST_F(SplitterTest, ARefusedChangeLeavesEverythingAsItWas) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    Log(s, false);
    s->SetPosition(200);
    EXPECT_EQ(events, Strings{"changing 200"});
    EXPECT_EQ(s->Position(), 300);
    EXPECT_EQ(s->Percent(), 38);
    EXPECT_EQ(Geometry(s->UpperLeft()), QRect(0, 0, 300, kHeight));

    // A refused drag step leaves the bar; the panes still follow a resize.
    events.clear();
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(301, 10));
    QTest::mouseMove(s, QPoint(251, 10));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(251, 10));
    EXPECT_EQ(s->Position(), 300);
    s->resize(700, kHeight);
    EXPECT_EQ(Geometry(s->LowerRight()), QRect(304, 0, 396, kHeight));
}

TEST_F(SplitterTest, ShrinkingPushesTheBarAndGrowingBringsItBackToThePreferredPosition) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    s->resize(200, kHeight);
    EXPECT_EQ(s->Position(), 196);
    EXPECT_EQ(Geometry(s->LowerRight()), QRect(200, 0, 0, kHeight));
    s->resize(250, kHeight);
    EXPECT_EQ(s->Position(), 246);
    s->resize(kWidth, kHeight);
    EXPECT_EQ(s->Position(), 300);
    s->resize(1100, kHeight); // never beyond
    EXPECT_EQ(s->Position(), 300);
    EXPECT_EQ(s->PreferredPosition(), 300);
}

TEST_F(SplitterTest, ThePlainSetterLastsUntilTheNextResizeTheSecondOneStays) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    s->SetPosition(200);
    EXPECT_EQ(Geometry(s->UpperLeft()).width(), 200);
    s->resize(800, kHeight);
    EXPECT_EQ(s->Position(), 300);

    s->SetPositionPreferred(200);
    s->resize(kWidth, kHeight);
    EXPECT_EQ(s->Position(), 200);

    // Asked for more room than there is: the bar takes what there is, and the rest once
    // the splitter grows.
    s->SetPositionPreferred(1000);
    EXPECT_EQ(s->Position(), 788);
    s->resize(1100, kHeight);
    EXPECT_EQ(s->Position(), 1000);
}

TEST_F(SplitterTest, ALiveDragMovesTheBarAtEachStepAndMakesItPreferred) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    Log(s);
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(302, 100));
    EXPECT_TRUE(s->Dragging());
    QTest::mouseMove(s, QPoint(282, 100));
    EXPECT_EQ(Geometry(s->UpperLeft()), QRect(0, 0, 280, kHeight));
    QTest::mouseMove(s, QPoint(252, 100));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(252, 100));
    EXPECT_FALSE(s->Dragging());
    EXPECT_EQ(s->Position(), 250);
    EXPECT_EQ(s->PreferredPosition(), 250);
    EXPECT_FALSE(OutlineShown(s));
    // Each step asks once for the drag and once for the move itself.
    EXPECT_EQ(events, (Strings{"changing 280", "changing 280", "change 280", "changing 250",
                               "changing 250", "change 250"}));
    s->resize(700, kHeight);
    s->resize(kWidth, kHeight);
    EXPECT_EQ(s->Position(), 250);

    // Far past the edge the bar stops at the edge.
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(251, 100));
    QTest::mouseMove(s, QPoint(-400, 100));
    EXPECT_EQ(s->Position(), 0);
    // Esc ends a live drag where it got to.
    QTest::keyClick(s, Qt::Key_Escape);
    EXPECT_FALSE(s->Dragging());
    QTest::mouseMove(s, QPoint(100, 100));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(s->Position(), 0);
    EXPECT_EQ(s->PreferredPosition(), 0);
}

TEST_F(SplitterTest, AnOutlineDragShowsTheOutlineAndMovesTheBarOnRelease) {
    TFbSplitter* s = Make(TFbSplitter::orVertical, 300, kHeight, 250, false);
    Log(s);
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(100, 251));
    ASSERT_TRUE(OutlineShown(s));
    EXPECT_EQ(Geometry(s->Outline()), QRect(0, 250, 300, 4));
    EXPECT_TRUE(s->hasFocus()); // so that Esc reaches it
    QTest::mouseMove(s, QPoint(100, 151));
    EXPECT_EQ(Geometry(s->Outline()), QRect(0, 150, 300, 4));
    EXPECT_EQ(s->Position(), 250);
    EXPECT_EQ(Geometry(s->UpperLeft()).height(), 250);
    QTest::mouseMove(s, QPoint(100, 2000));
    EXPECT_EQ(Geometry(s->Outline()), QRect(0, 546, 300, 4));
    QTest::mouseMove(s, QPoint(100, 121));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(100, 121));
    EXPECT_FALSE(OutlineShown(s));
    EXPECT_EQ(s->Position(), 120);
    EXPECT_EQ(Geometry(s->UpperLeft()), QRect(0, 0, 300, 120));
    EXPECT_EQ(Geometry(s->LowerRight()), QRect(0, 124, 300, 426));
    EXPECT_EQ(s->PreferredPosition(), 120);
    // Only the release moves the bar; the drag steps only ask.
    EXPECT_EQ(events, (Strings{"changing 150", "changing 546", "changing 120", "changing 120",
                               "change 120"}));
}

TEST_F(SplitterTest, EscCancelsAnOutlineDragLeavingThePositionAndNoOutline) {
    TFbSplitter* s = Make(TFbSplitter::orVertical, 300, kHeight, 250, false);
    s->SetPosition(200); // not preferred: the cancel makes it so
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(100, 201));
    QTest::mouseMove(s, QPoint(100, 101));
    QTest::keyClick(s, Qt::Key_Escape);
    EXPECT_FALSE(s->Dragging());
    EXPECT_FALSE(OutlineShown(s));
    QTest::mouseMove(s, QPoint(100, 51));
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(100, 51));
    EXPECT_EQ(s->Position(), 200);
    EXPECT_EQ(s->PreferredPosition(), 200);
    EXPECT_EQ(Geometry(s->UpperLeft()).height(), 200);
}

TEST_F(SplitterTest, TheOutlineInvertsEveryOtherPixelOfTheBarArea) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, 400, 300, 100, false);
    const QColor background(0x20, 0x40, 0x60);
    s->SetColor(background);
    QImage before = s->grab().toImage();
    EXPECT_EQ(before.pixelColor(101, 10), background); // the bar is the background
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(101, 10));
    QTest::mouseMove(s, QPoint(201, 10)); // the outline over the empty right pane
    const QImage image = s->grab().toImage();
    const QColor inverted(0xDF, 0xBF, 0x9F);
    for (int y = 0; y < 4; ++y)
        for (int x = 200; x < 204; ++x)
            EXPECT_EQ(image.pixelColor(x, y), (x + y) % 2 == 0 ? inverted : background)
                << x << "," << y;
    EXPECT_EQ(image.pixelColor(204, 0), background);
    QTest::keyClick(s, Qt::Key_Escape);
    EXPECT_EQ(s->grab().toImage().pixelColor(200, 0), background);
}

TEST_F(SplitterTest, OnlyTheLeftButtonInsideAnUnlockedBarStartsADrag) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    struct Case {
        Qt::MouseButton button;
        QPoint at;
        bool locked;
    };
    const Case cases[] = {
        {Qt::RightButton, {301, 10}, false}, {Qt::MiddleButton, {301, 10}, false},
        {Qt::LeftButton, {299, 10}, false}, // on the left pane
        {Qt::LeftButton, {304, 10}, false}, // on the right pane
        {Qt::LeftButton, {301, 10}, true},
    };
    for (const Case& c : cases) {
        s->SetLockBar(c.locked);
        QTest::mousePress(s, c.button, {}, c.at);
        EXPECT_FALSE(s->Dragging()) << c.at.x();
        QTest::mouseMove(s, c.at - QPoint(50, 0));
        QTest::mouseRelease(s, c.button, {}, c.at - QPoint(50, 0));
        EXPECT_EQ(s->Position(), 300) << c.at.x();
    }
}

TEST_F(SplitterTest, AHiddenPaneLeavesTheOtherTheWholeSplitterWithoutClamping) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    s->UpperLeft()->hide();
    EXPECT_EQ(Geometry(s->LowerRight()), QRect(0, 0, kWidth, kHeight));
    EXPECT_TRUE(s->BarRect().isEmpty());
    s->SetPosition(900);
    EXPECT_EQ(s->Position(), 900);
    EXPECT_EQ(Geometry(s->LowerRight()), QRect(0, 0, kWidth, kHeight));
    // No bar to press on.
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(301, 10));
    EXPECT_FALSE(s->Dragging());
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(301, 10));

    // Back in view, the position is fitted to the room there is.
    s->UpperLeft()->show();
    EXPECT_EQ(s->Position(), 788);
    EXPECT_EQ(Geometry(s->UpperLeft()), QRect(0, 0, 788, kHeight));

    s->SetPosition(300);
    s->LowerRight()->hide();
    EXPECT_EQ(Geometry(s->UpperLeft()), QRect(0, 0, kWidth, kHeight));
}

TEST_F(SplitterTest, TheBarShowsTheSplitCursorUnlessLocked) {
    TFbSplitter* side = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    TFbSplitter* stacked = Make(TFbSplitter::orVertical, 300, kHeight, 250, false);
    const QCursor horizontal = CursorUnderMouse(side, QPoint(301, 10));
    const QCursor vertical = CursorUnderMouse(stacked, QPoint(10, 251));
    ASSERT_EQ(horizontal.shape(), Qt::BitmapCursor);
    ASSERT_EQ(vertical.shape(), Qt::BitmapCursor);
    EXPECT_EQ(horizontal.hotSpot(), QPoint(16, 16));
    const QImage h = horizontal.pixmap().toImage();
    const QImage v = vertical.pixmap().toImage();
    ASSERT_EQ(h.size(), QSize(32, 32));
    // Opaque extent: wide for side-by-side panes, tall for stacked ones, the one the
    // other mirrored across the diagonal.
    QRect opaque;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            if (qAlpha(h.pixel(x, y)) != 0)
                opaque |= QRect(x, y, 1, 1);
            EXPECT_EQ(h.pixel(x, y), v.pixel(y, x));
        }
    EXPECT_GT(opaque.width(), opaque.height());
    EXPECT_EQ(qAlpha(h.pixel(16, 16)), 255);
    EXPECT_EQ(LoadSplitCursor("FBSPLIT_HORZHOTSPOT").shape(), Qt::ArrowCursor);

    // The bar turned on its side takes the other cursor.
    side->SetOrientation(TFbSplitter::orVertical);
    EXPECT_EQ(side->findChild<QWidget*>("bar")->cursor().pixmap().toImage(), v);
    side->SetOrientation(TFbSplitter::orHorizontal);

    // Elsewhere, and on a locked bar, the normal cursor applies, also when the mouse comes
    // over it anew.
    EXPECT_EQ(CursorUnderMouse(side, QPoint(100, 10)).shape(), Qt::ArrowCursor);
    side->SetLockBar(true);
    EXPECT_EQ(side->childAt(301, 10)->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(CursorUnderMouse(side, QPoint(301, 10)).shape(), Qt::ArrowCursor);
    side->SetLockBar(false);
    EXPECT_EQ(CursorUnderMouse(side, QPoint(301, 10)).shape(), Qt::BitmapCursor);
}

TEST_F(SplitterTest, APercentSetAfterLoadingDrivesTheLayout) {
    TFbSplitter* s = new TFbSplitter(TFbSplitter::orHorizontal, host.get());
    s->BeginLoading();
    s->resize(kWidth, kHeight);
    s->SetPosition(300);
    s->SetPercent(10); // stored only
    EXPECT_EQ(s->Percent(), 10);
    EXPECT_EQ(s->Position(), 300);
    s->Loaded();
    s->show();
    EXPECT_FALSE(s->UsePercent());

    s->SetPercent(25);
    EXPECT_TRUE(s->UsePercent());
    EXPECT_EQ(s->Position(), 198); // 25 % of 790, 197.5, to even
    s->resize(402, kHeight);
    EXPECT_EQ(s->Position(), 100);
    EXPECT_EQ(s->Percent(), 25);
}

TEST_F(SplitterTest, AFixedLowerRightPaneKeepsItsSizeOnResize) {
    TFbSplitter* s = Make(TFbSplitter::orHorizontal, kWidth, kHeight, 300, true);
    s->SetFixedPane(TFbSplitter::fpLowerRight);
    s->resize(600, kHeight);
    EXPECT_EQ(Geometry(s->LowerRight()).width(), 488);
    EXPECT_EQ(s->Position(), 108);
}
