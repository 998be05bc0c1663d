#include "gui/Application.h"
#include "tests/common/TempDir.h"
#include "util/plkFormUtils.h"
#include "util/plkIni.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Monitor layouts stand in for real screens; the store must place windows by them alone.
class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        FSavedFile = FormInfoFileName();
        FormInfoFileName() = FDir.File("JibSettings.ini");
        UseMonitors({{Bounds(0, 0, 1920, 1080), Bounds(0, 0, 1920, 1040), true}});
        FForm.setObjectName("frmJIBMain");
        FForm.resize(792, 600);
        FForm.move(314, 129);
    }
    void TearDown() override {
        SetMonitorSource(nullptr);
        FormInfoFileName() = FSavedFile;
        Application().SetMainForm(nullptr);
    }

    void UseMonitors(std::vector<TMonitor> monitors) {
        SetMonitorSource([monitors] { return monitors; });
    }
    void Store(int left, int top, int right, int bottom, int state = 0) {
        const std::string& f = FormInfoFileName();
        IniWriteInteger(f, "frmJIBMainPosition", "State", state);
        IniWriteInteger(f, "frmJIBMainPosition", "Top", top);
        IniWriteInteger(f, "frmJIBMainPosition", "Left", left);
        IniWriteInteger(f, "frmJIBMainPosition", "Right", right);
        IniWriteInteger(f, "frmJIBMainPosition", "Bottom", bottom);
    }
    int Stored(const char* key) {
        return IniReadInteger(FormInfoFileName(), "frmJIBMainPosition", key, -999);
    }
    // Where the store puts a window: its frame's corner and its size inside the frame.
    QRect Frame() const { return QRect(FForm.pos(), FForm.size()); }

    TempDir FDir;
    QWidget FForm;
    std::string FSavedFile;
};

} // namespace

TEST(FitRectToWorkArea, MovesInsideAndPinsOversizedRectanglesToTheTopLeft) {
    const TRect work{0, 0, 1920, 1040};
    struct Case {
        TRect in, out;
    } cases[] = {
        {{1900, 100, 2700, 700}, {1120, 100, 1920, 700}},  // off the right edge
        {{100, 900, 500, 1200}, {100, 740, 500, 1040}},    // off the bottom
        {{-50, -20, 350, 280}, {0, 0, 400, 300}},          // off the left and top
        {{100, 100, 3100, 700}, {0, 100, 3000, 700}},      // wider than the work area
        {{10, 10, 20, 20}, {10, 10, 20, 20}},              // already inside
    };
    for (auto& c : cases) {
        TRect r = c.in;
        FitRectToWorkArea(work, r);
        EXPECT_EQ(r, c.out) << c.in.Left << "," << c.in.Top;
    }
    TRect shifted{-500, 0, 100, 100};
    FitRectToWorkArea(TRect{1920, 0, 3840, 1040}, shifted); // a second monitor's area
    EXPECT_EQ(shifted, (TRect{1920, 0, 2520, 100}));
}

TEST_F(PlacementTest, RestoreFitsTheStoredRectangleIntoThePrimaryWorkArea) {
    Store(1900, 100, 2700, 700);
    EXPECT_TRUE(RestoreFormPositionEx(&FForm, "frmJIBMain", true, false, false));
    EXPECT_EQ(Frame(), QRect(1120, 100, 800, 600));
}

TEST_F(PlacementTest, AnOversizedRectangleKeepsItsWidthFromTheLeftEdge) {
    Store(100, 50, 3100, 650);
    EXPECT_TRUE(RestoreFormPosition(&FForm, true, false));
    EXPECT_EQ(Frame(), QRect(0, 50, 3000, 600));
}

TEST_F(PlacementTest, NothingStoredOrLeftMinusOneChangesNothing) {
    EXPECT_FALSE(RestoreFormPosition(&FForm, false, false));
    Store(-1, 100, 900, 700);
    EXPECT_FALSE(RestoreFormPosition(&FForm, false, false));
    EXPECT_EQ(Frame(), QRect(314, 129, 792, 600));
}

TEST_F(PlacementTest, TinySizesAndIgnoreSizeKeepTheCurrentSize) {
    Store(10, 20, 18, 620); // 8 wide: not applied; 600 high: applied
    EXPECT_TRUE(RestoreFormPosition(&FForm, true, false));
    EXPECT_EQ(Frame(), QRect(10, 20, 792, 600));
    Store(30, 40, 1030, 1040);
    EXPECT_TRUE(RestoreFormPosition(&FForm, true, true));
    EXPECT_EQ(Frame(), QRect(30, 40, 792, 600));
}

