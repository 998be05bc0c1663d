#include "shell/ItemLists.h"

#include "platform/shellns/SpecialFolders.h"
#include "shell/FbIdListArray.h"
#include "tests/shellns/NamespaceTest.h"

#include <cstring>

namespace shellns_test {
namespace {

using ItemListsTest = NamespaceTest;

// A folder that answers display names in the form it is told to, to show that every
// form a folder may use is read correctly (and that a lying offset is not followed).
class TNameFormFolder : public sh::IShellFolder {
public:
    explicit TNameFormFolder(sh::StrRet::Type form, std::uint32_t offset = 3)
        : FForm(form), FOffset(offset) {}
    sh::HResult GetDisplayNameOf(sh::PCItemIDList, std::uint32_t, sh::StrRet& name) override {
        name.uType = FForm;
        if (FForm == sh::StrRet::kAllocated)
            return sh::SetStrRet(name, "allocated") ? sh::S_OK : sh::E_OUTOFMEMORY;
        if (FForm == sh::StrRet::kInline)
            std::strcpy(name.cStr, "inline");
        name.uOffset = FOffset;
        return sh::S_OK;
    }
    sh::HResult ParseDisplayName(std::string_view, sh::PItemIDList&) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult EnumObjects(std::uint32_t, std::unique_ptr<sh::IEnumIDList>&) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult BindToObject(sh::PCItemIDList, sh::ShellFolderPtr&) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult CompareIDs(int, sh::PCItemIDList, sh::PCItemIDList) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult GetAttributesOf(int, const sh::PCItemIDList*, std::uint32_t&) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult SetNameOf(sh::PCItemIDList, std::string_view, std::uint32_t,
                          sh::PItemIDList*) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult GetDetailsOf(sh::PCItemIDList, int, sh::ShellDetails&) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult GetIconOf(sh::PCItemIDList, bool, std::string&) override { return sh::E_NOTIMPL; }
    sh::HResult GetContextMenu(int, const sh::PCItemIDList*,
                               std::unique_ptr<sh::IContextMenu>&) override {
        return sh::E_NOTIMPL;
    }
    sh::HResult GetDropTarget(sh::PCItemIDList, std::unique_ptr<sh::IDropTarget>&) override {
        return sh::E_NOTIMPL;
    }

private:
    sh::StrRet::Type FForm;
    std::uint32_t FOffset;
};

} // namespace

TEST_F(ItemListsTest, SizesCopiesAndJoins) {
    sh::UniqueIdList empty(sh::IdListEmpty());
    EXPECT_EQ(ItemListSize(nullptr), 0);
    EXPECT_EQ(ItemListSize(empty.get()), 2);
    EXPECT_EQ(CopyItemList(nullptr), nullptr);
    sh::UniqueIdList copy(CopyItemList(empty.get()));
    EXPECT_EQ(ItemListSize(copy.get()), 2);

    sh::UniqueIdList path = Parse(FTree.File(""));
    sh::UniqueIdList item(sh::IdListFromItemBytes("xyz"));
    sh::UniqueIdList joined(ConcatItemLists(path.get(), item.get()));
    EXPECT_EQ(ItemListSize(joined.get()), ItemListSize(path.get()) + 5);
    EXPECT_EQ(sh::IdListCount(joined.get()), sh::IdListCount(path.get()) + 1);
    sh::UniqueIdList justItem(ConcatItemLists(empty.get(), item.get()));
    EXPECT_EQ(ItemListSize(justItem.get()), 7);
}

TEST_F(ItemListsTest, CompareItemListsKeepsTheAbsentAndEmptyRules) {
    sh::UniqueIdList empty(sh::IdListEmpty());
    sh::UniqueIdList a = Parse(FTree.Path());
    sh::UniqueIdList a2 = Parse(FTree.Path() + "/");
    FTree.MakeDir("b");
    sh::UniqueIdList b = Parse(FTree.File("b"));
    sh::UniqueIdList garbage(sh::IdListFromItemBytes("?not ours"));
    struct Case {
        const char* what;
        sh::PCItemIDList x;
        sh::PCItemIDList y;
        int expected;
    };
    const Case cases[] = {
        {"both absent", nullptr, nullptr, 0},
        {"absent and empty", nullptr, empty.get(), -1},
        {"empty and absent", empty.get(), nullptr, -1},
        {"both empty", empty.get(), empty.get(), 0},
        {"empty and a folder", empty.get(), a.get(), -1},
        {"a folder and empty", a.get(), empty.get(), -1},
        {"the same folder", a.get(), a2.get(), 0},
        {"parent before child", a.get(), b.get(), -1},
        {"child after parent", b.get(), a.get(), 1},
        {"an item no folder knows", garbage.get(), a.get(), kNotComparable},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareItemLists(c.x, c.y), c.expected) << c.what;
}

TEST_F(ItemListsTest, PathsTranslateBothWays) {
    FTree.MakeDir("Fotos 2024/Été");
    PItemIDList list = nullptr;
    ASSERT_EQ(ParseFolderPath(FTree.File("Fotos 2024/Été/"), list), sh::S_OK);
    sh::UniqueIdList owned(list);
    EXPECT_EQ(ItemListToPath(list), FTree.File("Fotos 2024/Été/"));
    EXPECT_EQ(FolderDisplayName(list), "Été");

    PItemIDList failed = reinterpret_cast<PItemIDList>(1);
    EXPECT_EQ(ParseFolderPath(FTree.File("nowhere"), failed), sh::E_FILE_NOT_FOUND);
    EXPECT_EQ(failed, nullptr);

    FHome.Dir().MakeDir("Desktop");
    EXPECT_EQ(ItemListToPath(nullptr), FHome.Home() + "/Desktop/");
    EXPECT_EQ(SpecialFolderPath(sh::CSIDL_DESKTOP), FHome.Home() + "/Desktop/");
    EXPECT_EQ(SpecialFolderPath(sh::CSIDL_PROFILE), FHome.Home() + "/");
    EXPECT_EQ(SpecialFolderPath(sh::CSIDL_DRIVES), "");
    EXPECT_EQ(SpecialFolderPath(3), "");
    EXPECT_EQ(ItemListToPath(Parse("trash:///").get()), "");
    EXPECT_EQ(FolderDisplayName(Parse("computer:///").get()), "Computer");
    EXPECT_EQ(FolderDisplayName(sh::UniqueIdList(sh::IdListEmpty()).get()), "Desktop");
    EXPECT_EQ(FolderDisplayName(nullptr), "Desktop");
}

TEST_F(ItemListsTest, BindingAndParentsOfDeepShallowAndDesktopLists) {
    FHome.Dir().MakeDir("Desktop");
    FTree.Write("x/y/z.jib", "");
    ShellFolderPtr folder;
    ASSERT_EQ(BindToFolder(nullptr, folder), sh::S_OK);
    EXPECT_EQ(Names(folder, sh::SHCONTF_FOLDERS).front(), "Home");
    ASSERT_EQ(BindToFolder(Parse(FTree.File("x/y")).get(), folder), sh::S_OK);
    EXPECT_EQ(Names(folder, sh::SHCONTF_NONFOLDERS), std::vector<std::string>{"z.jib"});

    ShellFolderPtr parent;
    PItemIDList parentList = nullptr;
    PItemIDList last = nullptr;
    sh::UniqueIdList deep = Parse(FTree.File("x/y/z.jib"));
    ASSERT_EQ(GetParentFolder(deep.get(), parent, parentList, last), sh::S_OK);
    sh::UniqueIdList parentOwned(parentList), lastOwned(last);
    EXPECT_EQ(ItemListToPath(parentList), FTree.File("x/y/"));
    EXPECT_EQ(DisplayNameOf(parent, last, dnkInFolder), "z.jib");
    EXPECT_EQ(DisplayNameOf(parent, last, dnkForParsing), FTree.File("x/y/z.jib"));
    EXPECT_EQ(DisplayNameOf(parent, last, dnkForEditing), "z.jib");

    ASSERT_EQ(GetParentFolder(Parse("computer:///").get(), parent, parentList, last), sh::S_OK);
    sh::UniqueIdList lastComputer(last);
    EXPECT_EQ(parentList, nullptr);
    EXPECT_EQ(DisplayNameOf(parent, last, dnkNormal), "Computer");

    // The desktop itself: the parent and last item of the desktop directory's list.
    ASSERT_EQ(GetParentFolder(nullptr, parent, parentList, last), sh::S_OK);
    sh::UniqueIdList desktopParent(parentList), desktopLast(last);
    EXPECT_EQ(ItemListToPath(parentList), FHome.Home() + "/");
    EXPECT_EQ(DisplayNameOf(parent, last, dnkInFolder), "Desktop");
}

TEST_F(ItemListsTest, DisplayNamesAreReadInEveryFormAFolderAnswers) {
    sh::UniqueIdList item(sh::IdListFromItemBytes(std::string("Xoffset\0", 8)));
    EXPECT_EQ(
        DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kAllocated), item.get(), 0),
        "allocated");
    EXPECT_EQ(DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kInline), item.get(), 0),
              "inline");
    EXPECT_EQ(DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kOffset), item.get(), 0),
              "offset");
    // An offset past the item, or a name not ended inside it, is not read.
    EXPECT_EQ(
        DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kOffset, 400), item.get(), 0),
        "");
    sh::UniqueIdList unterminated(sh::IdListFromItemBytes("Xabc"));
    EXPECT_EQ(DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kOffset),
                            unterminated.get(), 0),
              "");
    EXPECT_EQ(DisplayNameOf(nullptr, item.get(), 0), "");
    EXPECT_EQ(DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kInline), item.get(), 4),
              "");
}

