// The test binaries' entry: a Qt application on the offscreen platform around the tests,
// so widget tests need no display.
#include "gui/Application.h"
#include "gui/GuiApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("JIB_TEST_DATA", JIB_TEST_DATA_DIR, 0);
    TGuiApplication app(argc, argv);
    Application().SetTitle("Quillbrew Free JIB Viewer");
    return RUN_ALL_TESTS();
}
