#include "shell/FbShellLocator.h"

#include "gui/Exceptions.h"
#include "gui/Stream.h"
#include "platform/shellns/SpecialFolders.h"
#include "tests/shellns/NamespaceTest.h"

namespace shellns_test {
namespace {

class FbShellLocatorTest : public NamespaceTest {
protected:
    void SetUp() override {
        NamespaceTest::SetUp();
        FLocator.OnChange = [this](TFbShellLocator* sender) {
            EXPECT_EQ(sender, &FLocator);
            ++FChanges;
        };
        FTree.MakeDir("a");
        FTree.MakeDir("b");
        FHome.Dir().MakeDir("Desktop");
    }
    void TearDown() override {
        // The locator outlives TearDown as a member; give its list back before the count.
        FLocator.OnChange = nullptr;
        FLocator.Assign(nullptr);
        NamespaceTest::TearDown();
    }
    TFbShellLocator FLocator;
    int FChanges = 0;
};

std::string Stored(const TFbShellLocator& locator) {
    TMemoryStream stream;
    locator.WritePidl(stream);
    return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

void Load(TFbShellLocator& locator, const std::string& bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), bytes.size());
    stream.SetPosition(0);
    locator.ReadPidl(stream);
}

std::string Count32(std::uint32_t n) {
    return {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
            static_cast<char>(n >> 24)};
}

} // namespace

TEST_F(FbShellLocatorTest, OnChangeFiresExactlyWhenTheFolderChanges) {
    sh::UniqueIdList a = Parse(FTree.File("a"));
    sh::UniqueIdList a2 = Parse(FTree.File("a/"));
    sh::UniqueIdList b = Parse(FTree.File("b"));
    sh::UniqueIdList empty(sh::IdListEmpty());
    struct Step {
        const char* what;
        std::function<void()> run;
        int changes;
    };
    const Step steps[] = {
        {"desktop to desktop (absent)", [&] { FLocator.SetItemList(nullptr); }, 0},
        {"desktop to desktop (empty list)", [&] { FLocator.SetItemList(empty.get()); }, 0},
        {"desktop to a", [&] { FLocator.SetItemList(a.get()); }, 1},
        {"a to the same folder again", [&] { FLocator.SetItemList(a2.get()); }, 0},
        {"a to b", [&] { FLocator.SetItemList(b.get()); }, 1},
        {"b by path", [&] { FLocator.SetFolderPath(FTree.File("b/")); }, 0},
        {"a by path", [&] { FLocator.SetFolderPath(FTree.File("a")); }, 1},
        {"to special folder 17", [&] { FLocator.SetSpecialFolder(17); }, 1},
        {"special folder 17 again", [&] { FLocator.SetSpecialFolder(17); }, 0},
        {"special to the same folder as a list",
         [&] { FLocator.SetItemList(Parse("computer:///").get()); }, 1},
        {"an unparsable path gives the desktop",
         [&] { FLocator.SetFolderPath(FTree.File("gone")); }, 1},
        {"and again changes nothing", [&] { FLocator.SetFolderPath("not a path"); }, 0},
    };
    for (const auto& s : steps) {
        const int before = FChanges;
        s.run();
        EXPECT_EQ(FChanges - before, s.changes) << s.what;
    }
    EXPECT_EQ(FLocator.ItemList(), nullptr);
    EXPECT_EQ(FLocator.FolderPath(), FHome.Home() + "/Desktop/");
}

TEST_F(FbShellLocatorTest, ModesPathsAndTheDesktopList) {
    sh::UniqueIdList empty(sh::IdListEmpty());
    FLocator.SetItemList(empty.get());
    EXPECT_EQ(FLocator.ItemList(), nullptr); // a 2-byte list is stored as none
    FLocator.SetFolderPath(FTree.File("a"));
    EXPECT_EQ(FLocator.FolderPath(), FTree.File("a/"));
    EXPECT_EQ(FLocator.SpecialFolder(), TFbShellLocator::kNoSpecialFolder);
    // Handing the locator its own list back names the same folder and changes nothing.
    const int changes = FChanges;
    FLocator.SetItemList(FLocator.ItemList());
    EXPECT_EQ(FLocator.FolderPath(), FTree.File("a/"));
    EXPECT_EQ(FChanges, changes);

    FLocator.SetSpecialFolder(sh::CSIDL_PROFILE);
    EXPECT_EQ(FLocator.Mode(), lmSpecialFolder);
    EXPECT_EQ(FLocator.FolderPath(), FHome.Home() + "/");
    FLocator.SetSpecialFolder(sh::CSIDL_BITBUCKET);
    EXPECT_EQ(FLocator.FolderPath(), ""); // virtual
    ASSERT_NE(FLocator.ItemList(), nullptr);
    FLocator.SetItemList(FLocator.ItemList()); // same folder, but a change of mode
    EXPECT_EQ(FLocator.Mode(), lmItemList);
    EXPECT_EQ(FLocator.SpecialFolder(), 50);
}

