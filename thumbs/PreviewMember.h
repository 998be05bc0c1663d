// Which member of a JIB archive is its thumbnail, and that member's bytes inflated into
// memory within the budgets.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace unz {
class TArchiveFile;
struct TArchiveDirectory;
struct TMember;
} // namespace unz

namespace thumbs {

class TThumbnailBudget;

// The root member named exactly "preview.png", else the first root member (in central
// directory order) whose name equals it ignoring ASCII case; null when there is none.
// The viewer resolves the preview by the same rule, the one of archive/ZipThumbnail.h.
const unz::TMember* FindPreviewMember(const unz::TArchiveDirectory& directory);

// The member's plain bytes. Raises EThumbnailFailure: tfNoThumbnail for an encrypted
// member (no password can be asked for) or a link or folder entry, tfUnsupportedMethod for
// methods other than stored and deflated, tfTooBig past the budget's member size (checked
// on the declared sizes, before anything is allocated), tfDamagedArchive for local headers
// or data that disagree with the directory, and the budget's own failures between blocks.
std::vector<std::uint8_t> ReadPreviewMember(const unz::TArchiveFile& file,
                                            const unz::TMember& member,
                                            const TThumbnailBudget& budget);

} // namespace thumbs
