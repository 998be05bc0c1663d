#include "shell/FbFileMasks.h"

#include <gtest/gtest.h>

TEST(FbFileMasks, FiltersSplitIntoTheirMasks) {
    using Masks = std::vector<std::string>;
    EXPECT_EQ(SplitFileFilter("*.jib"), Masks{"*.jib"});
    EXPECT_EQ(SplitFileFilter(";*.jib;;*.JIB;"), (Masks{"*.jib", "*.JIB"}));
    EXPECT_EQ(SplitFileFilter(""), Masks{});
    EXPECT_FALSE(FilterSelects(""));
    EXPECT_FALSE(FilterSelects("*"));
    EXPECT_FALSE(FilterSelects("*.*"));
    EXPECT_TRUE(FilterSelects("*;*.jib"));
    EXPECT_TRUE(FilterSelects("*.jib"));
}

TEST(FbFileMasks, MasksMatchLikeTheDesktopsFileSearch) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"photo.jib", "*.jib", true},
        {"PHOTO.JIB", "*.jib", true},
        {"photo.jib.old", "*.jib", false},
        {"photo.jibx", "*.jib", false}, // no short names to match through
        {".jib", "*.jib", true},
        {"a.jib", "?.jib", true},
        {"ab.jib", "?.jib", false},
        {"é.jib", "?.jib", true}, // "?" is one character, however many bytes
        // A stray byte (Latin-1 "é") is one character, and never swallows what follows it.
        {"caf\xE9.jib", "*.jib", true},
        {"\xE9.jib", "?.jib", true},
        {"caf\xE9", "caf?", true},
        {"\xF0.jib", "*.jib", true},
        {"README", "*.*", true}, // the all-files mask
        {"README", "*.", false},
        {"a*b", "a*b", true},
        {"aXbYb", "a*b", true},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "*a*a*a*a*a*a*a*a*a*b", false},
        {"", "*", true},
        {"x", "", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesFileMask(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
}

TEST(FbFileMasks, SeveralMasksAreAlternatives) {
    const std::vector<std::string> masks = SplitFileFilter("*.jib;c.*");
    EXPECT_TRUE(MatchesAnyMask("a.jib", masks));
    EXPECT_TRUE(MatchesAnyMask("C.TXT", masks));
    EXPECT_FALSE(MatchesAnyMask("b.txt", masks));
    EXPECT_FALSE(MatchesAnyMask("a.jib", {}));
    EXPECT_EQ(FileNamePart("/tmp/x/a.jib"), "a.jib");
    EXPECT_EQ(FileNamePart("a.jib"), "a.jib");
}
