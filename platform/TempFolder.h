// The per-user private temporary folder.
#pragma once

#include <string>

namespace platform {

// $TMPDIR (else /tmp) + "jibview-<uid>/", created with mode 0700 on first use. The
// program writes files of fixed names there; in a world-writable folder another local
// user could plant a link under such a name, so the folder is refused (empty result) when
// it is a link, not a folder, or owned by someone else, and its mode is tightened when
// it is ours but open to others. The result ends with "/".
std::string PrivateTempFolder();

} // namespace platform
