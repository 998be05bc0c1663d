#include "platform/shellns/DetailsText.h"
#include "platform/shellns/FileVerbs.h"
#include "shell/FbSortHeader.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/ScopedCollation.h"
#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"
#include "tests/shell/BrowserTest.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

namespace shellns_test {
namespace {

namespace fs = std::filesystem;

// A folder that describes no columns of its own, or one that cannot be listed: the
// namespace's folders all can, so these stand in front of a real one.
class TRestrictedFolder : public sh::IShellFolder {
public:
    TRestrictedFolder(ShellFolderPtr inner, bool listable)
        : FInner(std::move(inner)), FListable(listable) {}
    HResult ParseDisplayName(std::string_view name, PItemIDList& list) override {
        return FInner->ParseDisplayName(name, list);
    }
    HResult EnumObjects(std::uint32_t flags, std::unique_ptr<sh::IEnumIDList>& items) override {
        return FListable ? FInner->EnumObjects(flags, items) : sh::E_ACCESSDENIED;
    }
    HResult BindToObject(PCItemIDList relative, ShellFolderPtr& folder) override {
        return FInner->BindToObject(relative, folder);
    }
    HResult CompareIDs(int column, PCItemIDList a, PCItemIDList b) override {
        return FInner->CompareIDs(column, a, b);
    }
    HResult GetAttributesOf(int count, const PCItemIDList* items,
                            std::uint32_t& attributes) override {
        return FInner->GetAttributesOf(count, items, attributes);
    }
    HResult GetDisplayNameOf(PCItemIDList item, std::uint32_t flags, sh::StrRet& name) override {
        return FInner->GetDisplayNameOf(item, flags, name);
    }
    HResult SetNameOf(PCItemIDList item, std::string_view name, std::uint32_t flags,
                      PItemIDList* newItem) override {
        return FInner->SetNameOf(item, name, flags, newItem);
    }
    HResult GetDetailsOf(PCItemIDList, int, sh::ShellDetails&) override { return sh::E_NOTIMPL; }
    HResult GetIconOf(PCItemIDList item, bool open, std::string& iconName) override {
        return FInner->GetIconOf(item, open, iconName);
    }
    HResult GetContextMenu(int count, const PCItemIDList* items,
                           std::unique_ptr<sh::IContextMenu>& menu) override {
        return FInner->GetContextMenu(count, items, menu);
    }
    HResult GetDropTarget(PCItemIDList item, std::unique_ptr<sh::IDropTarget>& target) override {
        return FInner->GetDropTarget(item, target);
    }

private:
    ShellFolderPtr FInner;
    bool FListable;
};

class TRestrictedList : public TFbShellList {
public:
    explicit TRestrictedList(bool listable) : FListable(listable) {}

protected:
    HResult BindFolder(PCItemIDList list, ShellFolderPtr& folder) override {
        ShellFolderPtr inner;
        const HResult hr = TFbShellList::BindFolder(list, inner);
        if (sh::Succeeded(hr))
            folder = std::make_shared<TRestrictedFolder>(inner, FListable);
        return hr;
    }

private:
    bool FListable;
};

class FbShellListTest : public BrowserTest {
protected:
    // Shows `list` on the folder `path`, filled.
    void Open(TFbShellList& list, const std::string& path, const std::string& filter = "*.jib") {
        list.resize(600, 400);
        list.show();
        list.SetFileFilter(filter);
        list.Folder()->SetFolderPath(path);
        QCoreApplication::processEvents();
    }
    void ClickHeader(TFbShellList& list, int column) {
        QHeaderView* header = list.header();
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }
    void ClickItem(TFbShellList& list, TFbListItem* item, Qt::KeyboardModifiers mods = {}) {
        const QRect rect = list.visualRect(list.model()->index(item->Index(), 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, mods, rect.center());
    }
};

TEST_F(FbShellListTest, TheFilterAdmitsWhatItsMasksMatch) {
    for (const char* name : {"a.jib", "B.JIB", "c.Jib", "d.jib.old", "e.txt", "README"})
        FTree.Write(name, "x");
    FTree.MakeDir("f.jib");
    using Names = std::vector<std::string>;
    const Names everything{"f.jib", "a.jib", "B.JIB", "c.Jib", "d.jib.old", "e.txt", "README"};
    struct Case {
        const char* filter;
        Names expected;
    };
    const Case cases[] = {
        // Folders always pass the filter; files match in any case of the extension.
        {"*.jib", {"f.jib", "a.jib", "B.JIB", "c.Jib"}},
        {"*.jib;*.JIB", {"f.jib", "a.jib", "B.JIB", "c.Jib"}},
        {"*.jib;;", {"f.jib", "a.jib", "B.JIB", "c.Jib"}},
        {"?.TXT;readme", {"f.jib", "e.txt", "README"}},
        {"*.zip", {"f.jib"}},
        {"", everything},
        {"*", everything},
        {"*.*", everything},
        {"*;*.jib", everything},
        {"*.*;*.jib", everything},
    };
    for (const Case& c : cases) {
        TFbShellList list;
        Open(list, TreeFolder(), c.filter);
        EXPECT_EQ(Captions(list), c.expected) << "filter \"" << c.filter << "\"";
    }
}

TEST_F(FbShellListTest, VirtualItemsAreListedOnlyWhenAskedFor) {
    for (const bool virtualItems : {true, false}) {
        TFbShellList list;
        list.SetOptions(virtualItems ? sloNonFilesystemAncestors : TFbShellListOptions());
        list.show();
        list.FillList(); // the desktop: Home, Computer and Trash
        const std::vector<std::string> captions = Captions(list);
        EXPECT_NE(std::find(captions.begin(), captions.end(), "Computer"), captions.end());
        EXPECT_EQ(std::find(captions.begin(), captions.end(), "Trash") != captions.end(),
                  virtualItems);
    }
}

TEST_F(FbShellListTest, SizesAreWholeKilobytesRoundedUpWithThousandsSeparators) {
    const std::pair<const char*, std::size_t> files[] = {
        {"a0.jib", 0}, {"a1.jib", 1}, {"a2.jib", 1024}, {"a3.jib", 1025}, {"a4.jib", 1500000}};
    for (const auto& [name, size] : files)
        FTree.Write(name, std::string(size, 'x'));
    FTree.MakeDir("folder");
    TFbShellList list;
    Open(list, TreeFolder(), "*");
    EXPECT_EQ(Headers(list), (std::vector<std::string>{"Name", "Size", "Type", "Modified"}));
    EXPECT_EQ(ColumnTexts(list, 1),
              (std::vector<std::string>{"", "0KB", "1KB", "1KB", "2KB", "1,465KB"}));
    EXPECT_EQ(list.model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
}

TEST_F(FbShellListTest, HeaderClicksSortByTheColumnAndASecondClickReverses) {
    FTree.Write("b.jib", std::string(3000, 'x'));
    FTree.Write("a.jib", std::string(5000, 'x'));
    FTree.Write("c.jib", std::string(10, 'x'));
    FTree.Write("d.txt.jib", std::string(2000, 'x'));
    TFbShellList list;
    Open(list, TreeFolder());
    using Names = std::vector<std::string>;
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_EQ(Captions(list), (Names{"a.jib", "b.jib", "c.jib", "d.txt.jib"}));
    TFbListItem* selected = ItemCaptioned(list, "b.jib");
    list.SelectItem(selected, true);

    ClickHeader(list, 1);
    EXPECT_EQ(list.SortColumn(), 2);
    EXPECT_EQ(Captions(list), (Names{"c.jib", "d.txt.jib", "b.jib", "a.jib"}));
    ClickHeader(list, 1);
    EXPECT_EQ(list.SortColumn(), -2);
    EXPECT_EQ(Captions(list), (Names{"a.jib", "b.jib", "d.txt.jib", "c.jib"}));
    ClickHeader(list, 0);
    EXPECT_EQ(list.SortColumn(), 1);
    EXPECT_EQ(Captions(list), (Names{"a.jib", "b.jib", "c.jib", "d.txt.jib"}));
    EXPECT_EQ(list.Selected(), selected) << "the selection follows its item";

    // A handler that chooses the order itself is left alone.
    list.OnColumnClick = [&](QObject*, int) {
        list.SetSortColumn(-1);
    };
    ClickHeader(list, 1);
    EXPECT_EQ(list.SortColumn(), -1);
    EXPECT_EQ(Captions(list), (Names{"d.txt.jib", "c.jib", "b.jib", "a.jib"}));
}

TEST_F(FbShellListTest, TheSortMarkSitsWhereTheModeSays) {
    TFbShellList list;
    Open(list, TreeFolder());
    list.setColumnWidth(0, 200);
    QHeaderView* header = list.header();
    const int right = header->sectionViewportPosition(0) + header->sectionSize(0);
    const int caption = header->fontMetrics().horizontalAdvance("Name");
    list.SetHeaderSortDisplayMode(hsdmLeftAlign);
    const auto mark = [&] {
        return static_cast<TFbSortHeader*>(header)->MarkRect(0);
    };
    EXPECT_LT(mark().left(), caption / 2);
    list.SetHeaderSortDisplayMode(hsdmRightOfText);
    EXPECT_GT(mark().left(), caption);
    EXPECT_LT(mark().right(), caption + 30);
    list.SetHeaderSortDisplayMode(hsdmRightAlign);
    EXPECT_GT(mark().left(), right - 20);
    EXPECT_TRUE(static_cast<TFbSortHeader*>(header)->MarkRect(1).isEmpty()) << "not sorted by it";
    list.SetHeaderSortDisplayMode(hsdmNone);
    EXPECT_TRUE(mark().isEmpty());
}

TEST_F(FbShellListTest, SelectingReportsEachChangeAndThePathOfTheSelectedFile) {
    FTree.Write("one.jib", "1");
    FTree.Write("two.jib", "2");
    TFbShellList list;
    Open(list, TreeFolder());
    std::vector<std::string> events;
    list.OnSelectItem = [&](QObject*, TFbListItem* item, bool selected) {
        events.push_back((selected ? "+" : "-") + item->Caption());
        if (selected)
            events.push_back(list.SelectedData()->FullPath());
    };
    EXPECT_EQ(list.SelectedData(), nullptr);
    ClickItem(list, ItemCaptioned(list, "one.jib"));
    ClickItem(list, ItemCaptioned(list, "two.jib"));
    EXPECT_EQ(events, (std::vector<std::string>{"+one.jib", FTree.File("one.jib"), "-one.jib",
                                                "+two.jib", FTree.File("two.jib")}));
    ClickItem(list, ItemCaptioned(list, "one.jib"), Qt::ControlModifier);
    EXPECT_EQ(list.SelCount(), 2);
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("one.jib")) << "the first selected";
}

TEST_F(FbShellListTest, AChangeOnDiskMergesKeepingTheSelection) {
    FTree.Write("a.jib", "a");
    FTree.Write("b.jib", "b");
    FTree.Write("c.jib", "c");
    TFbShellList list;
    Open(list, TreeFolder());
    list.SelectItem(ItemCaptioned(list, "b.jib"), true);
    int fills = 0;
    list.OnFillStart = [&](QObject*) {
        ++fills;
    };
    fs::remove(FTree.File("a.jib"));
    FTree.Write("0.jib", "new");
    FTree.Write("c.jib", "changed"); // a file that changed shows its new size
    QCoreApplication::postEvent(&list, new TFbChangeNotifyEvent(0));
    ASSERT_TRUE(WaitFor([&] { return fills == 1; }));
    // The newcomer takes its sorted place.
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"0.jib", "b.jib", "c.jib"}));
    EXPECT_EQ(ColumnTexts(list, 1)[2], "1KB");
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("b.jib"));
}

