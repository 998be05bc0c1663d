#include "shell/FbFileMasks.h"
#include "tests/common/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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
        {"README", "*.*", true},  // the all-files mask
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

TEST(FbFileMasks, TheMatchSetHoldsMatchingFilesButNoFolders) {
    TempDir dir;
    dir.Write("a.jib", "");
    dir.Write("B.Jib", "");
    dir.Write("c.txt", "");
    dir.MakeDir("d.jib");
    ::symlink(dir.File("d.jib").c_str(), dir.File("e.jib").c_str());
    TFbMatchSet set;
    set.Build(dir.Path(), {"*.jib", "c.*"});
    EXPECT_EQ(set.Count(), 3u);
    EXPECT_TRUE(set.Contains("A.JIB"));
    EXPECT_TRUE(set.Contains("B.JIB"));
    EXPECT_TRUE(set.Contains("C.TXT"));
    EXPECT_FALSE(set.Contains("D.JIB"));
    EXPECT_FALSE(set.Contains("E.JIB")) << "a link to a folder is a folder";
    set.Build(dir.File("missing"), {"*"});
    EXPECT_EQ(set.Count(), 0u);
}
