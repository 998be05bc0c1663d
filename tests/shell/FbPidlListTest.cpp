#include "shell/FbPidlList.h"

#include "tests/shellns/NamespaceTest.h"

namespace shellns_test {
namespace {

using FbPidlListTest = NamespaceTest;

PItemIDList Item(const std::string& content) {
    return sh::IdListFromItemBytes(content);
}

std::vector<std::string> Contents(const TFbPidlList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.emplace_back(sh::ItemContent(list.Pidls(i)));
    return out;
}

} // namespace

TEST_F(FbPidlListTest, SortedListsFindByBinarySearchAndKeepTheDuplicatesRule) {
    TFbPidlList list;
    list.SetOwnsItems(true);
    for (const char* s : {"m", "c", "x", "a"})
        list.Add(Item(s));
    EXPECT_EQ(Contents(list), (std::vector<std::string>{"m", "c", "x", "a"}));
    list.SetSorted(true);
    EXPECT_EQ(Contents(list), (std::vector<std::string>{"a", "c", "m", "x"}));
    EXPECT_EQ(list.Add(Item("d")), 2);

    sh::UniqueIdList key(Item("m"));
    EXPECT_EQ(list.IndexOf(key.get()), 3);
    sh::UniqueIdList missing(Item("b"));
    EXPECT_EQ(list.IndexOf(missing.get()), -1);
    int at = -1;
    EXPECT_FALSE(list.Find(missing.get(), at));
    EXPECT_EQ(at, 1);

    // Error: the message, and the list as it was.
    try {
        list.Add(Item("c"));
        ADD_FAILURE() << "no exception";
    } catch (const EFbPidlListError& e) {
        EXPECT_EQ(e.Message(), "TFbPidlList: Duplicate PIDL");
    }
    EXPECT_EQ(Contents(list), (std::vector<std::string>{"a", "c", "d", "m", "x"}));

    list.SetDuplicates(dupIgnore);
    EXPECT_EQ(list.Add(Item("c")), 1);
    EXPECT_EQ(list.Count(), 5);

    list.SetDuplicates(dupAccept);
    list.Add(Item("c"));
    EXPECT_EQ(Contents(list), (std::vector<std::string>{"a", "c", "c", "d", "m", "x"}));

    list.Delete(0);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_THROW(list.Delete(5), EFbPidlListError);
    EXPECT_THROW(list.Objects(-1), EFbPidlListError);
    // The fixture checks that every owned item was freed by Delete, Clear and the end.
}

TEST_F(FbPidlListTest, ByteWiseOrderComparesBytesThenSizes) {
    sh::UniqueIdList ab(Item("ab")), ac(Item("ac")), abc(Item("abc")), b(Item("b"));
    EXPECT_LT(TFbPidlList::CompareBytes(ab.get(), ac.get()), 0);
    EXPECT_EQ(TFbPidlList::CompareBytes(ab.get(), ab.get()), 0);
    // The size field is compared with the rest: "b" (size 3) before "ab" (size 4) before
    // "abc" (size 5).
    EXPECT_LT(TFbPidlList::CompareBytes(b.get(), ab.get()), 0);
    EXPECT_LT(TFbPidlList::CompareBytes(ab.get(), abc.get()), 0);
    EXPECT_GT(TFbPidlList::CompareBytes(abc.get(), ab.get()), 0);
    // Equal bytes as far as the shorter goes: the sizes decide.
    sh::UniqueIdList one(Item("x")), two(sh::IdListCombine(one.get(), one.get()));
    EXPECT_LT(TFbPidlList::CompareBytes(one.get(), two.get()), 0);
}

TEST_F(FbPidlListTest, AFolderOrdersEntriesByName) {
    for (const char* name : {"img10.jib", "img9.jib", "Alpha"})
        FTree.Write(name, "");
    FTree.MakeDir("zfolder");
    const auto folder = FolderAt(FTree.Path());
    TFbPidlList list;
    list.SetShellFolder(folder);
    list.SetOwnsItems(true);
    int marker = 0;
    for (const char* name : {"img10.jib", "zfolder", "img9.jib", "Alpha"})
        list.Add(ItemNamed(folder, name).release(), &marker);
    list.SetSorted(true);
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
        names.push_back(NameOf(folder, list.Pidls(i), sh::SHGDN_INFOLDER));
    EXPECT_EQ(names, (std::vector<std::string>{"zfolder", "Alpha", "img9.jib", "img10.jib"}));
    EXPECT_EQ(list.Objects(2), &marker);
    // An item made anew for the same entry is found: the comparison is by name.
    sh::UniqueIdList again = ItemNamed(folder, "img9.jib");
    EXPECT_EQ(list.IndexOf(again.get()), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(FbPidlListTest, WithoutOwnershipTheListNeverFrees) {
    sh::UniqueIdList a(Item("a")), b(Item("b"));
    {
        TFbPidlList list;
        list.Add(a.get());
        list.Add(b.get());
        EXPECT_EQ(list.IndexOf(b.get()), 1);
        list.SetCapacity(100);
        EXPECT_GE(list.Capacity(), 100);
    }
    EXPECT_EQ(sh::ItemContent(a.get()), "a");
}

} // namespace shellns_test