TEST_F(FbShellListTest, MergedAndChangedItemsTakeTheirSortedPlaceAndKeepTheirSelection) {
    FTree.Write("file2.jib", std::string(200, 'x'));
    FTree.Write("file10.jib", std::string(100, 'x'));
    FTree.Write("zz.jib", std::string(300, 'x'));
    TFbShellList list;
    Open(list, TreeFolder());
    list.SetSortColumn(-1);
    ASSERT_EQ(Captions(list), (std::vector<std::string>{"zz.jib", "file10.jib", "file2.jib"}));
    list.SelectItem(ItemCaptioned(list, "file10.jib"), true);
    int selections = 0;
    list.OnSelectItem = [&](QObject*, TFbListItem*, bool) {
        ++selections;
    };

    // Made, renamed and written anew by another program.
    FTree.Write("file3.jib", std::string(400, 'x'));
    fs::rename(FTree.File("zz.jib"), FTree.File("a.jib"));
    FTree.Write("file10.jib", std::string(5000, 'x'));
    list.RefreshList();
    EXPECT_EQ(Captions(list),
              (std::vector<std::string>{"file10.jib", "file3.jib", "file2.jib", "a.jib"}));
    // The file written anew is the one the user chose: still selected, with its new size.
    EXPECT_EQ(list.SelCount(), 1);
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("file10.jib"));
    EXPECT_EQ(ColumnTexts(list, 1)[0], "5KB");
    EXPECT_EQ(selections, 0);

    // By size, a file that grows moves down with its selection.
    list.SetSortColumn(2);
    ASSERT_EQ(Captions(list),
              (std::vector<std::string>{"file2.jib", "a.jib", "file3.jib", "file10.jib"}));
    list.ClearSelection();
    list.SelectItem(ItemCaptioned(list, "file2.jib"), true);
    FTree.Write("file2.jib", std::string(450, 'x'));
    list.RefreshList();
    EXPECT_EQ(Captions(list),
              (std::vector<std::string>{"a.jib", "file3.jib", "file2.jib", "file10.jib"}));
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("file2.jib"));
}

