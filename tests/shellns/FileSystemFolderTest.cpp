#include "platform/shellns/FileSystemFolder.h"

#include "platform/shellns/SpecialFolders.h"
#include "tests/shellns/NamespaceTest.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shellns_test {
namespace {

constexpr std::uint32_t kAll =
    sh::SHCONTF_FOLDERS | sh::SHCONTF_NONFOLDERS | sh::SHCONTF_INCLUDEHIDDEN;

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class FileSystemFolderTest : public NamespaceTest {
protected:
    void SetUp() override {
        NamespaceTest::SetUp();
        FTree.MakeDir("Albums/2024");
        FTree.MakeDir(".cache");
        FTree.MakeDir("with space");
        FTree.MakeDir("Caf\xC3\xA9");
        FTree.Write("Albums/cover.jib", "zip");
        FTree.Write("notes.txt", "hello");
        FTree.Write(".hidden.jib", "x");
        ::symlink("Albums", FTree.File("album-link").c_str());
        ::symlink("notes.txt", FTree.File("notes-link").c_str());
        ::symlink("missing-target", FTree.File("dangling").c_str());
    }
};

} // namespace

TEST_F(FileSystemFolderTest, PathsParseAndComeBackUnchanged) {
    const std::string root = FTree.Path();
    struct Case {
        std::string input;
        std::string expected; // what the list turns back into
    };
    const Case cases[] = {
        {root, root + "/"},
        {root + "/", root + "/"},
        {root + "//Albums///2024/", root + "/Albums/2024/"},
        {root + "/with space", root + "/with space/"},
        {root + "/Caf\xC3\xA9", root + "/Caf\xC3\xA9/"},
        {root + "/./Albums/../notes.txt", root + "/notes.txt"},
        {root + "/Albums/cover.jib", root + "/Albums/cover.jib"},
        {"file://" + root + "/with%20space", root + "/with space/"},
        {"/", "/"},
    };
    for (const auto& c : cases) {
        sh::UniqueIdList list = Parse(c.input);
        std::string path;
        EXPECT_TRUE(sh::SHGetPathFromIDList(list.get(), path)) << c.input;
        EXPECT_EQ(path, c.expected) << c.input;
    }
    // Absolute paths name Computer / File System / each component.
    sh::UniqueIdList list = Parse(root + "/Albums");
    int components = 0;
    for (std::size_t p = 1; p < root.size(); ++p)
        components += root[p] == '/' ? 1 : 0;
    EXPECT_EQ(sh::IdListCount(list.get()), 2 + (components + 1) + 1);
}

TEST_F(FileSystemFolderTest, PathsThatCannotBeParsedSayWhy) {
    sh::ShellFolderPtr desktop;
    sh::SHGetDesktopFolder(desktop);
    struct Case {
        std::string path;
        sh::HResult code;
    };
    const Case cases[] = {
        {FTree.File("absent"), sh::E_FILE_NOT_FOUND},
        {FTree.File("notes.txt/below"), sh::E_PATH_NOT_FOUND},
        {"relative/path", sh::E_INVALIDARG},
        {"", sh::E_INVALIDARG},
        {"/" + std::string(5000, 'a'), sh::E_NAME_TOO_LONG},
        {"file://elsewhere/x", sh::E_INVALIDARG},
        {"file:///bad%zzescape", sh::E_INVALIDARG},
    };
    for (const auto& c : cases) {
        sh::PItemIDList list = reinterpret_cast<sh::PItemIDList>(1);
        EXPECT_EQ(desktop->ParseDisplayName(c.path, list), c.code) << c.path.substr(0, 60);
        EXPECT_EQ(list, nullptr);
    }
}

