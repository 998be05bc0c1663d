#include "tests/common/HomeSandbox.h"

#include <cstdlib>

namespace {

constexpr const char* kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"};

} // namespace

HomeSandbox::HomeSandbox() {
    for (const char* name : kVariables) {
        const char* value = std::getenv(name);
        FSaved.emplace_back(name,
                            value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    setenv("HOME", FHome.Path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CACHE_HOME");
}

HomeSandbox::~HomeSandbox() {
    for (const auto& [name, value] : FSaved) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
}

void HomeSandbox::WriteUserDirs(
    const std::vector<std::pair<std::string, std::string>>& dirs) const {
    std::string text = "# written by the test\n";
    for (const auto& [key, value] : dirs)
        text += "XDG_" + key + "_DIR=\"" + value + "\"\n";
    FHome.Write(".config/user-dirs.dirs", text);
}