TEST_F(FbShellListTest, F5RereadsTheFolderAndKeepsTheSelectionOfWhatIsStillThere) {
    for (const char* name : {"a.jib", "b.jib", "c.jib"})
        FTree.Write(name, name);
    TFbShellList list;
    Open(list, TreeFolder());
    list.setFocus();
    list.SelectItems({ItemCaptioned(list, "b.jib"), ItemCaptioned(list, "c.jib")});
    list.SetItemFocused(ItemCaptioned(list, "c.jib"));
    int fills = 0;
    list.OnFillStart = [&](QObject*) {
        ++fills;
    };
    FTree.Write("b.jib", "written anew");
    QTest::keyClick(&list, Qt::Key_F5);
    EXPECT_EQ(fills, 1);
    EXPECT_EQ(list.SelCount(), 2);
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("b.jib"));
    EXPECT_EQ(list.ItemFocused(), ItemCaptioned(list, "c.jib"));

    fs::remove(FTree.File("b.jib"));
    QTest::keyClick(&list, Qt::Key_F5);
    ASSERT_EQ(list.SelCount(), 1);
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("c.jib"));
}

TEST_F(FbShellListTest, TheFirstKeyTakesTheFocusedItemAndHomeAndEndSelect) {
    for (const char* name : {"a.jib", "b.jib", "c.jib"})
        FTree.Write(name, name);
    TFbShellList list;
    Open(list, TreeFolder());
    list.setFocus();
    const auto selected = [&] {
        return list.SelCount() == 1 ? list.Selected()->Caption() : std::to_string(list.SelCount());
    };
    ASSERT_EQ(list.SelCount(), 0);
    ASSERT_EQ(list.ItemFocused(), list.Item(0)); // the focus mark a fill leaves
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_Down, "a.jib"}, {Qt::Key_Down, "b.jib"}, {Qt::Key_End, "c.jib"},
        {Qt::Key_End, "c.jib"},  {Qt::Key_Home, "a.jib"}, {Qt::Key_Up, "a.jib"},
    };
    for (const auto& [key, expected] : keys) {
        QTest::keyClick(&list, key);
        EXPECT_EQ(selected(), expected) << QKeySequence(key).toString().toStdString();
    }
    // With only the focus mark left: each key takes the marked item first.
    for (const auto& [key, expected] : std::vector<std::pair<Qt::Key, const char*>>{
             {Qt::Key_Space, "a.jib"}, {Qt::Key_Up, "a.jib"}, {Qt::Key_Home, "a.jib"}}) {
        list.ClearSelection();
        list.SetItemFocused(list.Item(0));
        QTest::keyClick(&list, key);
        EXPECT_EQ(selected(), expected) << QKeySequence(key).toString().toStdString();
    }
    list.ClearSelection();
    list.SetItemFocused(list.Item(2));
    QTest::keyClick(&list, Qt::Key_End);
    EXPECT_EQ(selected(), "c.jib");
}

