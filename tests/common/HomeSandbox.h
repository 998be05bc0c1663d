// Points HOME and the XDG folders at a fresh temporary home for one test, so nothing a
// test does or sees depends on the machine's own home folder. Restores them at the end.
#pragma once

#include "tests/common/TempDir.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class HomeSandbox {
public:
    HomeSandbox();
    ~HomeSandbox();
    HomeSandbox(const HomeSandbox&) = delete;
    HomeSandbox& operator=(const HomeSandbox&) = delete;

    // The home folder, without a trailing "/".
    const std::string& Home() const { return FHome.Path(); }
    const TempDir& Dir() const { return FHome; }
    // Writes ~/.config/user-dirs.dirs with the given XDG_<key>_DIR values.
    void WriteUserDirs(const std::vector<std::pair<std::string, std::string>>& dirs) const;

private:
    TempDir FHome;
    std::vector<std::pair<std::string, std::optional<std::string>>> FSaved;
};
