// Folders the user shares on the network. On a Linux desktop that is what Samba's user
// shares publish (the file managers' "Sharing Options"): one file per share in the
// usershares folder, naming the shared path in a "path=" line.
#pragma once

#include <string>

namespace platform::shellns {

// True when `folder` (ending with "/") is shared.
bool IsSharedFolder(const std::string& folder);

// Replaces the usershares folder (tests); empty restores /var/lib/samba/usershares.
void SetUserSharesFolder(const std::string& folder);

} // namespace platform::shellns