TEST_F(FbShellListTest, ColumnWidthsStayAcrossFolderChanges) {
    FTree.MakeDir("one");
    FTree.MakeDir("two");
    TFbShellList list;
    Open(list, TreeFolder("one"));
    list.setColumnWidth(0, 333);
    list.setColumnWidth(1, 44);
    list.Folder()->SetFolderPath(TreeFolder("two"));
    EXPECT_EQ(list.ColumnWidth(0), 333);
    EXPECT_EQ(list.ColumnWidth(1), 44);
}

TEST_F(FbShellListTest, AFolderWithoutColumnsOfItsOwnGetsNameSizeTypeModified) {
    FTree.Write("a.jib", std::string(2048, 'x'));
    FTree.MakeDir("sub");
    TRestrictedList list(true);
    Open(list, TreeFolder(), "*");
    EXPECT_FALSE(list.HasDetailsProvider());
    EXPECT_EQ(Headers(list), (std::vector<std::string>{"Name", "Size", "Type", "Modified"}));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"sub", "a.jib"}));
    EXPECT_EQ(ColumnTexts(list, 1), (std::vector<std::string>{"", "2KB"}));
    EXPECT_EQ(ColumnTexts(list, 2)[0], "Folder");
    struct stat st;
    ASSERT_EQ(::stat(FTree.File("a.jib").c_str(), &st), 0);
    EXPECT_EQ(ColumnTexts(list, 3)[1], sh::LocalTimeText(st.st_mtime));
}

