// Where the viewer keeps "JibSettings.ini".
//
// A copy run from a folder of its own keeps the file beside the program, as it always has,
// so such a copy can be carried around with its settings. An installed copy's folder
// belongs to the system, not to the user running it; when the program's folder is not
// writable the file is $XDG_CONFIG_HOME/jibview/JibSettings.ini (~/.config/... when that
// variable is unset or not absolute) instead, same format, same keys. The install rules
// mark the private folder of an installed copy (a file "installed-copy" beside the
// program), and a marked folder counts as not writable even for root, who could write it:
// a file left there would be read by every user and outlive the package's removal.
//
// Which file is read, when the program's folder is
// - writable: the file beside the program, and only that one (a per-user file is ignored);
// - not writable: the per-user file once it exists, since it holds what this user saved
//   last; until then the file beside the program, when there is one (settings shipped
//   with a read-only copy, or left by the copy before it was made read-only); else none,
//   and every value takes its default.
// The choice is made for the whole file, never key by key: every close writes all keys,
// so after the first close the per-user file is complete and the one beside the program
// is no longer looked at. Nothing is ever written beside a read-only program.
#pragma once

#include <string>

// "JibSettings.ini" in the program's folder.
std::string ProgramSettingsFile();
// $XDG_CONFIG_HOME/jibview/JibSettings.ini.
std::string UserSettingsFile();
// True for a copy run from a folder of its own: the user may create files in the
// program's folder, and the folder is not an installed copy's.
bool RunsAsCopyOfItsOwn();

// The file the window writes at close, and the one it reads at creation (see above).
std::string SettingsFileToWrite();
std::string SettingsFileToRead();
// Creates the folders of the per-user file (private to the user) before its first write;
// the file beside the program needs none.
void PrepareSettingsFolder(const std::string& settingsFile);

// The folder a first run opens: the program's folder for a copy of its own, the home
// folder for an installed copy (whose folder holds no JIB files of the user's).
std::string DefaultStartFolder();
