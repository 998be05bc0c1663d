#include "platform/shellns/NameText.h"

#include "platform/shellns/DetailsText.h"
#include "platform/shellns/FileTypes.h"
#include "tests/common/ScopedCollation.h"

#include <gtest/gtest.h>

namespace sh = platform::shellns;

TEST(NameText, NamesOrderTheWayAFileManagerShowsThem) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"file2", "file10", -1}, {"file10", "file2", 1}, {"File", "file", -1},
        {"abc", "ABD", -1},      {"a", "a", 0},          {"a", "ab", -1},
        {"x007", "x7", -1},      {"x7", "x007", 1},      {"img 9.png", "img 10.png", -1},
        {"Zebra", "apple", 1},   {"", "a", -1},          {"2024-01-5", "2024-01-10", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sh::CompareNamesNaturally(c.a, c.b), c.order) << c.a << " vs " << c.b;
}

TEST(NameText, TextFollowsTheLocalesCollationAndNumbersTheirValue) {
    const struct {
        const char* locale;
        const char* a;
        const char* b;
        int order;
    } cases[] = {
        {"en_US.UTF-8", "\u00E9 caf\u00E9", "zz-last", -1},
        {"en_US.UTF-8", "\u00C9clair", "eclairs", -1},
        {"en_US.UTF-8", "\u00E5ngstr\u00F6m", "Banana", -1},
        {"en_US.UTF-8", "file2 \u00E9t\u00E9", "file10 hiver", -1},
        {"en_US.UTF-8", "img 9.png", "img 10.png", -1},
        {"en_US.UTF-8", "Zebra", "apple", 1},
        {"en_US.UTF-8", "x007", "x7", -1},
        {"en_US.UTF-8", "a", "a", 0},
        // The plain "C" order is that of the characters' numbers.
        {"C", "\u00E9 caf\u00E9", "zz-last", 1},
        {"C", "Zebra", "apple", 1},
        {"C", "a-1", "a1", -1},
    };
    for (const auto& c : cases) {
        const ScopedCollation collation(c.locale);
        ASSERT_TRUE(collation.Active()) << c.locale << ": the build compiles it with localedef";
        EXPECT_EQ(sh::CompareNamesNaturally(c.a, c.b), c.order)
            << c.locale << ": " << c.a << " vs " << c.b;
        EXPECT_EQ(sh::CompareNamesNaturally(c.b, c.a), -c.order) << c.b << " vs " << c.a;
    }
}

TEST(NameText, ControlCharactersShowAsTheirSymbols) {
    const std::pair<const char*, const char*> cases[] = {
        {"plain name.jib", "plain name.jib"},
        {"new\nline.jib", "new\u240Aline.jib"},
        {"tab\there\r", "tab\u2409here\u240D"},
        {"\x1B[31mred\x7F", "\u241B[31mred\u2421"},
        {"para\u2029graph", "para\u2424graph"},
        {"caf\xE9\n", "caf\uFFFD\u240A"},
        {"caf\u00E9", "caf\u00E9"},
    };
    for (const auto& [name, shown] : cases) {
        EXPECT_EQ(sh::ToVisibleName(name), shown) << name;
        EXPECT_EQ(sh::IsVisibleName(name), std::string(name) == shown) << name;
    }
}

TEST(NameText, InvalidUtf8IsShownWithReplacementCharacters) {
    EXPECT_TRUE(sh::IsValidUtf8("caf\xC3\xA9"));
    EXPECT_FALSE(sh::IsValidUtf8("caf\xE9"));
    EXPECT_FALSE(sh::IsValidUtf8("\xC0\xAF"));     // overlong "/"
    EXPECT_FALSE(sh::IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_EQ(sh::ToDisplayUtf8("caf\xE9.jib"), "caf\xEF\xBF\xBD.jib");
    EXPECT_EQ(sh::ToDisplayUtf8("ok"), "ok");
}

TEST(DetailsText, SizesAreWholeKilobytesRoundedUp) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0KB"},    {1, "1KB"},           {1024, "1KB"},
        {1025, "2KB"}, {1500000, "1,465KB"}, {1073741824, "1,048,576KB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(sh::SizeInKilobytesText(bytes), text) << bytes;
    EXPECT_EQ(sh::LocalTimeText(0), "");
    EXPECT_FALSE(sh::LocalTimeText(1700000000).empty());
}

TEST(FileTypes, IconAndTypeFollowTheExtension) {
    EXPECT_EQ(sh::FileTypeOf("Portrait.JIB", false).iconName, "application-zip");
    EXPECT_EQ(sh::FileTypeOf("a.png", false).iconName, "image-png");
    EXPECT_EQ(sh::FileTypeOf("notes.xyz", false).typeName, "XYZ File");
    EXPECT_EQ(sh::FileTypeOf("README", false).typeName, "File");
    EXPECT_EQ(sh::FileTypeOf("README", false).iconName, "text-x-generic");
    EXPECT_EQ(sh::FileTypeOf("run", true).iconName, "application-x-executable");
    EXPECT_EQ(sh::LowerExtension(".bashrc"), "");
    EXPECT_EQ(sh::LowerExtension("a.tar.GZ"), "gz");
}
