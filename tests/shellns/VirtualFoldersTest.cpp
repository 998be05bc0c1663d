#include "platform/shellns/ItemData.h"
#include "platform/shellns/Shares.h"
#include "platform/shellns/SpecialFolders.h"
#include "platform/shellns/Trash.h"
#include "platform/shellns/Volumes.h"
#include "tests/shellns/NamespaceTest.h"

#include <sys/stat.h>

namespace shellns_test {
namespace {

constexpr std::uint32_t kAll =
    sh::SHCONTF_FOLDERS | sh::SHCONTF_NONFOLDERS | sh::SHCONTF_INCLUDEHIDDEN;

// Stages a mount table: the root file system plus a USB stick and a network share whose
// mount points are folders of the test tree.
class StagedMounts {
public:
    explicit StagedMounts(const TempDir& tree) {
        tree.MakeDir("media/USB STICK/photos");
        tree.MakeDir("net/share");
        const std::string usb = tree.File("media/USB STICK");
        const std::string share = tree.File("net/share");
        sh::SetMountTableSource([usb, share] {
            std::vector<platform::MountEntry> mounts;
            mounts.push_back({"/", "ext4", "/dev/sda1", 8, 1, platform::MountKind::Fixed});
            mounts.push_back({"/proc", "proc", "proc", 0, 20, platform::MountKind::Pseudo});
            mounts.push_back({usb, "vfat", "/dev/sdb1", 8, 17, platform::MountKind::Removable});
            mounts.push_back({share, "nfs4", "server:/export", 0, 50, platform::MountKind::Remote});
            return mounts;
        });
    }
    ~StagedMounts() { sh::SetMountTableSource({}); }
};

class VirtualFoldersTest : public NamespaceTest {
protected:
    sh::ShellFolderPtr Desktop() {
        sh::ShellFolderPtr desktop;
        sh::SHGetDesktopFolder(desktop);
        return desktop;
    }
};

} // namespace

TEST_F(VirtualFoldersTest, TheDesktopHoldsHomeComputerTrashAndTheDesktopFolder) {
    FHome.Dir().Write("Desktop/todo.jib", "x");
    FHome.Dir().MakeDir("Desktop/Projects");
    const auto desktop = Desktop();
    std::vector<std::string> shown;
    std::unique_ptr<sh::IEnumIDList> items;
    ASSERT_EQ(desktop->EnumObjects(kAll, items), sh::S_OK);
    std::vector<sh::UniqueIdList> kept;
    for (sh::PItemIDList item = nullptr; items->Next(item) == sh::S_OK;) {
        kept.emplace_back(item);
        shown.push_back(NameOf(desktop, item, sh::SHGDN_NORMAL));
    }
    std::vector<std::string> head(shown.begin(), shown.begin() + 3);
    EXPECT_EQ(head, (std::vector<std::string>{"Home", "Computer", "Trash"}));
    EXPECT_EQ(shown.size(), 5u);
    EXPECT_EQ(Names(desktop, sh::SHCONTF_NONFOLDERS), std::vector<std::string>{"todo.jib"});

    // Home, Computer and Trash come before the desktop folder's entries.
    std::sort(kept.begin(), kept.end(), [&](const sh::UniqueIdList& a, const sh::UniqueIdList& b) {
        return sh::CompareCode(desktop->CompareIDs(0, a.get(), b.get())) < 0;
    });
    std::vector<std::string> sorted;
    for (const auto& k : kept)
        sorted.push_back(NameOf(desktop, k.get(), sh::SHGDN_INFOLDER));
    EXPECT_EQ(sorted,
              (std::vector<std::string>{"Home", "Computer", "Trash", "Projects", "todo.jib"}));
    EXPECT_EQ(NameOf(desktop, sh::UniqueIdList(sh::IdListEmpty()).get(), 0), "Desktop");
}

TEST_F(VirtualFoldersTest, VirtualItemsHaveTheirOwnAttributesAndNoPathWhenVirtual) {
    const auto desktop = Desktop();
    struct Case {
        sh::ItemKind kind;
        const char* name;
        const char* parsing;
        std::uint32_t attributes; // within kTreeAttributeMask
        const char* icon;
    };
    FHome.Dir().MakeDir("sub");
    const std::string home = FHome.Home();
    const Case cases[] = {
        {sh::ItemKind::Home, "Home", home.c_str(),
         sh::SFGAO_FOLDER | sh::SFGAO_FILESYSTEM | sh::SFGAO_FILESYSANCESTOR |
             sh::SFGAO_HASSUBFOLDER,
         "user-home"},
        {sh::ItemKind::Computer, "Computer", "computer:///",
         sh::SFGAO_FOLDER | sh::SFGAO_FILESYSANCESTOR | sh::SFGAO_HASSUBFOLDER, "computer"},
        {sh::ItemKind::Trash, "Trash", "trash:///", sh::SFGAO_FOLDER, "user-trash"},
    };
    for (const auto& c : cases) {
        sh::UniqueIdList item(sh::MakeVirtualItem(c.kind));
        EXPECT_EQ(NameOf(desktop, item.get(), sh::SHGDN_NORMAL), c.name);
        EXPECT_EQ(NameOf(desktop, item.get(), sh::SHGDN_FORPARSING), c.parsing);
        EXPECT_EQ(AttributesOf(desktop, item.get(), sh::kTreeAttributeMask), c.attributes)
            << c.name;
        std::string icon;
        desktop->GetIconOf(item.get(), false, icon);
        EXPECT_EQ(icon, c.icon);
        // The parsing name finds the same item again; Home's is its path, which parses
        // through Computer like every path.
        if (c.kind != sh::ItemKind::Home) {
            EXPECT_EQ(sh::CompareCode(desktop->CompareIDs(0, item.get(), Parse(c.parsing).get())),
                      0)
                << c.name;
        }
    }
    std::string path;
    EXPECT_FALSE(sh::SHGetPathFromIDList(
        sh::UniqueIdList(sh::MakeVirtualItem(sh::ItemKind::Trash)).get(), path));
    EXPECT_FALSE(sh::SHGetPathFromIDList(
        sh::UniqueIdList(sh::MakeVirtualItem(sh::ItemKind::Computer)).get(), path));
    EXPECT_TRUE(sh::SHGetPathFromIDList(
        sh::UniqueIdList(sh::MakeVirtualItem(sh::ItemKind::Home)).get(), path));
    EXPECT_EQ(path, home + "/");
    // A foreign item is refused, not guessed at.
    sh::UniqueIdList foreign(sh::IdListFromItemBytes("?junk"));
    std::uint32_t a = sh::kTreeAttributeMask;
    sh::PCItemIDList p = foreign.get();
    EXPECT_EQ(desktop->GetAttributesOf(1, &p, a), sh::E_INVALIDARG);
    sh::ShellFolderPtr bound;
    EXPECT_EQ(desktop->BindToObject(foreign.get(), bound), sh::E_INVALIDARG);
}

TEST_F(VirtualFoldersTest, ComputerShowsTheUserVolumesAndPathsParseThroughThem) {
    StagedMounts mounts(FTree);
    sh::ShellFolderPtr computer;
    ASSERT_EQ(Desktop()->BindToObject(
                  sh::UniqueIdList(sh::MakeVirtualItem(sh::ItemKind::Computer)).get(), computer),
              sh::S_OK);
    std::vector<std::string> names;
    std::vector<sh::UniqueIdList> volumes;
    std::unique_ptr<sh::IEnumIDList> items;
    ASSERT_EQ(computer->EnumObjects(kAll, items), sh::S_OK);
    for (sh::PItemIDList item = nullptr; items->Next(item) == sh::S_OK;) {
        volumes.emplace_back(item);
        names.push_back(NameOf(computer, item, sh::SHGDN_NORMAL));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"File System", "USB STICK", "share"}));
    const std::uint32_t usb = AttributesOf(computer, volumes[1].get(), sh::kTreeAttributeMask);
    EXPECT_EQ(usb & sh::SFGAO_REMOVABLE, sh::SFGAO_REMOVABLE);
    EXPECT_EQ(usb & sh::SFGAO_HASSUBFOLDER, sh::SFGAO_HASSUBFOLDER);
    EXPECT_EQ(AttributesOf(computer, volumes[0].get(), sh::SFGAO_REMOVABLE), 0u);
    std::string icon;
    computer->GetIconOf(volumes[1].get(), false, icon);
    EXPECT_EQ(icon, "drive-removable-media");
    computer->GetIconOf(volumes[2].get(), false, icon);
    EXPECT_EQ(icon, "folder-remote");
    sh::ShellDetails type;
    computer->GetDetailsOf(volumes[2].get(), 1, type);
    EXPECT_EQ(type.text, "Network Drive");

    // A path on the stick parses through the stick, and its items are removable.
    sh::UniqueIdList photos = Parse(FTree.File("media/USB STICK/photos"));
    EXPECT_EQ(sh::IdListCount(photos.get()), 3); // Computer, USB STICK, photos
    std::string path;
    ASSERT_TRUE(sh::SHGetPathFromIDList(photos.get(), path));
    EXPECT_EQ(path, FTree.File("media/USB STICK/photos") + "/");
    const auto stick = FolderAt(FTree.File("media/USB STICK"));
    sh::UniqueIdList photosItem = ItemNamed(stick, "photos");
    EXPECT_EQ(AttributesOf(stick, photosItem.get(), sh::SFGAO_REMOVABLE), sh::SFGAO_REMOVABLE);
}

