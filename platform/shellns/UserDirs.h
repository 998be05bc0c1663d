// The user's folders as the XDG base-directory and user-dirs conventions name them. All
// answers end with "/" and follow the environment of the moment, so tests (and a user who
// relocates a folder) are heard without restarting.
#pragma once

#include <string>

namespace platform::shellns {

// $HOME, else the password database's home, else "/".
std::string HomeFolder();
// $XDG_DATA_HOME / $XDG_CONFIG_HOME / $XDG_CACHE_HOME when absolute, else the defaults
// under the home folder.
std::string DataHomeFolder();
std::string ConfigHomeFolder();
std::string CacheHomeFolder();

// Creates the folder `path` and every missing folder above it, private to the user (mode
// 0700, as the base-directory rules ask of folders made on the user's behalf). Failures
// are left for the write that follows to meet; answers `path`.
std::string MakePrivateFolders(const std::string& path);

// One of the user directories of user-dirs.dirs: key "DESKTOP", "DOCUMENTS", "DOWNLOAD",
// "MUSIC", "PICTURES", "PUBLICSHARE", "TEMPLATES" or "VIDEOS". A key the file does not
// set falls back to the home folder plus the English name ("Desktop", "Documents", ...).
std::string UserDirFolder(const std::string& key);

// The user directory `folder` (ending with "/") is, as its key; empty when it is none.
std::string UserDirKeyOf(const std::string& folder);

} // namespace platform::shellns