TEST_F(FileSystemFolderTest, EnumerationHonoursTheFolderAndHiddenFlags) {
    const auto folder = FolderAt(FTree.Path());
    EXPECT_EQ(
        Sorted(Names(folder, kAll)),
        (std::vector<std::string>{".cache", ".hidden.jib", "Albums", "Caf\xC3\xA9", "album-link",
                                  "dangling", "notes-link", "notes.txt", "with space"}));
    EXPECT_EQ(Sorted(Names(folder, sh::SHCONTF_FOLDERS)),
              (std::vector<std::string>{"Albums", "Caf\xC3\xA9", "album-link", "with space"}));
    EXPECT_EQ(Sorted(Names(folder, sh::SHCONTF_NONFOLDERS)),
              (std::vector<std::string>{"dangling", "notes-link", "notes.txt"}));
    EXPECT_EQ(Sorted(Names(folder, sh::SHCONTF_NONFOLDERS | sh::SHCONTF_INCLUDEHIDDEN)),
              (std::vector<std::string>{".hidden.jib", "dangling", "notes-link", "notes.txt"}));

    // A name filter leaves out only the files it refuses: folders, and links (which may lead
    // to folders), are listed whatever their names.
    const auto keeping = [&](std::uint32_t flags) {
        std::unique_ptr<sh::IEnumIDList> listed;
        EXPECT_EQ(folder->EnumObjectsKeeping(
                      flags,
                      [](std::string_view name) {
                          return name.size() >= 4 && name.substr(name.size() - 4) == ".jib";
                      },
                      listed),
                  sh::S_OK);
        std::vector<std::string> names;
        for (sh::PItemIDList item = nullptr; listed && listed->Next(item) == sh::S_OK;) {
            sh::UniqueIdList owned(item);
            names.push_back(NameOf(folder, item, sh::SHGDN_INFOLDER | sh::SHGDN_FORPARSING));
        }
        return Sorted(names);
    };
    EXPECT_EQ(keeping(kAll),
              (std::vector<std::string>{".cache", ".hidden.jib", "Albums", "Caf\xC3\xA9",
                                        "album-link", "dangling", "notes-link", "with space"}));
    EXPECT_EQ(keeping(sh::SHCONTF_NONFOLDERS),
              (std::vector<std::string>{"dangling", "notes-link"}));

    // S_FALSE ends the sequence, and stays the answer after the end.
    std::unique_ptr<sh::IEnumIDList> items;
    ASSERT_EQ(FolderAt(FTree.File("Albums/2024"))->EnumObjects(kAll, items), sh::S_OK);
    sh::PItemIDList item = nullptr;
    EXPECT_EQ(items->Next(item), sh::S_FALSE);
    EXPECT_EQ(items->Next(item), sh::S_FALSE);
    EXPECT_EQ(item, nullptr);
}

TEST_F(FileSystemFolderTest, AttributesDescribeFoldersFilesLinksAndHiddenEntries) {
    const auto folder = FolderAt(FTree.Path());
    ::chmod(FTree.Write("locked.txt", "r").c_str(), 0444);
    struct Case {
        const char* name;
        std::uint32_t set;
        std::uint32_t clear;
    };
    const std::uint32_t fsFolder =
        sh::SFGAO_FOLDER | sh::SFGAO_FILESYSTEM | sh::SFGAO_FILESYSANCESTOR;
    const Case cases[] = {
        {"Albums", fsFolder | sh::SFGAO_HASSUBFOLDER | sh::SFGAO_CANRENAME,
         sh::SFGAO_LINK | sh::SFGAO_GHOSTED | sh::SFGAO_READONLY},
        {"with space", fsFolder, sh::SFGAO_HASSUBFOLDER},
        {".cache", fsFolder | sh::SFGAO_GHOSTED, sh::SFGAO_LINK},
        {"notes.txt", sh::SFGAO_FILESYSTEM | sh::SFGAO_CANCOPY | sh::SFGAO_CANDELETE,
         sh::SFGAO_FOLDER | sh::SFGAO_FILESYSANCESTOR | sh::SFGAO_LINK | sh::SFGAO_READONLY},
        {"album-link", fsFolder | sh::SFGAO_LINK | sh::SFGAO_HASSUBFOLDER, sh::SFGAO_GHOSTED},
        {"notes-link", sh::SFGAO_FILESYSTEM | sh::SFGAO_LINK, sh::SFGAO_FOLDER},
        {"dangling", sh::SFGAO_FILESYSTEM | sh::SFGAO_LINK, sh::SFGAO_FOLDER},
        {".hidden.jib", sh::SFGAO_GHOSTED, sh::SFGAO_FOLDER},
        {"locked.txt", sh::SFGAO_READONLY, sh::SFGAO_FOLDER},
    };
    for (const auto& c : cases) {
        sh::UniqueIdList item = ItemNamed(folder, c.name);
        ASSERT_TRUE(item) << c.name;
        const std::uint32_t a = AttributesOf(folder, item.get(), 0xFFFFFFFF);
        EXPECT_EQ(a & c.set, c.set) << c.name << std::hex << " has " << a;
        EXPECT_EQ(a & c.clear, 0u) << c.name << std::hex << " has " << a;
        // Only bits that were asked for come back.
        EXPECT_EQ(AttributesOf(folder, item.get(), sh::SFGAO_LINK) & ~sh::SFGAO_LINK, 0u);
    }
    // Several items answer what all of them have.
    sh::UniqueIdList a = ItemNamed(folder, "Albums");
    sh::UniqueIdList b = ItemNamed(folder, "notes.txt");
    sh::PCItemIDList both[] = {a.get(), b.get()};
    std::uint32_t common = sh::SFGAO_FOLDER | sh::SFGAO_FILESYSTEM;
    ASSERT_EQ(folder->GetAttributesOf(2, both, common), sh::S_OK);
    EXPECT_EQ(common, sh::SFGAO_FILESYSTEM);
}