TEST_F(FbShellLocatorTest, AssignAndEquality) {
    TFbShellLocator other;
    other.SetFolderPath(FTree.File("a"));
    FLocator.Assign(&other);
    EXPECT_EQ(FChanges, 1);
    EXPECT_TRUE(FLocator == other);
    FLocator.Assign(&other);
    EXPECT_EQ(FChanges, 1);
    other.SetFolderPath(FTree.File("b"));
    EXPECT_TRUE(FLocator != other);
    other.SetSpecialFolder(5);
    FLocator.Assign(&other);
    EXPECT_EQ(FChanges, 2);
    EXPECT_EQ(FLocator.Mode(), lmSpecialFolder);
    EXPECT_EQ(FLocator.SpecialFolder(), 5);
    FLocator.Assign(nullptr);
    EXPECT_EQ(FChanges, 2); // there was no list yet: nothing to clear
    FLocator.SetFolderPath(FTree.File("a"));
    FLocator.Assign(nullptr);
    EXPECT_EQ(FChanges, 4);
    EXPECT_EQ(FLocator.Mode(), lmItemList);
    EXPECT_EQ(FLocator.ItemList(), nullptr);
}

TEST_F(FbShellLocatorTest, StoredFormRoundTrips) {
    FLocator.SetFolderPath(FTree.File("a"));
    ASSERT_TRUE(FLocator.HasStoredPidl());
    const std::string bytes = Stored(FLocator);
    const int size = ItemListSize(FLocator.ItemList());
    EXPECT_EQ(bytes.substr(0, 5), std::string(1, '\0') + Count32(static_cast<std::uint32_t>(size)));
    EXPECT_EQ(bytes.size(), 5u + static_cast<std::size_t>(size));

    TFbShellLocator loaded;
    Load(loaded, bytes);
    EXPECT_EQ(loaded.FolderPath(), FTree.File("a/"));
    EXPECT_TRUE(loaded == FLocator);

    FLocator.SetSpecialFolder(17);
    EXPECT_EQ(Stored(FLocator), std::string("\x01\x11", 2));
    Load(loaded, Stored(FLocator));
    EXPECT_EQ(loaded.Mode(), lmSpecialFolder);
    EXPECT_EQ(loaded.SpecialFolder(), 17);

    // A count of 0 reloads as the desktop in special-folder mode.
    Load(loaded, std::string(1, '\0') + Count32(0));
    EXPECT_EQ(loaded.Mode(), lmSpecialFolder);
    EXPECT_EQ(loaded.SpecialFolder(), 0);

    TFbShellLocator fresh;
    EXPECT_FALSE(fresh.HasStoredPidl());
}

TEST_F(FbShellLocatorTest, DamagedStoredFormsAreRefusedAndChangeNothing) {
    FLocator.SetFolderPath(FTree.File("a"));
    const std::string before = Stored(FLocator);
    const std::string zero(1, '\0');
    struct Case {
        const char* what;
        std::string bytes;
        const char* message; // part of the expected text
    };
    const Case cases[] = {
        {"unknown mode", "\x07", "mode 7 found"},
        {"special folder without its number", "\x01", "Stream read error"},
        {"count cut short", zero + "\x05\x00", "Stream read error"},
        {"count past the data", zero + Count32(9) + std::string("\x03\x00x\x00\x00", 5),
         "only 5 bytes follow"},
        {"huge count", zero + Count32(0x7FFFFFFF), "expected at most"},
        {"zero-size item", zero + Count32(4) + std::string("\x00\x00\x00\x00", 4),
         "terminator found"},
        {"item longer than the list", zero + Count32(5) + std::string("\x09\x00x\x00\x00", 5),
         "no room"},
        {"missing terminator", zero + Count32(3) + std::string("\x03\x00x", 3),
         "no room for the terminator"},
        {"item size 1", zero + Count32(4) + std::string("\x01\x00\x00\x00", 4),
         "expected at least 3"},
    };
    for (const auto& c : cases) {
        const int changes = FChanges;
        try {
            Load(FLocator, c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const EReadError& e) {
            EXPECT_NE(e.Message().find(c.message), std::string::npos)
                << c.what << ": " << e.Message();
        }
        EXPECT_EQ(FChanges, changes) << c.what;
        EXPECT_EQ(Stored(FLocator), before) << c.what;
    }
}

} // namespace shellns_test
