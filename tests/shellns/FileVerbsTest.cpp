#include "platform/shellns/FileVerbs.h"

#include "platform/shellns/FileOperations.h"
#include "platform/shellns/Trash.h"
#include "tests/shellns/NamespaceTest.h"

#include <sys/stat.h>
#include <unistd.h>

namespace shellns_test {
namespace {

class FileVerbsTest : public NamespaceTest {
protected:
    void TearDown() override {
        sh::SetOpenHandler({});
        sh::PutOnFileClipboard({});
        NamespaceTest::TearDown();
    }

    std::unique_ptr<sh::IContextMenu> MenuOf(const sh::ShellFolderPtr& folder,
                                             const std::vector<std::string>& names) {
        std::vector<sh::UniqueIdList> items;
        std::vector<sh::PCItemIDList> pointers;
        for (const auto& n : names) {
            items.push_back(ItemNamed(folder, n));
            pointers.push_back(items.back().get());
        }
        std::unique_ptr<sh::IContextMenu> menu;
        EXPECT_EQ(folder->GetContextMenu(static_cast<int>(pointers.size()), pointers.data(), menu),
                  sh::S_OK);
        return menu;
    }
};

} // namespace

TEST_F(FileVerbsTest, DeleteMovesToTheTrashWithARecordTheDesktopCanRestoreFrom) {
    const std::string first = FTree.Write("my photo.jib", "one");
    const auto folder = FolderAt(FTree.Path());
    ASSERT_EQ(MenuOf(folder, {"my photo.jib"})->InvokeCommand("delete"), sh::S_OK);
    EXPECT_FALSE(FileExists(first));
    const std::string trash = FHome.Home() + "/.local/share/Trash/";
    EXPECT_EQ(ReadFileText(trash + "files/my photo.jib"), "one");
    const std::string info = ReadFileText(trash + "info/my photo.jib.trashinfo");
    EXPECT_EQ(
        info.rfind("[Trash Info]\nPath=" + sh::PercentEncodePath(first) + "\nDeletionDate=", 0), 0u)
        << info;
    EXPECT_NE(first.find(' '), std::string::npos);
    EXPECT_EQ(sh::PercentEncodePath(first).find(' '), std::string::npos);

    // A second file of the same name gets a name of its own; nothing is replaced.
    FTree.Write("my photo.jib", "two");
    std::string trashed;
    ASSERT_EQ(sh::MoveToTrash(FTree.File("my photo.jib"), &trashed), sh::S_OK);
    EXPECT_EQ(trashed, "my photo.2.jib");
    EXPECT_EQ(ReadFileText(trash + "files/my photo.jib"), "one");
    EXPECT_EQ(ReadFileText(trash + "files/my photo.2.jib"), "two");
    const auto entries = sh::ReadHomeTrash();
    EXPECT_EQ(entries.size(), 2u);

    // A link is trashed itself, never what it points at.
    const std::string target = FTree.Write("keep.jib", "keep");
    ::symlink(target.c_str(), FTree.File("link.jib").c_str());
    ASSERT_EQ(sh::MoveToTrash(FTree.File("link.jib")), sh::S_OK);
    EXPECT_EQ(ReadFileText(target), "keep");
    EXPECT_EQ(sh::MoveToTrash(FTree.File("absent")), sh::E_FILE_NOT_FOUND);
    EXPECT_EQ(sh::MoveToTrash("/"), sh::E_INVALIDARG);
}

TEST_F(FileVerbsTest, CopyCutAndPasteTransferThroughTheFileClipboard) {
    FTree.Write("src/a.jib", "A");
    FTree.Write("src/sub/b.jib", "B");
    FTree.MakeDir("dst");
    const auto src = FolderAt(FTree.File("src"));
    const auto dst = FolderAt(FTree.File("dst"));
    ASSERT_EQ(MenuOf(src, {"a.jib", "sub"})->InvokeCommand("copy"), sh::S_OK);
    EXPECT_EQ(sh::FileClipboardNow().paths.size(), 2u);
    std::unique_ptr<sh::IContextMenu> background;
    ASSERT_EQ(dst->GetContextMenu(0, nullptr, background), sh::S_OK);
    EXPECT_EQ(background->Verbs(), std::vector<std::string>{"paste"});
    ASSERT_EQ(background->InvokeCommand("paste"), sh::S_OK);
    EXPECT_EQ(ReadFileText(FTree.File("dst/a.jib")), "A");
    EXPECT_EQ(ReadFileText(FTree.File("dst/sub/b.jib")), "B");
    // Pasting again keeps both: the copy gets the next free name.
    ASSERT_EQ(background->InvokeCommand("paste"), sh::S_OK);
    EXPECT_EQ(ReadFileText(FTree.File("dst/a (2).jib")), "A");
    EXPECT_TRUE(FileExists(FTree.File("dst/sub (2)/b.jib")));

    // Cut moves on paste, and is used up by it.
    ASSERT_EQ(MenuOf(src, {"a.jib"})->InvokeCommand("cut"), sh::S_OK);
    FTree.MakeDir("dst/inner");
    ASSERT_EQ(MenuOf(dst, {"inner"})->InvokeCommand("paste"), sh::S_OK);
    EXPECT_FALSE(FileExists(FTree.File("src/a.jib")));
    EXPECT_EQ(ReadFileText(FTree.File("dst/inner/a.jib")), "A");
    EXPECT_TRUE(sh::FileClipboardNow().paths.empty());

    std::vector<std::string> opened;
    sh::SetOpenHandler([&](const std::string& p) {
        opened.push_back(p);
        return sh::S_OK;
    });
    ASSERT_EQ(MenuOf(dst, {"a.jib"})->InvokeCommand("open"), sh::S_OK);
    EXPECT_EQ(opened, std::vector<std::string>{FTree.File("dst/a.jib")});
    EXPECT_EQ(MenuOf(dst, {"a.jib"})->InvokeCommand("format"), sh::E_INVALIDARG);
}

TEST_F(FileVerbsTest, TransfersNeverOverwriteNorNestAFolderInItself) {
    FTree.Write("box/item.jib", "1");
    FTree.Write("box/deep/x", "2");
    EXPECT_EQ(
        sh::TransferPaths({FTree.File("box")}, FTree.File("box/deep"), sh::TransferKind::Copy),
        sh::E_INVALIDARG);
    EXPECT_EQ(sh::TransferPaths({FTree.File("box")}, FTree.File("box"), sh::TransferKind::Move),
              sh::E_INVALIDARG);
    // Moving into the folder it is already in changes nothing.
    EXPECT_EQ(
        sh::TransferPaths({FTree.File("box/item.jib")}, FTree.File("box"), sh::TransferKind::Move),
        sh::S_OK);
    EXPECT_EQ(ReadFileText(FTree.File("box/item.jib")), "1");
    ASSERT_EQ(
        sh::TransferPaths({FTree.File("box/item.jib")}, FTree.File("box"), sh::TransferKind::Link),
        sh::S_OK);
    char target[256] = {};
    ASSERT_GT(::readlink(FTree.File("box/item (2).jib").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), FTree.File("box/item.jib"));
    ::chmod(FTree.Write("box/mode.sh", "#!/bin/sh\n").c_str(), 0750);
    FTree.MakeDir("out");
    ASSERT_EQ(
        sh::TransferPaths({FTree.File("box/mode.sh")}, FTree.File("out/"), sh::TransferKind::Copy),
        sh::S_OK);
    struct stat st;
    ASSERT_EQ(::stat(FTree.File("out/mode.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
}

TEST_F(FileVerbsTest, DropEffectsFollowTheKeysLikeAFileManager) {
    FTree.Write("a/doc.jib", "x");
    FTree.MakeDir("b");
    const std::vector<std::string> doc{FTree.File("a/doc.jib")};
    const std::string b = FTree.File("b/");
    constexpr std::uint32_t all = sh::DROPEFFECT_COPY | sh::DROPEFFECT_MOVE | sh::DROPEFFECT_LINK;
    struct Case {
        std::uint32_t keys;
        std::uint32_t allowed;
        std::uint32_t effect;
    };
    const Case cases[] = {
        {0, all, sh::DROPEFFECT_MOVE}, // same file system
        {sh::MK_CONTROL, all, sh::DROPEFFECT_COPY},
        {sh::MK_SHIFT, all, sh::DROPEFFECT_MOVE},
        {sh::MK_CONTROL | sh::MK_SHIFT, all, sh::DROPEFFECT_LINK},
        {sh::MK_ALT, all, sh::DROPEFFECT_LINK},
        {0, sh::DROPEFFECT_COPY, sh::DROPEFFECT_COPY},
        {sh::MK_SHIFT, sh::DROPEFFECT_LINK, sh::DROPEFFECT_LINK},
        {0, 0, sh::DROPEFFECT_NONE},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sh::ChooseDropEffect(doc, b, c.keys, c.allowed), c.effect)
            << c.keys << "/" << c.allowed;
    EXPECT_EQ(sh::ChooseDropEffect({FTree.File("a")}, FTree.File("a/inner"), 0, all),
              sh::DROPEFFECT_NONE);
    EXPECT_EQ(sh::ChooseDropEffect(doc, FTree.File("a"), 0, all), sh::DROPEFFECT_NONE);

    // The folder item's drop target carries the drop out.
    const auto root = FolderAt(FTree.Path());
    std::unique_ptr<sh::IDropTarget> target;
    ASSERT_EQ(root->GetDropTarget(ItemNamed(root, "b").get(), target), sh::S_OK);
    std::uint32_t effect = all;
    ASSERT_EQ(target->DragEnter(doc, sh::MK_CONTROL, effect), sh::S_OK);
    EXPECT_EQ(effect, sh::DROPEFFECT_COPY);
    effect = all;
    ASSERT_EQ(target->Drop(doc, sh::MK_CONTROL, effect), sh::S_OK);
    EXPECT_EQ(ReadFileText(FTree.File("b/doc.jib")), "x");
    EXPECT_TRUE(FileExists(FTree.File("a/doc.jib")));
    EXPECT_NE(root->GetDropTarget(ItemNamed(root, "a").get(), target), sh::S_OK + 1);
    FTree.Write("file.txt", "");
    EXPECT_EQ(root->GetDropTarget(ItemNamed(root, "file.txt").get(), target), sh::E_NOINTERFACE);
}

} // namespace shellns_test