// The expand arrow's answer: a real folder settles it from the folder's link count, a link
// to a folder only by reading the entries and following the links; a folder of more links
// than are followed gets the arrow, as a folder of too many entries does.
TEST_F(FileSystemFolderTest, SubFoldersAreFoundThroughLinksButNotFilesOrBrokenLinks) {
    FTree.MakeDir("probe/real/inner");
    FTree.Write("probe/leaf/only.jib", "zip");
    FTree.MakeDir("probe/linked");
    ::symlink("../real", FTree.File("probe/linked/to-real").c_str());
    FTree.Write("probe/file-links/notes.txt", "hello");
    ::symlink("notes.txt", FTree.File("probe/file-links/to-notes").c_str());
    ::symlink("missing-target", FTree.File("probe/file-links/dangling").c_str());
    FTree.MakeDir("probe/mixed/zz-folder");
    for (int i = 0; i < 40; ++i)
        ::symlink("missing-target", FTree.File("probe/mixed/link-" + std::to_string(i)).c_str());
    FTree.Write("probe/many-links/notes.txt", "hello");
    for (int i = 0; i < 65; ++i)
        ::symlink("notes.txt", FTree.File("probe/many-links/to-" + std::to_string(i)).c_str());
    const auto folder = FolderAt(FTree.File("probe"));
    const std::pair<const char*, bool> cases[] = {
        {"real", true},        {"leaf", false}, {"linked", true},
        {"file-links", false}, {"mixed", true}, {"many-links", true},
    };
    for (const auto& [name, has] : cases) {
        sh::UniqueIdList item = ItemNamed(folder, name);
        ASSERT_TRUE(item) << name;
        EXPECT_EQ(AttributesOf(folder, item.get(), sh::SFGAO_HASSUBFOLDER) != 0, has) << name;
    }
}

TEST_F(FileSystemFolderTest, NamesThatAreNotUtf8AreShownAndStillReopen) {
    const std::string raw = "caf\xE9.jib";
    FTree.Write(raw, "zip");
    const auto folder = FolderAt(FTree.Path());
    sh::UniqueIdList item = ItemNamed(folder, raw);
    ASSERT_TRUE(item);
    EXPECT_EQ(NameOf(folder, item.get(), sh::SHGDN_INFOLDER), "caf\xEF\xBF\xBD.jib");
    const std::string path = NameOf(folder, item.get(), sh::SHGDN_FORPARSING);
    EXPECT_EQ(path, FTree.File(raw));
    EXPECT_EQ(ReadFileText(path), "zip");
}

