#include "shell/FbShellListData.h"

#include "platform/TextCase.h"
#include "platform/shellns/DesktopEntry.h"
#include "platform/shellns/DetailsText.h"
#include "platform/shellns/FileTypes.h"
#include "platform/shellns/ItemIdList.h"
#include "shell/FbFileMasks.h"
#include "shell/FbShellList.h"

#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>

namespace sh = platform::shellns;

namespace {

constexpr std::string_view kLinkExtension = ".desktop";

// The time a file was last written, or its birth (its change time where the file system
// keeps no birth time) when the write time is unset.
std::int64_t ModifiedTime(const std::string& path) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME | STATX_BTIME | STATX_CTIME, &sx) != 0)
        return 0;
    if (sx.stx_mtime.tv_sec != 0)
        return sx.stx_mtime.tv_sec;
    if ((sx.stx_mask & STATX_BTIME) != 0 && sx.stx_btime.tv_sec != 0)
        return sx.stx_btime.tv_sec;
    return sx.stx_ctime.tv_sec;
}

// A link file is small; anything longer is not one worth reading.
constexpr std::streamsize kMaxLinkFileSize = 64 * 1024;

} // namespace

TFbShellListData::TFbShellListData(TFbCustomShellList* owner, PItemIDList relativeItem,
                                   std::uint32_t attributes)
    : FOwner(owner), FRelativeItem(relativeItem), FAttributes(attributes) {
}

TFbShellListData::~TFbShellListData() {
    FreeItemList(FRelativeItem);
    FreeItemList(FAbsoluteItemList);
}

void TFbShellListData::SetRelativeItem(PItemIDList item) {
    FreeItemList(FRelativeItem);
    FRelativeItem = item;
    FreeItemList(FAbsoluteItemList);
    FAbsoluteItemList = nullptr;
    FDisplayName.clear();
    FDisplayNameKnown = false;
    FFallbackTextsValid = false;
}

PCItemIDList TFbShellListData::AbsoluteItemList() {
    if (FAbsoluteItemList == nullptr)
        FAbsoluteItemList = ConcatItemLists(FOwner->FolderItemList(), FRelativeItem);
    return FAbsoluteItemList;
}

std::string TFbShellListData::FullPath() {
    return ItemListToPath(AbsoluteItemList());
}

std::string TFbShellListData::DisplayName() {
    if (!FDisplayNameKnown) {
        FDisplayName = DisplayNameOf(FOwner->ShellFolder(), FRelativeItem, dnkNormal);
        FDisplayNameKnown = true;
    }
    return FDisplayName;
}

bool TFbShellListData::IsFolder() const {
    return (FAttributes & sh::SFGAO_FOLDER) != 0;
}

bool TFbShellListData::IsLink() {
    const std::string path = FullPath();
    return path.size() > kLinkExtension.size() &&
           platform::EqualsIgnoreAsciiCase(
               std::string_view(path).substr(path.size() - kLinkExtension.size()), kLinkExtension);
}

PItemIDList TFbShellListData::LinkTargetFolder() {
    const std::string path = FullPath();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return nullptr;
    std::string text(static_cast<std::size_t>(kMaxLinkFileSize), '\0');
    in.read(text.data(), kMaxLinkFileSize);
    text.resize(static_cast<std::size_t>(in.gcount()));
    const std::string url = sh::DesktopLinkTarget(text);
    if (url.empty())
        return nullptr;
    PItemIDList target = nullptr;
    if (sh::Failed(ParseFolderPath(url, target)))
        return nullptr;
    const std::string targetPath = ItemListToPath(target);
    if (targetPath.empty() || targetPath.back() != '/') {
        FreeItemList(target);
        return nullptr;
    }
    return target;
}

std::uint32_t TFbShellListData::DetailAttributes() {
    // Asking whether a removable medium is read-only may spin the drive up; that one
    // answer is left out for removable items.
    std::uint32_t attributes = sh::kListDetailsAttributeMask;
    if ((FAttributes & sh::SFGAO_REMOVABLE) != 0)
        attributes &= ~sh::SFGAO_READONLY;
    const ShellFolderPtr& folder = FOwner->ShellFolder();
    PCItemIDList item = FRelativeItem;
    if (!folder || sh::Failed(folder->GetAttributesOf(1, &item, attributes)))
        return 0;
    return attributes;
}

void TFbShellListData::FetchFallbackTexts() {
    FFallbackTextsValid = true;
    FSizeText.clear();
    FModifiedText.clear();
    FTypeText = "System Folder";
    if ((FAttributes & sh::SFGAO_FILESYSTEM) == 0)
        return;
    std::string path = FullPath();
    const bool folder = IsFolder();
    if (folder && path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st;
    // The root of the file system stands for a whole volume: no size or time of its own.
    if (path.size() <= 1 || ::stat(path.c_str(), &st) != 0) {
        FTypeText = folder ? "Folder" : sh::FileTypeOf(FileNamePart(path), false).typeName;
        return;
    }
    FTypeText =
        folder ? "Folder"
               : sh::FileTypeOf(FileNamePart(path), S_ISREG(st.st_mode) && (st.st_mode & 0111) != 0)
                     .typeName;
    if (!folder)
        FSizeText = sh::SizeInKilobytesText(static_cast<std::uint64_t>(st.st_size));
    FModifiedText = sh::LocalTimeText(ModifiedTime(path));
}

std::string TFbShellListData::ColumnText(int column) {
    if (column == 0)
        return DisplayName();
    if (!FFallbackTextsValid)
        FetchFallbackTexts();
    switch (column) {
    case 1:
        return FSizeText;
    case 2:
        return FTypeText;
    case 3:
        return FModifiedText;
    default:
        return {};
    }
}