TEST_F(FbShellListTest, AFolderThatCannotBeListedShowsEmptyWithoutAMessage) {
    FTree.Write("a.jib", "a");
    MessageCapture capture;
    TRestrictedList list(false);
    Open(list, TreeFolder());
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(FbShellListTest, EnterOpensFoldersLinksAndFilesBackspaceGoesUp) {
    FTree.MakeDir("sub/deeper");
    FTree.Write("sub/x.jib", "x");
    FTree.Write("file.jib", "f");
    FTree.Write("to-deeper.desktop", "[Desktop Entry]\nType=Link\nName=Deeper\nURL=file://" +
                                         TreeFolder("sub/deeper") + "\n");
    std::vector<std::string> opened;
    sh::SetOpenHandler([&](const std::string& path) {
        opened.push_back(path);
        return sh::S_OK;
    });
    TFbShellList list;
    Open(list, TreeFolder(), "*");
    list.setFocus();
    const auto open = [&](const std::string& caption) {
        list.ClearSelection();
        list.SelectItem(ItemCaptioned(list, caption), true);
        QTest::keyClick(&list, Qt::Key_Return);
    };
    open("sub");
    EXPECT_EQ(ListFolder(list), TreeFolder("sub"));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"deeper", "x.jib"}));
    QTest::keyClick(&list, Qt::Key_Backspace);
    EXPECT_EQ(ListFolder(list), TreeFolder());
    open("to-deeper.desktop");
    EXPECT_EQ(ListFolder(list), TreeFolder("sub/deeper"));
    QTest::keyClick(&list, Qt::Key_Backspace);
    QTest::keyClick(&list, Qt::Key_Backspace);
    open("file.jib");
    EXPECT_EQ(opened, std::vector<std::string>{FTree.File("file.jib")});

    // A handler may open it itself.
    list.OnDblClickOpen = [&](QObject*, TFbShellListData* data, bool& handled) {
        opened.push_back("handled " + data->FullPath());
        handled = true;
    };
    open("file.jib");
    EXPECT_EQ(opened.back(), "handled " + FTree.File("file.jib"));
    list.SetOptions(list.Options() | sloDontChangeFolder);
    open("sub");
    EXPECT_EQ(ListFolder(list), TreeFolder());
    sh::SetOpenHandler(nullptr);
}

