#include "tests/app/AppTestSupport.h"

#include <cstdlib>

#include <gtest/gtest.h>

std::string Fixture(const std::string& name) {
    return std::string(std::getenv("JIB_TEST_DATA")) + "/app/" + name;
}

void MakeJib(const TempDir& dir, const std::string& archive,
             const std::vector<std::pair<std::string, std::string>>& members) {
    const std::string staging = dir.MakeDir("staging-" + archive);
    std::string names;
    for (const auto& [name, source] : members) {
        dir.Write("staging-" + archive + "/" + name, ReadFileText(source));
        names += " '" + name + "'";
    }
    const std::string command =
        "cd '" + staging + "' && zip -q -X '" + dir.File(archive) + "'" + names;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}