TEST_F(ItemListsTest, SpecialFolderOfFindsTheFirstMatchingNumber) {
    FHome.Dir().MakeDir("Documents");
    FHome.Dir().MakeDir("Desktop");
    FTree.MakeDir("plain");
    EXPECT_EQ(SpecialFolderOf(Parse(FHome.Home() + "/Documents").get()), sh::CSIDL_PERSONAL);
    EXPECT_EQ(SpecialFolderOf(Parse(FHome.Home() + "/Desktop").get()), sh::CSIDL_DESKTOPDIRECTORY);
    EXPECT_EQ(SpecialFolderOf(Parse(FHome.Home()).get()), sh::CSIDL_PROFILE);
    EXPECT_EQ(SpecialFolderOf(Parse("computer:///").get()), sh::CSIDL_DRIVES);
    EXPECT_EQ(SpecialFolderOf(sh::UniqueIdList(sh::IdListEmpty()).get()), sh::CSIDL_DESKTOP);
    EXPECT_EQ(SpecialFolderOf(Parse(FTree.File("plain")).get()), 50);
}

TEST_F(ItemListsTest, SystemIconIndexNamesTheEntrysIconAndSwallowsFailures) {
    FTree.MakeDir("folder");
    FTree.Write("a.jib", "");
    const int folder = SystemIconIndex(Parse(FTree.File("folder")).get(), false);
    const int open = SystemIconIndex(Parse(FTree.File("folder")).get(), true);
    const int jib = SystemIconIndex(Parse(FTree.File("a.jib")).get(), false);
    EXPECT_GT(folder, 0);
    EXPECT_NE(open, folder);
    EXPECT_NE(jib, folder);
    EXPECT_EQ(SystemIconIndex(Parse(FTree.File("folder")).get(), false), folder);
    sh::UniqueIdList garbage(sh::IdListFromItemBytes("?"));
    EXPECT_EQ(SystemIconIndex(garbage.get(), false), 0);
    EXPECT_NE(SystemImageList(true), SystemImageList(false));
}

