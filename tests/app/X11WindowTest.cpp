// What only a real X server with a window manager shows: the hints the About dialog gives
// the window manager, and where a window closed maximised is remembered. Run through
// run-x11.sh, which starts Xvfb and openbox.
#include "app/JIBMainForm.h"
#include "app/JibAboutForm.h"
#include "gui/Application.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <array>
#include <cstdio>
#include <memory>
#include <sstream>

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// What xprop says of a window's properties.
std::string Properties(WId window, const std::string& names) {
    const std::string command = "xprop -id " + std::to_string(window) + " " + names;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    std::array<char, 512> buffer;
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get()) != nullptr)
        out += buffer.data();
    return out;
}

// The numbers of a 32-bit cardinal property ("NAME(TYPE) = 1, 2, 3").
std::vector<unsigned long> Cardinals(const std::string& text) {
    std::vector<unsigned long> values;
    const auto equals = text.find(" = ");
    if (equals == std::string::npos)
        return values;
    std::istringstream in(text.substr(equals + 3));
    for (std::string item; std::getline(in, item, ',');)
        values.push_back(std::stoul(item, nullptr, 0));
    return values;
}

bool WaitExposed(QWidget& w) {
    return QTest::qWaitForWindowExposed(&w, 5000);
}

} // namespace

TEST(X11Window, TheAboutBoxAsksForAFixedSizeDialogWithACloseButtonOnly) {
    TfrmJibAbout dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(WaitExposed(dialog));
    const WId id = dialog.winId();
    EXPECT_NE(Properties(id, "_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DIALOG"),
              std::string::npos);
    const std::string hints = Properties(id, "WM_NORMAL_HINTS");
    EXPECT_NE(hints.find("program specified minimum size: 600 by 300"), std::string::npos) << hints;
    EXPECT_NE(hints.find("program specified maximum size: 600 by 300"), std::string::npos) << hints;
    // _MOTIF_WM_HINTS: flags, functions, decorations, ...; the functions bit 0x08 minimises
    // and 0x10 maximises, the decoration bits 0x20 and 0x40 draw their buttons.
    const std::vector<unsigned long> motif = Cardinals(Properties(id, "_MOTIF_WM_HINTS"));
    ASSERT_GE(motif.size(), 3u) << Properties(id, "_MOTIF_WM_HINTS");
    EXPECT_EQ(motif[1] & 0x18, 0u) << "functions " << motif[1];
    EXPECT_EQ(motif[2] & 0x60, 0u) << "decorations " << motif[2];
    // The window manager's answer: no maximising, no resizing. (Openbox, like some other
    // window managers, keeps its minimise button whatever a window asks.)
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return Properties(id, "_NET_WM_ALLOWED_ACTIONS").find("CLOSE") != std::string::npos;
    }));
    const std::string allowed = Properties(id, "_NET_WM_ALLOWED_ACTIONS");
    for (const char* action :
         {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT", "_NET_WM_ACTION_RESIZE"})
        EXPECT_EQ(allowed.find(action), std::string::npos) << action << " in " << allowed;
}

TEST(X11Window, AWindowClosedMaximisedKeepsItsNormalBoundsExactly) {
    const std::string settings = TfrmJIBMain::SettingsFileName();
    DeleteFileQuiet(settings);
    const std::string section = "frmJIBMainPosition";
    IniWriteInteger(settings, section, "Left", 100);
    IniWriteInteger(settings, section, "Top", 30);
    IniWriteInteger(settings, section, "Right", 900);
    IniWriteInteger(settings, section, "Bottom", 630);
    for (int run = 0; run < 4; ++run) {
        auto form = std::make_unique<TfrmJIBMain>();
        Application().SetMainForm(form.get());
        form->show();
        ASSERT_TRUE(WaitExposed(*form));
        // Placed where it was stored: the frame's corner at 100, 30.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return form->frameGeometry().topLeft() != form->pos() ||
                   form->frameGeometry().topLeft() == QPoint(100, 30);
        }));
        EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(100, 30)) << "run " << run;
        form->showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->width() > 1000; })) << "run " << run;
        form->close();
        Application().SetMainForm(nullptr);
        form.reset();
        EXPECT_EQ(IniReadInteger(settings, section, "State", -1), 1) << "run " << run;
        EXPECT_EQ(IniReadInteger(settings, section, "Left", -1), 100) << "run " << run;
        EXPECT_EQ(IniReadInteger(settings, section, "Top", -1), 30) << "run " << run;
        EXPECT_EQ(IniReadInteger(settings, section, "Right", -1), 900) << "run " << run;
        EXPECT_EQ(IniReadInteger(settings, section, "Bottom", -1), 630) << "run " << run;
    }
    DeleteFileQuiet(settings);
}
