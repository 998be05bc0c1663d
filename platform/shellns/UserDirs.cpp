#include "platform/shellns/UserDirs.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <map>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::shellns {
namespace {

struct UserDirDefault {
    const char* key;
    const char* folderName;
};

constexpr std::array kUserDirDefaults = {
    UserDirDefault{"DESKTOP", "Desktop"},     UserDirDefault{"DOCUMENTS", "Documents"},
    UserDirDefault{"DOWNLOAD", "Downloads"},  UserDirDefault{"MUSIC", "Music"},
    UserDirDefault{"PICTURES", "Pictures"},   UserDirDefault{"PUBLICSHARE", "Public"},
    UserDirDefault{"TEMPLATES", "Templates"}, UserDirDefault{"VIDEOS", "Videos"},
};

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string EnvFolder(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/')
        return WithSlash(value);
    return fallback;
}

// Reads user-dirs.dirs: lines of XDG_<KEY>_DIR="$HOME/<relative>" or "<absolute>", as
// written by xdg-user-dirs-update. Backslash escapes the next character.
std::map<std::string, std::string> ReadUserDirs(const std::string& home) {
    std::map<std::string, std::string> dirs;
    std::ifstream in(ConfigHomeFolder() + "user-dirs.dirs");
    for (std::string line; std::getline(in, line);) {
        const auto eq = line.find('=');
        if (line.rfind("XDG_", 0) != 0 || eq == std::string::npos || eq < 9 ||
            line.compare(eq - 4, 4, "_DIR") != 0)
            continue;
        const std::string key = line.substr(4, eq - 8);
        std::string value = line.substr(eq + 1);
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            continue;
        std::string unescaped;
        for (std::size_t i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == '\\' && i + 2 < value.size())
                ++i;
            unescaped += value[i];
        }
        if (unescaped.rfind("$HOME", 0) == 0 && (unescaped.size() == 5 || unescaped[5] == '/'))
            unescaped = home + unescaped.substr(unescaped.size() > 5 ? 6 : 5);
        else if (unescaped.empty() || unescaped.front() != '/')
            continue;
        dirs[key] = WithSlash(unescaped);
    }
    return dirs;
}

} // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/')
        return WithSlash(home);
    if (const passwd* pw = ::getpwuid(::getuid());
        pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] == '/')
        return WithSlash(pw->pw_dir);
    return "/";
}

std::string DataHomeFolder() {
    return EnvFolder("XDG_DATA_HOME", HomeFolder() + ".local/share/");
}
std::string ConfigHomeFolder() {
    return EnvFolder("XDG_CONFIG_HOME", HomeFolder() + ".config/");
}
std::string CacheHomeFolder() {
    return EnvFolder("XDG_CACHE_HOME", HomeFolder() + ".cache/");
}

std::string MakePrivateFolders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/')
            ::mkdir(path.substr(0, i).c_str(), 0700);
    }
    return path;
}

std::string UserDirFolder(const std::string& key) {
    const std::string home = HomeFolder();
    const auto dirs = ReadUserDirs(home);
    if (const auto it = dirs.find(key); it != dirs.end())
        return it->second;
    for (const auto& d : kUserDirDefaults) {
        if (key == d.key)
            return home + d.folderName + "/";
    }
    return {};
}

std::string UserDirKeyOf(const std::string& folder) {
    const std::string home = HomeFolder();
    const auto dirs = ReadUserDirs(home);
    for (const auto& d : kUserDirDefaults) {
        const auto it = dirs.find(d.key);
        const std::string path = it != dirs.end() ? it->second : home + d.folderName + "/";
        // A user directory set to the home folder itself means "not used".
        if (path == folder && path != home)
            return d.key;
    }
    return {};
}

} // namespace platform::shellns