TEST_F(FbShellListTest, NamesSortByTheUsersCollationWithNumbersInOrder) {
    for (const char* name :
         {"zz-last.jib", "\u00E9 caf\u00E9.jib", "file10.jib", "File2.jib", "apple.jib"})
        FTree.Write(name, name);
    const ScopedCollation collation("en_US.UTF-8");
    ASSERT_TRUE(collation.Active());
    TFbShellList list;
    Open(list, TreeFolder());
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"apple.jib", "\u00E9 caf\u00E9.jib",
                                                        "File2.jib", "file10.jib", "zz-last.jib"}));
}

TEST_F(FbShellListTest, NamesWithLineBreaksShowTheirControlCharactersAsSymbols) {
    FTree.Write("new\nline.jib", "n");
    FTree.Write("tab\tbed.jib", "t");
    TFbShellList list;
    Open(list, TreeFolder());
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"new\u240Aline.jib", "tab\u2409bed.jib"}));
    // The bytes on disk are the item's own: its path, and so its preview, are untouched.
    EXPECT_EQ(ItemCaptioned(list, "new\u240Aline.jib")->Index(), 0);
    EXPECT_EQ(TFbShellList::ListData(list.Item(0))->FullPath(), FTree.File("new\nline.jib"));
}

TEST_F(FbShellListTest, AFileNoProgramOpensSaysSoInPlainWords) {
    FTree.Write("Harbour.jib", "h");
    // xdg-open's answer when nothing is set up for the file's type.
    TempDir bin;
    bin.Write("xdg-open", "#!/bin/sh\nexit 3\n");
    ::chmod(bin.File("xdg-open").c_str(), 0755);
    const ScopedEnv path("PATH", bin.Path() + ":" + std::getenv("PATH"));
    TFbShellList list;
    Open(list, TreeFolder());
    list.setFocus();
    list.SelectItem(ItemCaptioned(list, "Harbour.jib"), true);
    MessageCapture capture;
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{
                                   "No application is set up to open \u201CHarbour.jib\u201D."});
}

TEST_F(FbShellListTest, KeysSelectAllDeleteToTheTrashAndRename) {
    FTree.Write("a.jib", "a");
    FTree.Write("b.jib", "b");
    FTree.Write("c.jib", "c");
    TFbShellList list;
    Open(list, TreeFolder());
    list.setFocus();
    MessageCapture capture;
    QTest::keyClick(&list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list.SelCount(), 3);

    list.ClearSelection();
    list.SelectItem(ItemCaptioned(list, "a.jib"), true);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(FTree.File("a.jib")));
    EXPECT_TRUE(fs::exists(FHome.Home() + "/.local/share/Trash/files/a.jib"));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"b.jib", "c.jib"}));

    TFbListItem* b = ItemCaptioned(list, "b.jib");
    list.ClearSelection();
    list.SelectItem(b, true);
    list.SetItemFocused(b);
    QTest::keyClick(&list, Qt::Key_F2);
    ASSERT_TRUE(list.IsEditing());
    auto* editor = list.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().toStdString(), "b.jib");
    editor->setText("renamed.jib");
    QTest::keyClick(editor, Qt::Key_Return); // commits once the event loop turns
    ASSERT_TRUE(WaitFor([&] { return !list.IsEditing() && !list.RefreshPending(); }));
    EXPECT_TRUE(fs::exists(FTree.File("renamed.jib")));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"c.jib", "renamed.jib"}))
        << "the renamed item takes its sorted place";
    EXPECT_EQ(list.SelectedData()->FullPath(), FTree.File("renamed.jib"));
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(FbShellListTest, AFailureWhileMergingIsNamedAndPassedOn) {
    FTree.Write("a.jib", "a");
    TFbShellList list;
    Open(list, TreeFolder());
    FTree.Write("b.jib", "b");
    list.OnAddItem = [](QObject*, const ShellFolderPtr&, PCItemIDList, PCItemIDList, std::uint32_t,
                        bool&) {
        throw Exception("veto failed");
    };
    MessageCapture capture;
    EXPECT_THROW(list.RefreshList(), Exception);
    EXPECT_EQ(capture.Texts(), std::vector<std::string>{"Exception in AddNewShellItem"});
    EXPECT_EQ(Captions(list), std::vector<std::string>{"a.jib"});
}

