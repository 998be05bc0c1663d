#include "platform/shellns/DesktopEntry.h"

#include <gtest/gtest.h>

namespace sh = platform::shellns;

TEST(DesktopEntry, LinkFilesLeadOnlyToLocalAddressesOfTheirEntryGroup) {
    struct Case {
        const char* text;
        const char* target;
    };
    const Case cases[] = {
        {"[Desktop Entry]\nType=Link\nURL=file:///home/u/Pictures\n", "file:///home/u/Pictures"},
        {"[Desktop Entry]\r\nType = Link\r\nURL =  /srv/art\r\n", "/srv/art"},
        {"# made by hand\n[Desktop Entry]\nURL[de]=/de\nURLX=/x\nURL=/plain\nType=Link", "/plain"},
        {"[Desktop Entry]\nType=Link\nURL=https://example.org/\n", ""},
        {"[Desktop Entry]\nType=Application\nURL=/bin\n", ""},
        {"[Desktop Action x]\nType=Link\nURL=/elsewhere\n", ""},
        {"[Desktop Entry]\nType=Link\n[Other]\nURL=/other/group\n", ""},
        {"Type=Link\nURL=/no/group\n", ""},
        {"[Desktop Entry]\nType=Link\nURL=\n", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sh::DesktopLinkTarget(c.text), c.target) << c.text;
}
