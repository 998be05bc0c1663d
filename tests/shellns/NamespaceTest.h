// The fixture of the namespace tests: a temporary home (HOME and XDG folders), a tree of
// files to look at, helpers that turn results into plain values, and the check that
// every item list a test took from the task allocator was given back.
#pragma once

#include "platform/shellns/ItemIdList.h"
#include "platform/shellns/ShellFolder.h"
#include "platform/shellns/TaskAllocator.h"
#include "tests/common/HomeSandbox.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace shellns_test {

namespace sh = platform::shellns;

class NamespaceTest : public ::testing::Test {
protected:
    void SetUp() override { FOutstanding = sh::TaskAllocOutstanding(); }
    void TearDown() override {
        EXPECT_EQ(sh::TaskAllocOutstanding(), FOutstanding) << "item lists left allocated";
    }

    // The folder at an absolute path, bound through the desktop.
    sh::ShellFolderPtr FolderAt(const std::string& path);
    // The absolute list of a path; fails the test when it cannot be parsed.
    sh::UniqueIdList Parse(const std::string& path);
    // The in-folder names a folder enumerates, in enumeration order.
    std::vector<std::string> Names(const sh::ShellFolderPtr& folder, std::uint32_t flags);
    // The item called `name` (in-folder parsing name) in a folder; null when not listed.
    sh::UniqueIdList ItemNamed(const sh::ShellFolderPtr& folder, const std::string& name,
                               std::uint32_t flags = sh::SHCONTF_FOLDERS | sh::SHCONTF_NONFOLDERS |
                                                     sh::SHCONTF_INCLUDEHIDDEN);
    std::string NameOf(const sh::ShellFolderPtr& folder, sh::PCItemIDList item,
                       std::uint32_t flags);
    std::uint32_t AttributesOf(const sh::ShellFolderPtr& folder, sh::PCItemIDList item,
                               std::uint32_t mask);

    HomeSandbox FHome;
    TempDir FTree;

private:
    std::size_t FOutstanding = 0;
};

} // namespace shellns_test