TEST_F(PlacementTest, NoClampPlacesTheRectangleAsStored) {
    Store(1900, 100, 2700, 700);
    EXPECT_TRUE(RestoreFormPositionEx(&FForm, "frmJIBMain", true, false, true));
    EXPECT_EQ(Frame(), QRect(1900, 100, 800, 600));
}

TEST_F(PlacementTest, TheStoredStateIsAppliedUnlessIgnored) {
    Store(100, 100, 900, 700, 2);
    EXPECT_TRUE(RestoreFormPosition(&FForm, true, false));
    EXPECT_FALSE(FForm.windowState().testFlag(Qt::WindowMinimized));
    EXPECT_TRUE(RestoreFormPosition(&FForm, false, false));
    EXPECT_TRUE(FForm.windowState().testFlag(Qt::WindowMinimized));
    Store(100, 100, 900, 700, 7); // unknown: left as it is
    EXPECT_TRUE(RestoreFormPosition(&FForm, false, false));
    EXPECT_TRUE(FForm.windowState().testFlag(Qt::WindowMinimized));
    Store(100, 100, 900, 700, 0);
    EXPECT_TRUE(RestoreFormPosition(&FForm, false, false));
    EXPECT_EQ(FForm.windowState(), Qt::WindowNoState);
}

TEST_F(PlacementTest, TheMainWindowUsesTheMonitorUnderItsStoredCorner) {
    UseMonitors({{Bounds(0, 0, 1920, 1080), Bounds(0, 0, 1920, 1040), true},
                 {Bounds(1920, 0, 1280, 1024), Bounds(1920, 30, 1280, 994), false}});
    Application().SetMainForm(&FForm);
    Store(3000, 10, 3800, 610); // corner on the second monitor, right edge beyond it
    EXPECT_TRUE(RestoreFormPosition(&FForm, true, false));
    EXPECT_EQ(Frame(), QRect(2400, 30, 800, 600));
    Store(5000, 10, 5800, 610); // corner on no monitor: the monitor showing the window
    EXPECT_TRUE(RestoreFormPosition(&FForm, true, false));
    EXPECT_EQ(Frame(), QRect(2400, 30, 800, 600));
}

TEST_F(PlacementTest, CentringUsesTheDefaultWorkAreaWithTruncatingDivision) {
    CenterFormOnWorkArea(&FForm);
    EXPECT_EQ(Frame(), QRect(564, 220, 792, 600));
    UseMonitors({{Bounds(0, 0, 1366, 768), Bounds(0, 27, 1366, 741), true}});
    FForm.resize(2001, 900);
    CenterFormOnWorkArea(&FForm); // larger than the work area: left and above its edges
    EXPECT_EQ(Frame(), QRect(-317, -52, 2001, 900));
}

TEST_F(PlacementTest, TheDefaultWorkAreaFollowsTheMainWindowOnceThereIsOne) {
    UseMonitors({{Bounds(-1280, 0, 1280, 1024), Bounds(-1280, 0, 1280, 1000), false},
                 {Bounds(0, 0, 1920, 1080), Bounds(0, 0, 1920, 1040), true}});
    EXPECT_EQ(GetDefaultWorkArea(), (TRect{0, 0, 1920, 1040}));
    FForm.move(-1000, 100);
    Application().SetMainForm(&FForm);
    EXPECT_EQ(GetDefaultWorkArea(), (TRect{-1280, 0, 0, 1000}));
}

TEST_F(PlacementTest, SavingAMaximisedWindowStoresStateOneAndTheNormalBounds) {
    FForm.move(120, 80);
    FForm.resize(640, 480);
    FForm.show();
    QApplication::processEvents();
    const QRect normal = Frame();
    FForm.setWindowState(Qt::WindowMaximized);
    QApplication::processEvents();
    ASSERT_NE(Frame(), normal);
    SaveFormPosition(&FForm);
    EXPECT_EQ(Stored("State"), 1);
    EXPECT_EQ(Stored("Left"), normal.left());
    EXPECT_EQ(Stored("Top"), normal.top());
    EXPECT_EQ(Stored("Right"), normal.left() + 640);
    EXPECT_EQ(Stored("Bottom"), normal.top() + 480);
    EXPECT_FALSE(FForm.windowState().testFlag(Qt::WindowMaximized));
    FForm.hide();
}

TEST_F(PlacementTest, StoredKeysUseTheFormNameAndTheOrderStateTopLeftRightBottom) {
    FForm.move(10, 20);
    FForm.resize(300, 200);
    SaveFormPositionEx(&FForm, "frmOther");
    EXPECT_EQ(ReadFileText(FormInfoFileName()),
              "[frmOtherPosition]\nState=0\nTop=20\nLeft=10\nRight=310\nBottom=220\n");
}
