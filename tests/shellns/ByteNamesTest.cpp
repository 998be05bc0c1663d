// Names that are bytes rather than text: a file written by an old Latin-1 program is
// "caf\xE9.jib" on disk, and every road through the namespace (file: URIs, a rename typed
// over its shown name, the Trash) must keep those bytes.
#include "platform/shellns/FileUri.h"
#include "platform/shellns/FileVerbs.h"
#include "platform/shellns/NameText.h"
#include "platform/shellns/Trash.h"
#include "tests/shellns/NamespaceTest.h"

#include <filesystem>

namespace shellns_test {
namespace {

constexpr const char* kLatin1Name = "caf\xE9.jib";

TEST(FileUri, PathsTravelAsTheirBytes) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/ann/caf\xE9.jib", "file:///home/ann/caf%E9.jib"},
        {"/home/ann/caf\xC3\xA9.jib", "file:///home/ann/caf%C3%A9.jib"},
        {"/a b/#1?%.jib", "file:///a%20b/%231%3F%25.jib"},
        {"/new\nline\r", "file:///new%0Aline%0D"},
        {"/", "file:///"},
    };
    for (const auto& [path, uri] : cases) {
        EXPECT_EQ(sh::FileUriOf(path), uri);
        std::string back;
        EXPECT_TRUE(sh::LocalPathOfFileUri(uri, back)) << uri;
        EXPECT_EQ(back, path) << uri;
    }
}

TEST(FileUri, AUriListGivesTheLocalPathsItNames) {
    const std::string list = "# a comment names nothing\r\n"
                             "file:///home/ann/caf%E9.jib\r\n"
                             "\r\n"
                             "FILE://localhost/tmp/x%20y\n"
                             "file:/tmp/short-form \r\n"
                             "https://example.org/page.jib\r\n"
                             "file://server/share/a.jib\r\n"
                             "file:///tmp/bad%zz\r\n"
                             "file:///tmp/zero%00byte\r\n"
                             "file:///tmp/query?x=1\r\n"
                             "relative/path\r\n"
                             "file:///last/without/line/end";
    EXPECT_EQ(sh::LocalPathsOfUriList(list),
              (std::vector<std::string>{"/home/ann/caf\xE9.jib", "/tmp/x y", "/tmp/short-form",
                                        "/last/without/line/end"}));
    const std::vector<std::string> paths = {"/home/ann/caf\xE9.jib", "/tmp/a b"};
    EXPECT_EQ(sh::UriListOf(paths), "file:///home/ann/caf%E9.jib\r\nfile:///tmp/a%20b\r\n");
    EXPECT_EQ(sh::LocalPathsOfUriList(sh::UriListOf(paths)), paths);
}

// The editor shows "caf\xE9" as "caf\uFFFD"; what the user types keeps the bytes of what
// was left as it was.
TEST(NameText, ARenameTypedOverTheShownNameKeepsTheUntouchedBytes) {
    const struct {
        const char* original;
        const char* typed;
        const char* onDisk;
    } cases[] = {
        {"caf\xE9.jib", "caf\uFFFD.jib", "caf\xE9.jib"},
        {"caf\xE9.jib", "caf\uFFFD (old).jib", "caf\xE9 (old).jib"},
        {"caf\xE9.jib", "old caf\uFFFD.jib", "old caf\xE9.jib"},
        {"caf\xE9.jib", "caf\uFFFD.zip", "caf\xE9.zip"},
        {"caf\xE9.jib", "caf\u00E9.jib", "caf\u00E9.jib"},
        {"caf\xE9.jib", "new.jib", "new.jib"},
        {"\xE9\xE8.jib", "\uFFFD-\uFFFD.jib", "\xE9-\xE8.jib"},
        {"\xE9\xE8.jib", "\uFFFD\uFFFC.jib", "\xE9\uFFFC.jib"},
        {"a\xE9\xE9\xE9z", "a\uFFFD\uFFFDz", "a\xE9\xE9z"},
        {"caf\u00E9.jib", "caf\u00E9 2.jib", "caf\u00E9 2.jib"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sh::NameFromEdit(c.original, c.typed), c.onDisk) << c.typed;
}

class ByteNamesTest : public NamespaceTest {};

TEST_F(ByteNamesTest, RenamesDeletionsAndPastesKeepTheBytes) {
    FTree.Write(kLatin1Name, "latin-1");
    FTree.MakeDir("d\xE9j\xE0");
    const auto folder = FolderAt(FTree.Path());
    ASSERT_EQ(Names(folder, sh::SHCONTF_NONFOLDERS), std::vector<std::string>{kLatin1Name});

    // Renamed through the editor: only the typed part is new.
    sh::UniqueIdList item = ItemNamed(folder, kLatin1Name);
    sh::PItemIDList renamed = nullptr;
    ASSERT_EQ(folder->SetNameOf(item.get(), "caf\uFFFD-v2.jib",
                                sh::SHGDN_INFOLDER | sh::SHGDN_FOREDITING, &renamed),
              sh::S_OK);
    sh::UniqueIdList renamedOwned(renamed);
    EXPECT_EQ(NameOf(folder, renamed, sh::SHGDN_INFOLDER | sh::SHGDN_FORPARSING), "caf\xE9-v2.jib");
    EXPECT_EQ(ReadFileText(FTree.File("caf\xE9-v2.jib")), "latin-1");
    // A name given for parsing is taken as the bytes it is.
    ASSERT_EQ(folder->SetNameOf(renamed, kLatin1Name, sh::SHGDN_INFOLDER, nullptr), sh::S_OK);
    EXPECT_EQ(ReadFileText(FTree.File(kLatin1Name)), "latin-1");

    // Copied and pasted into a folder that is not UTF-8 either.
    std::unique_ptr<sh::IContextMenu> menu;
    item = ItemNamed(folder, kLatin1Name);
    sh::PCItemIDList items[] = {item.get()};
    ASSERT_EQ(folder->GetContextMenu(1, items, menu), sh::S_OK);
    ASSERT_EQ(menu->InvokeCommand("copy"), sh::S_OK);
    sh::UniqueIdList target = ItemNamed(folder, "d\xE9j\xE0");
    sh::PCItemIDList targets[] = {target.get()};
    ASSERT_EQ(folder->GetContextMenu(1, targets, menu), sh::S_OK);
    ASSERT_EQ(menu->InvokeCommand("paste"), sh::S_OK);
    EXPECT_EQ(ReadFileText(FTree.File("d\xE9j\xE0/caf\xE9.jib")), "latin-1");

    // Deleted to the Trash, whose record names the original path byte for byte.
    ASSERT_EQ(folder->GetContextMenu(1, items, menu), sh::S_OK);
    ASSERT_EQ(menu->InvokeCommand("delete"), sh::S_OK);
    EXPECT_FALSE(std::filesystem::exists(FTree.File(kLatin1Name)));
    const std::string trash = sh::HomeTrashFolder();
    EXPECT_EQ(ReadFileText(trash + "files/" + kLatin1Name), "latin-1");
    EXPECT_NE(ReadFileText(trash + "info/" + kLatin1Name + ".trashinfo")
                  .find("\nPath=" + sh::PercentEncodePath(FTree.File(kLatin1Name)) + "\n"),
              std::string::npos);
    const std::vector<sh::TrashEntry> entries = sh::ReadHomeTrash();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].originalPath, FTree.File(kLatin1Name));
}

} // namespace
} // namespace shellns_test
