#include "platform/shellns/ItemIdList.h"

#include "platform/shellns/ItemData.h"
#include "platform/shellns/ResultCodes.h"
#include "platform/shellns/TaskAllocator.h"

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

namespace sh = platform::shellns;

namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

} // namespace

TEST(ItemIdList, SizesCountsAndCopiesFollowTheLayout) {
    const std::size_t before = sh::TaskAllocOutstanding();
    {
        sh::UniqueIdList empty(sh::IdListEmpty());
        EXPECT_EQ(sh::IdListSize(empty.get()), 2u);
        EXPECT_EQ(sh::IdListSize(nullptr), 0u);
        EXPECT_TRUE(sh::IsEmptyIdList(empty.get()));
        EXPECT_TRUE(sh::IsEmptyIdList(nullptr));

        sh::UniqueIdList a(sh::IdListFromItemBytes("abc"));
        sh::UniqueIdList b(sh::IdListFromItemBytes("de"));
        sh::UniqueIdList ab(sh::IdListCombine(a.get(), b.get()));
        EXPECT_EQ(sh::IdListSize(ab.get()), 5u + 4u + 2u);
        EXPECT_EQ(sh::IdListCount(ab.get()), 2);
        EXPECT_EQ(sh::ItemContent(sh::LastItem(ab.get())), "de");
        sh::UniqueIdList first(sh::IdListCloneFirst(ab.get(), 1));
        EXPECT_EQ(sh::IdListSize(first.get()), 7u);
        sh::UniqueIdList none(sh::IdListCloneFirst(ab.get(), 0));
        EXPECT_TRUE(sh::IsEmptyIdList(none.get()));
        sh::UniqueIdList nullParent(sh::IdListCombine(nullptr, b.get()));
        EXPECT_EQ(sh::IdListSize(nullParent.get()), 6u);
        EXPECT_EQ(sh::TaskAllocOutstanding(), before + 7);
    }
    EXPECT_EQ(sh::TaskAllocOutstanding(), before);
}

TEST(ItemIdList, BytesFromOutsideAreValidatedBeforeTheyAreWalked) {
    struct Case {
        const char* what;
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"the empty list", Bytes({0, 0}), true},
        {"one item", Bytes({3, 0, 'x', 0, 0}), true},
        {"two items", Bytes({3, 0, 'x', 4, 0, 'y', 'z', 0, 0}), true},
        {"nothing at all", "", false},
        {"a lone byte", Bytes({0}), false},
        {"item size 1", Bytes({1, 0, 0, 0}), false},
        {"item size 2 (no content)", Bytes({2, 0, 0, 0}), false},
        {"item running past the end", Bytes({9, 0, 'x', 0, 0}), false},
        {"item leaving no room for the terminator", Bytes({5, 0, 'x', 0, 0}), false},
        {"missing terminator", Bytes({3, 0, 'x'}), false},
        {"half a terminator", Bytes({3, 0, 'x', 0}), false},
        {"terminator before the end", Bytes({3, 0, 'x', 0, 0, 7, 7}), false},
        {"largest item size", Bytes({0xFF, 0xFF, 'x', 0, 0}), false},
    };
    for (const auto& c : cases) {
        const std::string problem = sh::ValidateIdListBytes(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(problem.empty(), c.valid) << c.what << ": " << problem;
    }
    const std::string text = sh::ValidateIdListBytes(Bytes({3, 0, 'x', 0, 0, 7, 7}).data(), 7);
    EXPECT_NE(text.find("expected it at offset 5"), std::string::npos) << text;
}

TEST(ItemIdList, ForgedItemsAreRefusedByTheirDecoders) {
    // An 'F' item whose name says "../x": a drop carrying it must not reach outside the
    // folder it is resolved in.
    struct Case {
        const char* what;
        std::string content;
    };
    std::string header(34, '\0');
    header[0] = 'F';
    const auto withName = [&](const std::string& name, std::size_t declared) {
        std::string c = header;
        c += static_cast<char>(declared & 0xFF);
        c += static_cast<char>(declared >> 8);
        return c + name + '\0';
    };
    const Case cases[] = {
        {"parent reference", withName("..", 2)},
        {"slash in the name", withName("a/b", 3)},
        {"declared length past the item", withName("abc", 9)},
        {"declared length short of the item", withName("abc", 1)},
        {"empty name", withName("", 0)},
        {"zero byte in the name", withName(std::string("a\0b", 3), 3)},
    };
    for (const auto& c : cases) {
        sh::UniqueIdList item(sh::IdListFromItemBytes(c.content));
        sh::FsItem decoded;
        EXPECT_FALSE(sh::DecodeFsItem(item.get(), decoded)) << c.what;
    }
    sh::UniqueIdList good(sh::IdListFromItemBytes(withName("photo.jib", 9)));
    sh::FsItem decoded;
    ASSERT_TRUE(sh::DecodeFsItem(good.get(), decoded));
    EXPECT_EQ(decoded.name, "photo.jib");

    sh::UniqueIdList volume(
        sh::MakeVolumeItem({platform::MountKind::Removable, "/media/me/USB", "STICK"}));
    sh::VolumeItem v;
    ASSERT_TRUE(sh::DecodeVolumeItem(volume.get(), v));
    EXPECT_EQ(v.mountPoint, "/media/me/USB");
    EXPECT_EQ(v.label, "STICK");
    EXPECT_EQ(sh::MakeVolumeItem({platform::MountKind::Fixed, "/media/../etc", ""}), nullptr);
    EXPECT_EQ(sh::MakeVolumeItem({platform::MountKind::Fixed, "relative", ""}), nullptr);
}

TEST(ResultCodes, CarryTheSystemsTextAndTheComparisonOrder) {
    EXPECT_EQ(sh::ResultFromErrno(ENOENT), sh::E_FILE_NOT_FOUND);
    EXPECT_EQ(sh::ResultFromErrno(EACCES), sh::E_ACCESSDENIED);
    EXPECT_EQ(sh::SystemErrorText(sh::E_FILE_NOT_FOUND), "No such file or directory.");
    EXPECT_EQ(sh::SystemErrorText(sh::ResultFromErrno(EIO)), "Input/output error.");
    EXPECT_EQ(sh::SystemErrorText(sh::E_FAIL), "Unspecified error.");
    EXPECT_EQ(sh::CompareCode(sh::CompareResult(-5)), -1);
    EXPECT_EQ(sh::CompareCode(sh::CompareResult(0)), 0);
    EXPECT_EQ(sh::CompareCode(sh::CompareResult(7)), 1);
    EXPECT_TRUE(sh::Succeeded(sh::CompareResult(-1)));
}