TEST_F(FileSystemFolderTest, VanishedAndUnreadableFoldersFailQuietly) {
    FTree.MakeDir("gone");
    const auto gone = FolderAt(FTree.File("gone"));
    ASSERT_TRUE(gone);
    ::rmdir(FTree.File("gone").c_str());
    std::unique_ptr<sh::IEnumIDList> items;
    EXPECT_EQ(gone->EnumObjects(kAll, items), sh::E_FILE_NOT_FOUND);
    EXPECT_EQ(items, nullptr);

    if (::geteuid() != 0) { // root reads every folder
        FTree.MakeDir("private");
        ::chmod(FTree.File("private").c_str(), 0);
        EXPECT_EQ(FolderAt(FTree.File("private"))->EnumObjects(kAll, items), sh::E_ACCESSDENIED);
    }
    // A folder that may be listed but not searched still shows its entries.
    FTree.Write("listonly/inside.jib", "x");
    ::chmod(FTree.File("listonly").c_str(), 0444);
    if (::geteuid() != 0) {
        EXPECT_EQ(Names(FolderAt(FTree.File("listonly")), kAll),
                  std::vector<std::string>{"inside.jib"});
    }
}

TEST_F(FileSystemFolderTest, ComparisonsPutFoldersFirstAndOrderNamesNaturally) {
    TempDir dir;
    dir.MakeDir("zeta");
    dir.MakeDir("Alpha");
    dir.Write("file10.jib", std::string(10, 'x'));
    dir.Write("file2.jib", std::string(300, 'x'));
    dir.Write("File1.png", "");
    const auto folder = FolderAt(dir.Path());
    std::vector<sh::UniqueIdList> items;
    for (const char* n : {"file10.jib", "zeta", "File1.png", "file2.jib", "Alpha"})
        items.push_back(ItemNamed(folder, n));
    const auto order = [&](int column) {
        std::vector<sh::PCItemIDList> v;
        for (const auto& i : items)
            v.push_back(i.get());
        std::sort(v.begin(), v.end(), [&](sh::PCItemIDList a, sh::PCItemIDList b) {
            return sh::CompareCode(folder->CompareIDs(column, a, b)) < 0;
        });
        std::vector<std::string> names;
        for (auto p : v)
            names.push_back(NameOf(folder, p, sh::SHGDN_INFOLDER));
        return names;
    };
    EXPECT_EQ(order(0),
              (std::vector<std::string>{"Alpha", "zeta", "File1.png", "file2.jib", "file10.jib"}));
    EXPECT_EQ(order(1),
              (std::vector<std::string>{"Alpha", "zeta", "File1.png", "file10.jib", "file2.jib"}));
    EXPECT_EQ(order(2),
              (std::vector<std::string>{"Alpha", "zeta", "file2.jib", "file10.jib", "File1.png"}));
    // Sorting them in one go gives CompareIDs's order, column by column, also with sizes
    // and times that tie, an executable and a broken link among them.
    dir.Write("same1.jib", std::string(10, 'x'));
    dir.Write("same2.txt", std::string(300, 'x'));
    dir.Write("run", "#!/bin/sh\n");
    ::chmod(dir.File("run").c_str(), 0755);
    ::symlink("gone", dir.File("broken.jib").c_str());
    for (const char* n : {"same2.txt", "run", "broken.jib", "same1.jib"})
        items.push_back(ItemNamed(folder, n));
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        std::vector<sh::PCItemIDList> v;
        for (const auto& i : items)
            v.push_back(i.get());
        std::vector<std::size_t> positions;
        folder->SortItems(column, v, positions);
        std::vector<std::string> names;
        for (const std::size_t p : positions)
            names.push_back(NameOf(folder, v[p], sh::SHGDN_INFOLDER));
        EXPECT_EQ(names, order(column));
    }
    EXPECT_EQ(sh::CompareCode(folder->CompareIDs(0, items[0].get(), items[0].get())), 0);
    EXPECT_EQ(folder->CompareIDs(4, items[0].get(), items[1].get()), sh::E_INVALIDARG);

    // Lists of several items are compared level by level.
    sh::UniqueIdList deepA = Parse(FTree.File("Albums/2024"));
    sh::UniqueIdList deepB = Parse(FTree.File("Albums/cover.jib"));
    sh::UniqueIdList shallow = Parse(FTree.File("Albums"));
    sh::ShellFolderPtr desktop;
    sh::SHGetDesktopFolder(desktop);
    EXPECT_LT(sh::CompareCode(desktop->CompareIDs(0, deepA.get(), deepB.get())), 0);
    EXPECT_LT(sh::CompareCode(desktop->CompareIDs(0, shallow.get(), deepA.get())), 0);
    EXPECT_EQ(sh::CompareCode(
                  desktop->CompareIDs(0, deepA.get(), Parse(FTree.File("Albums/2024/")).get())),
              0);
}

