// Opening a document or address in the application the desktop associates with it.
#pragma once

#include <string>

namespace platform {

// Launch result codes: above 32 is success; 0 to 32 name the failure, with the numbers
// the rest of the program reports on (2 not found, 3 path not found, 5 access denied,
// 8 out of memory, 27 association broken, 31 no associated application).
inline constexpr int kLaunchOk = 42;
inline constexpr int kLaunchOutOfResources = 0;
inline constexpr int kLaunchFileNotFound = 2;
inline constexpr int kLaunchPathNotFound = 3;
inline constexpr int kLaunchAccessDenied = 5;
inline constexpr int kLaunchOutOfMemory = 8;
inline constexpr int kLaunchAssociationIncomplete = 27;
inline constexpr int kLaunchNoAssociation = 31;

// Opens `target` (a path or an address with a scheme such as https:) with "open".
// An executable file is started directly with `parameters` (split at blanks) in
// `defaultFolder`; anything else goes to xdg-open, or to "gio open" where xdg-open is
// missing. The launcher runs detached; when it finishes within a moment its exit status
// is mapped onto the codes above, otherwise the launch counts as started.
int ShellOpen(const std::string& target, const std::string& parameters,
              const std::string& defaultFolder);

// Maps an xdg-open exit status onto a launch code (documented statuses: 1 bad
// arguments, 2 file missing, 3 no tool to open it, 4 the action failed).
int LaunchCodeFromXdgOpenStatus(int exitStatus);

} // namespace platform
