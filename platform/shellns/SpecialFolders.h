// Special folders by their traditional numbers, and the file-system path of an item list.
#pragma once

#include "platform/shellns/ShellFolder.h"

#include <string>

namespace platform::shellns {

inline constexpr int CSIDL_DESKTOP = 0;
inline constexpr int CSIDL_PROGRAMS = 2;
inline constexpr int CSIDL_PERSONAL = 5;
inline constexpr int CSIDL_STARTUP = 7;
inline constexpr int CSIDL_BITBUCKET = 10;
inline constexpr int CSIDL_MYMUSIC = 13;
inline constexpr int CSIDL_MYVIDEO = 14;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 16;
inline constexpr int CSIDL_DRIVES = 17;
inline constexpr int CSIDL_FONTS = 20;
inline constexpr int CSIDL_TEMPLATES = 21;
inline constexpr int CSIDL_COMMON_PROGRAMS = 23;
inline constexpr int CSIDL_COMMON_STARTUP = 24;
inline constexpr int CSIDL_APPDATA = 26;
inline constexpr int CSIDL_LOCAL_APPDATA = 28;
inline constexpr int CSIDL_INTERNET_CACHE = 32;
inline constexpr int CSIDL_MYPICTURES = 39;
inline constexpr int CSIDL_PROFILE = 40;
inline constexpr int CSIDL_COMMON_DOCUMENTS = 46;
inline constexpr int kLastSpecialFolder = 50;

// The absolute list of special folder `csidl` (its top bit ignored): the desktop, Computer
// and Trash as their virtual lists, the others as the parsed path of their Linux
// counterpart. E_INVALIDARG for numbers Linux has nothing for; the parse failure when the
// folder does not exist.
HResult SHGetSpecialFolderLocation(int csidl, PItemIDList& list);

// The Linux folder behind a file-system special folder, ending with "/"; empty for the
// virtual ones and those Linux has nothing for.
std::string SpecialFolderDirectory(int csidl);

// The path of the desktop directory: the user's desktop folder, or the home folder when
// the desktop is switched off. Ends with "/".
std::string DesktopPath();

// The file-system path of an absolute list: a folder's ends with "/"; the desktop's
// (null or empty) is DesktopPath(). False for virtual entries.
bool SHGetPathFromIDList(PCItemIDList list, std::string& path);

// Binds the folder that holds the last item of a non-empty absolute list and points
// `last` at that item inside `list`.
HResult BindParentOf(PCItemIDList list, ShellFolderPtr& parent, PCItemIDList& last);

} // namespace platform::shellns
