// Which member of a JIB file is its thumbnail. The viewer and the thumbnailer must agree,
// or the file manager would show another picture than the viewer's preview pane.
//
// The rule: the root member whose name is exactly "preview.png" when there is one,
// otherwise the first root member, in central directory order, whose name is
// "preview.png" but for ASCII case ("PREVIEW.PNG", "Preview.png"). A name equal to
// "preview.png" in any case has no folder in it, so such a member is always at the root.
#pragma once

#include "platform/TextCase.h"

#include <cstddef>
#include <string_view>

inline constexpr std::string_view kThumbnailMember = "preview.png";

// The index of the thumbnail among `count` members whose names `nameAt(i)` answers in
// central directory order; -1 when the archive has none.
template <typename NameAt> std::ptrdiff_t FindThumbnailMember(std::size_t count, NameAt nameAt) {
    std::ptrdiff_t folded = -1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = nameAt(i);
        if (name == kThumbnailMember)
            return static_cast<std::ptrdiff_t>(i);
        if (folded < 0 && platform::EqualsIgnoreAsciiCase(name, kThumbnailMember))
            folded = static_cast<std::ptrdiff_t>(i);
    }
    return folded;
}
