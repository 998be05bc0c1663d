#include "tests/shellns/NamespaceTest.h"

namespace shellns_test {

sh::ShellFolderPtr NamespaceTest::FolderAt(const std::string& path) {
    sh::ShellFolderPtr desktop;
    sh::SHGetDesktopFolder(desktop);
    sh::UniqueIdList list = Parse(path);
    sh::ShellFolderPtr folder;
    if (list) {
        EXPECT_EQ(desktop->BindToObject(list.get(), folder), sh::S_OK) << path;
    }
    return folder;
}

sh::UniqueIdList NamespaceTest::Parse(const std::string& path) {
    sh::ShellFolderPtr desktop;
    sh::SHGetDesktopFolder(desktop);
    sh::PItemIDList list = nullptr;
    EXPECT_EQ(desktop->ParseDisplayName(path, list), sh::S_OK) << path;
    return sh::UniqueIdList(list);
}

std::vector<std::string> NamespaceTest::Names(const sh::ShellFolderPtr& folder,
                                              std::uint32_t flags) {
    std::vector<std::string> names;
    std::unique_ptr<sh::IEnumIDList> items;
    if (folder == nullptr || sh::Failed(folder->EnumObjects(flags, items)))
        return names;
    sh::PItemIDList item = nullptr;
    while (items->Next(item) == sh::S_OK) {
        sh::UniqueIdList owned(item);
        names.push_back(NameOf(folder, item, sh::SHGDN_INFOLDER | sh::SHGDN_FORPARSING));
    }
    return names;
}

sh::UniqueIdList NamespaceTest::ItemNamed(const sh::ShellFolderPtr& folder, const std::string& name,
                                          std::uint32_t flags) {
    std::unique_ptr<sh::IEnumIDList> items;
    if (folder == nullptr || sh::Failed(folder->EnumObjects(flags, items)))
        return nullptr;
    sh::PItemIDList item = nullptr;
    while (items->Next(item) == sh::S_OK) {
        sh::UniqueIdList owned(item);
        if (NameOf(folder, item, sh::SHGDN_INFOLDER | sh::SHGDN_FORPARSING) == name)
            return owned;
    }
    return nullptr;
}

std::string NamespaceTest::NameOf(const sh::ShellFolderPtr& folder, sh::PCItemIDList item,
                                  std::uint32_t flags) {
    sh::StrRet ret;
    std::string text;
    if (sh::Failed(folder->GetDisplayNameOf(item, flags, ret)) ||
        !sh::StrRetToString(ret, item, text))
        return "<failed>";
    return text;
}

std::uint32_t NamespaceTest::AttributesOf(const sh::ShellFolderPtr& folder, sh::PCItemIDList item,
                                          std::uint32_t mask) {
    std::uint32_t attributes = mask;
    EXPECT_EQ(folder->GetAttributesOf(1, &item, attributes), sh::S_OK);
    return attributes;
}

} // namespace shellns_test