TEST_F(VirtualFoldersTest, SpecialFoldersFollowTheUserDirectories) {
    FHome.Dir().MakeDir("Docs");
    FHome.Dir().MakeDir("Desktop");
    FHome.Dir().MakeDir("Bilder");
    FHome.WriteUserDirs({{"DOCUMENTS", "$HOME/Docs"}, {"PICTURES", FHome.Home() + "/Bilder"}});
    const std::string home = FHome.Home() + "/";
    struct Case {
        int csidl;
        std::string path; // empty: virtual or unavailable
        sh::HResult code;
    };
    const Case cases[] = {
        {sh::CSIDL_DESKTOP, home + "Desktop/", sh::S_OK},
        {sh::CSIDL_PERSONAL, home + "Docs/", sh::S_OK},
        {sh::CSIDL_MYPICTURES, home + "Bilder/", sh::S_OK},
        {sh::CSIDL_DESKTOPDIRECTORY, home + "Desktop/", sh::S_OK},
        {sh::CSIDL_PROFILE, home, sh::S_OK},
        {sh::CSIDL_PROFILE | 0x80, home, sh::S_OK},
        {sh::CSIDL_DRIVES, "", sh::S_OK},
        {sh::CSIDL_BITBUCKET, "", sh::S_OK},
        {sh::CSIDL_MYMUSIC, "", sh::E_FILE_NOT_FOUND}, // ~/Music does not exist here
        {3, "", sh::E_INVALIDARG},                     // control panel: nothing on Linux
        {49, "", sh::E_INVALIDARG},
    };
    for (const auto& c : cases) {
        sh::PItemIDList list = nullptr;
        EXPECT_EQ(sh::SHGetSpecialFolderLocation(c.csidl, list), c.code) << c.csidl;
        sh::UniqueIdList owned(list);
        std::string path;
        sh::SHGetPathFromIDList(list, path);
        if (sh::Succeeded(c.code)) {
            EXPECT_EQ(path, c.path) << c.csidl;
        }
    }
    // A home used as the desktop means the desktop is switched off: the empty list's path
    // is then the home folder.
    FHome.WriteUserDirs({{"DESKTOP", "$HOME/"}});
    std::string path;
    EXPECT_TRUE(sh::SHGetPathFromIDList(nullptr, path));
    EXPECT_EQ(path, home);
}