TEST(AppendPathDelimiter, AddsTheDelimiterOnlyWhereItIsMissing) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"/", "/"},
        {"/home", "/home/"},
        {"/home/", "/home/"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9/"},
        {"trail\xC3", "trail\xC3/"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(AppendPathDelimiter(in, '/'), out) << in;
}

TEST_F(ItemListsTest, IdListArraySplitsAListIntoAncestorsAndItems) {
    FTree.MakeDir("a/b");
    sh::UniqueIdList list = Parse(FTree.File("a/b"));
    TFbIdListArray array(list.get());
    const int count = array.ItemCount();
    EXPECT_EQ(count, sh::IdListCount(list.get()));
    EXPECT_EQ(ItemListToPath(array.Ancestor(1)), FTree.File("a/"));
    EXPECT_EQ(ItemListToPath(array.Ancestor(0)), FTree.File("a/b/"));
    EXPECT_EQ(ItemListSize(array.Ancestor(count)), 2); // the desktop's empty list
    EXPECT_EQ(ItemListSize(array.Ancestor(count + 3)), 2);
    EXPECT_EQ(array.ItemAt(count), nullptr);
    EXPECT_EQ(array.ItemAt(-1), nullptr);
    ASSERT_NE(array.ItemAt(count - 1), nullptr);
    EXPECT_EQ(sh::IdListCount(array.ItemAt(count - 1)), 1);
    EXPECT_EQ(
        DisplayNameOf(std::make_shared<TNameFormFolder>(sh::StrRet::kInline), array.ItemAt(0), 0),
        "inline");

    TFbIdListArray absent(nullptr);
    EXPECT_EQ(absent.ItemCount(), 0);
    EXPECT_EQ(absent.Ancestor(1), nullptr);
    EXPECT_EQ(absent.ItemAt(0), nullptr);
}

} // namespace shellns_test