TEST_F(FbShellListTest, ChangingTheFilterRefillsAndHiddenFilesFollowTheOption) {
    FTree.Write("a.jib", "a");
    FTree.Write(".hidden.jib", "h");
    FTree.Write("b.zip", "b");
    TFbShellList list;
    Open(list, TreeFolder());
    EXPECT_EQ(Captions(list), (std::vector<std::string>{".hidden.jib", "a.jib"}));
    list.SetFileFilter("*.zip");
    EXPECT_EQ(Captions(list), std::vector<std::string>{"b.zip"});
    list.SetFileFilter("*.jib");
    list.SetOptions(list.Options() & ~TFbShellListOptions(sloShowHidden));
    EXPECT_EQ(Captions(list), std::vector<std::string>{"a.jib"});
}

} // namespace
} // namespace shellns_test

namespace shellns_test {
namespace {

TEST_F(FbShellListTest, AListSetToFillItselfFillsOnceShown) {
    FTree.Write("a.jib", "a");
    TFbShellList list;
    list.SetFileFilter("*.jib");
    list.Folder()->SetFolderPath(TreeFolder());
    EXPECT_EQ(list.ItemCount(), 0) << "no window yet";
    list.show();
    EXPECT_EQ(list.ItemCount(), 0) << "the fill waits for the event loop";
    ASSERT_TRUE(WaitFor([&] { return list.ItemCount() == 1; }));
    EXPECT_EQ(Captions(list), std::vector<std::string>{"a.jib"});
}

TEST_F(FbShellListTest, OpeningSeveralItemsOpensThemAllAtOnce) {
    FTree.Write("a.jib", "a");
    FTree.Write("b.jib", "b");
    std::vector<std::string> opened;
    sh::SetOpenHandler([&](const std::string& path) {
        opened.push_back(path);
        return sh::S_OK;
    });
    TFbShellList list;
    Open(list, TreeFolder());
    int offered = 0;
    list.OnDblClickOpen = [&](QObject*, TFbShellListData* data, bool&) {
        EXPECT_EQ(data, nullptr) << "several items: the selection says which";
        ++offered;
    };
    list.SelectAll();
    list.OpenSelected();
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(opened, (std::vector<std::string>{FTree.File("a.jib"), FTree.File("b.jib")}));
    sh::SetOpenHandler(nullptr);
}

TEST_F(FbShellListTest, CopiedFilesArePastedIntoTheListedFolder) {
    FTree.Write("from/a.jib", "a");
    FTree.MakeDir("to");
    TFbShellList list;
    Open(list, TreeFolder("from"));
    MessageCapture capture;
    list.SelectAll();
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    list.Folder()->SetFolderPath(TreeFolder("to"));
    EXPECT_EQ(list.ItemCount(), 0);
    QTest::keyClick(&list, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Captions(list), std::vector<std::string>{"a.jib"});
    EXPECT_TRUE(fs::exists(FTree.File("from/a.jib")));
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(FbShellListTest, HidingFoldersWhenLinkedTakesShownFoldersOut) {
    FTree.MakeDir("sub");
    FTree.Write("a.jib", "a");
    TFbShellTree tree;
    tree.SetOptions(stoDefaultKeyHandling);
    tree.show();
    TFbShellList list;
    list.SetOptions(sloDefaultKeyHandling);
    tree.SetShellList(&list);
    Open(list, TreeFolder());
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"sub", "a.jib"}));
    list.SetOptions(list.Options() | sloHideFoldersWhenLinkedToTree);
    EXPECT_EQ(Captions(list), std::vector<std::string>{"a.jib"});
    list.SetOptions(list.Options() & ~TFbShellListOptions(sloHideFoldersWhenLinkedToTree));
    EXPECT_EQ(Captions(list), (std::vector<std::string>{"sub", "a.jib"}));
}

} // namespace
} // namespace shellns_test