TEST_F(VirtualFoldersTest, SharedFoldersComeFromSambaUserShares) {
    TempDir shares;
    FTree.MakeDir("Public");
    shares.Write("public", "#VERSION 2\npath=" + FTree.File("Public") + "\ncomment=\n");
    sh::SetUserSharesFolder(shares.Path());
    const auto folder = FolderAt(FTree.Path());
    EXPECT_EQ(AttributesOf(folder, ItemNamed(folder, "Public").get(), sh::SFGAO_SHARE),
              sh::SFGAO_SHARE);
    FTree.MakeDir("Private");
    EXPECT_EQ(AttributesOf(folder, ItemNamed(folder, "Private").get(), sh::SFGAO_SHARE), 0u);
    sh::SetUserSharesFolder("");
}

TEST_F(VirtualFoldersTest, TheTrashListsWhatWasDeletedUnderItsOriginalName) {
    const std::string victim = FTree.Write("old portrait.jib", "zip");
    std::string trashed;
    ASSERT_EQ(sh::MoveToTrash(victim, &trashed), sh::S_OK);
    sh::ShellFolderPtr trash;
    ASSERT_EQ(Desktop()->BindToObject(Parse("trash:///").get(), trash), sh::S_OK);
    std::unique_ptr<sh::IEnumIDList> items;
    ASSERT_EQ(trash->EnumObjects(kAll, items), sh::S_OK);
    sh::PItemIDList item = nullptr;
    ASSERT_EQ(items->Next(item), sh::S_OK);
    sh::UniqueIdList owned(item);
    EXPECT_EQ(NameOf(trash, item, sh::SHGDN_NORMAL), "old portrait.jib");
    EXPECT_EQ(NameOf(trash, item, sh::SHGDN_FORPARSING), "trash:///old%20portrait.jib");
    EXPECT_EQ(AttributesOf(trash, item, sh::kTreeAttributeMask) & sh::SFGAO_FILESYSTEM, 0u);
    sh::ShellFolderPtr none;
    EXPECT_TRUE(sh::Failed(trash->BindToObject(item, none)));
    std::string icon;
    Desktop()->GetIconOf(sh::UniqueIdList(sh::MakeVirtualItem(sh::ItemKind::Trash)).get(), false,
                         icon);
    EXPECT_EQ(icon, "user-trash-full");
    EXPECT_EQ(items->Next(item), sh::S_FALSE);
}

} // namespace shellns_test
