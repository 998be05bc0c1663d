// The file list in icon view: its files' pictures come from a thumbnail source, which the
// list tells what it shows and when it starts over (another folder, another view, another
// picture size) so that nothing asked for an old folder is made or shown for the new one.
#include "platform/shellns/ItemData.h"
#include "shell/FbShellList.h"

namespace sh = platform::shellns;

namespace {

// The folder's path as keys start with it, "/" at the end.
std::string FolderPathOf(PCItemIDList folder) {
    std::string path = ItemListToPath(folder);
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path;
}

// The key of a file item of the folder at `folderPath`, straight from the item's bytes:
// a folder of ten thousand files is keyed without a single call to the disk.
bool KeyOf(const std::string& folderPath, const TFbShellListData* data, TFbThumbnailKey& key) {
    sh::FsItem file;
    if (data == nullptr || folderPath.empty() || !sh::DecodeFsItem(data->RelativeItem(), file) ||
        file.IsFolder())
        return false;
    key.Path = folderPath;
    key.Path.append(file.name);
    key.MTimeSec = file.mtimeSec;
    key.MTimeNsec = file.mtimeNsec;
    key.Size = file.size;
    return true;
}

} // namespace

void TFbCustomShellList::SetThumbnailSource(TFbThumbnailSource* source) {
    if (source == FThumbnails)
        return;
    if (FThumbnails != nullptr) {
        FThumbnails->Cancel();
        FThumbnails->OnArrived = nullptr;
    }
    FThumbnails = source;
    if (FThumbnails != nullptr)
        FThumbnails->OnArrived = [this](const std::string& path) {
            ThumbnailArrived(path);
        };
    StartThumbnails();
    viewport()->update();
}

bool TFbCustomShellList::ThumbnailKeyOf(TFbListItem* item, TFbThumbnailKey& key) const {
    return KeyOf(PictureFolder(), ListData(item), key);
}

const std::string& TFbCustomShellList::PictureFolder() const {
    // Asked for every item painted; the folder's path changes only with a fill.
    if (!FPictureFolderOf || CompareItemLists(FPictureFolderOf.get(), FFolderList) != 0) {
        FPictureFolderOf.reset(FFolderList != nullptr ? CopyItemList(FFolderList) : nullptr);
        FPictureFolder = FolderPathOf(FFolderList);
    }
    return FPictureFolder;
}

std::vector<TFbThumbnailKey> TFbCustomShellList::AllThumbnailKeys() const {
    const std::string& folder = PictureFolder();
    std::vector<TFbThumbnailKey> keys;
    keys.reserve(static_cast<std::size_t>(ItemCount()));
    TFbThumbnailKey key;
    for (int i = 0; i < ItemCount(); ++i)
        if (KeyOf(folder, ListData(Item(i)), key))
            keys.push_back(key);
    return keys;
}

void TFbCustomShellList::StartThumbnails() {
    if (FThumbnails == nullptr)
        return;
    if (ViewStyle() != vsIcon || FFolderList == nullptr)
        return FThumbnails->Cancel();
    FThumbnails->Begin(PictureSize(), AllThumbnailKeys());
}

void TFbCustomShellList::UpdateThumbnails() {
    if (FThumbnails != nullptr && ViewStyle() == vsIcon)
        FThumbnails->Update(AllThumbnailKeys());
}

void TFbCustomShellList::CancelThumbnails() {
    if (FThumbnails != nullptr)
        FThumbnails->Cancel();
}

void TFbCustomShellList::ViewStyleChanged() {
    StartThumbnails();
    // Icon view also watches the folder's files being written: their pictures change.
    if (FWindowCreated && FOptions.testFlag(sloDynamicRefresh) && FFolderList != nullptr)
        StartWatching();
}

TFbItemPicture TFbCustomShellList::ItemPicture(TFbListItem* item) {
    TFbItemPicture picture;
    TFbThumbnailKey key;
    if (FThumbnails == nullptr || !ThumbnailKeyOf(item, key))
        return picture;
    switch (FThumbnails->Thumbnail(key, picture.Image)) {
    case TFbThumbnailSource::TState::tsImage:
        picture.Kind = TFbItemPicture::ipImage;
        break;
    case TFbThumbnailSource::TState::tsPending:
        picture.Kind = TFbItemPicture::ipPending;
        break;
    case TFbThumbnailSource::TState::tsNone:
        break;
    }
    return picture;
}

bool TFbCustomShellList::ItemDropHighlighted(TFbListItem* item) const {
    return item != nullptr && item == FDropHighlight;
}

void TFbCustomShellList::PicturesPainted() {
    if (FThumbnails == nullptr)
        return;
    int first = 0, last = -1;
    VisibleItems(first, last);
    const std::string& folder = PictureFolder();
    std::vector<TFbThumbnailKey> shown;
    TFbThumbnailKey key;
    for (int i = first; i <= last; ++i)
        if (KeyOf(folder, ListData(Item(i)), key))
            shown.push_back(key);
    FThumbnails->Show(shown);
}

void TFbCustomShellList::ThumbnailArrived(const std::string& path) {
    if (ViewStyle() != vsIcon)
        return;
    int first = 0, last = -1;
    VisibleItems(first, last);
    const std::string& folder = PictureFolder();
    TFbThumbnailKey key;
    for (int i = first; i <= last; ++i)
        if (KeyOf(folder, ListData(Item(i)), key) && key.Path == path)
            UpdateItem(Item(i));
}