TEST_F(FileSystemFolderTest, DetailsIconsAndNamesForEachColumn) {
    FTree.Write("big.jib", std::string(1025, 'x'));
    const auto folder = FolderAt(FTree.Path());
    sh::ShellDetails d;
    std::vector<std::string> headers;
    for (int c = 0; sh::Succeeded(folder->GetDetailsOf(nullptr, c, d)); ++c)
        headers.push_back(d.text);
    EXPECT_EQ(headers, (std::vector<std::string>{"Name", "Size", "Type", "Modified"}));
    ASSERT_EQ(folder->GetDetailsOf(nullptr, 1, d), sh::S_OK);
    EXPECT_EQ(d.fmt, sh::LVCFMT_RIGHT);

    sh::UniqueIdList big = ItemNamed(folder, "big.jib");
    const auto text = [&](sh::PCItemIDList item, int column) {
        sh::ShellDetails details;
        EXPECT_EQ(folder->GetDetailsOf(item, column, details), sh::S_OK);
        return details.text;
    };
    EXPECT_EQ(text(big.get(), 0), "big.jib");
    EXPECT_EQ(text(big.get(), 1), "2KB");
    EXPECT_EQ(text(big.get(), 2), "JIB Project");
    EXPECT_FALSE(text(big.get(), 3).empty());
    sh::UniqueIdList albums = ItemNamed(folder, "Albums");
    EXPECT_EQ(text(albums.get(), 1), "");
    EXPECT_EQ(text(albums.get(), 2), "Folder");

    std::string icon;
    ASSERT_EQ(folder->GetIconOf(big.get(), false, icon), sh::S_OK);
    EXPECT_EQ(icon, "application-zip");
    folder->GetIconOf(albums.get(), true, icon);
    EXPECT_EQ(icon, "folder-open");
    EXPECT_EQ(NameOf(folder, big.get(), sh::SHGDN_INFOLDER | sh::SHGDN_FOREDITING), "big.jib");
    EXPECT_EQ(NameOf(folder, big.get(), sh::SHGDN_FORPARSING), FTree.File("big.jib"));
}

TEST_F(FileSystemFolderTest, RenameNeverReplacesAnotherEntry) {
    const auto folder = FolderAt(FTree.Path());
    sh::UniqueIdList notes = ItemNamed(folder, "notes.txt");
    sh::PItemIDList renamed = nullptr;
    ASSERT_EQ(folder->SetNameOf(notes.get(), "diary.txt", sh::SHGDN_INFOLDER, &renamed), sh::S_OK);
    sh::UniqueIdList owned(renamed);
    EXPECT_EQ(NameOf(folder, renamed, sh::SHGDN_INFOLDER), "diary.txt");
    EXPECT_EQ(ReadFileText(FTree.File("diary.txt")), "hello");

    FTree.Write("other.txt", "keep me");
    sh::PItemIDList none = nullptr;
    EXPECT_EQ(folder->SetNameOf(renamed, "other.txt", 0, &none), sh::E_ALREADY_EXISTS);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(ReadFileText(FTree.File("other.txt")), "keep me");
    for (const char* bad : {"", "a/b", "..", "."})
        EXPECT_EQ(folder->SetNameOf(renamed, bad, 0, nullptr), sh::E_INVALID_NAME) << bad;
    EXPECT_TRUE(FileExists(FTree.File("diary.txt")));
}

} // namespace shellns_test
