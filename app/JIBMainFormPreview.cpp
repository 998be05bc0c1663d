// The main window's preview pipeline: from a selected or dropped file to its thumbnail,
// centred in the preview pane, or the placeholder.
#include "app/FbPanel.h"
#include "app/JIBMainForm.h"
#include "archive/ZipExtractor.h"
#include "archive/ZipThumbnail.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "gui/Stream.h"
#include "png/pnggraphic.h"
#include "png/pngheaderinfo.h"
#include "shell/FbShellCtrls.h"
#include "util/plkFiles.h"
#include "util/plkStrings.h"

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTimer>

namespace {

// The member asked for; the engine also takes it in other cases (see ZipThumbnail.h).
constexpr const char* kPreviewMember = "preview.png";
constexpr const char* kPreviewExtensions = "*.jib;";
// The largest thumbnail shown: 4096 x 4096 pixels, and a decoded bitmap of 64 MiB.
constexpr std::uint64_t kMaxPreviewPixels = std::uint64_t{4096} * 4096;
constexpr std::uint64_t kMaxPreviewBitmapBytes = std::uint64_t{64} << 20;

// A thumbnail file up to this size is read into memory in one go and decoded from there;
// a larger one (a legal 4096 x 4096 image can be stored uncompressed) is decoded from disk.
constexpr std::int64_t kMaxThumbnailBytesInMemory = std::int64_t{64} << 20;

bool RegularFileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Whether the image's header keeps it within the thumbnail limits. A file without a
// readable header is let through: loading it reports what is wrong.
bool HeaderFitsPreview(bool readable, const png::TPngHeaderInfo& info) {
    return !readable || (png::PixelCount(info) <= kMaxPreviewPixels &&
                         png::DecodedBitmapBytes(info) <= kMaxPreviewBitmapBytes);
}

enum class TThumbnailFile { Missing, InMemory, OnDisk };

// Reads the extracted thumbnail into `bytes` when it is a regular file of a size that
// memory takes easily: the decoder then reads it from there, not in dozens of small reads
// of the file. Missing when there is no regular file (a link is none); OnDisk when it is
// to be read from the file as it is.
TThumbnailFile ReadThumbnail(const std::string& path, TMemoryStream& bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return RegularFileExists(path) ? TThumbnailFile::OnDisk : TThumbnailFile::Missing;
    struct stat st;
    TThumbnailFile result = TThumbnailFile::OnDisk;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result = TThumbnailFile::Missing;
    } else if (st.st_size <= kMaxThumbnailBytesInMemory) {
        bytes.SetSize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.Bytes().size()) {
            const ssize_t n = ::read(fd, bytes.Memory() + got, bytes.Bytes().size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.SetSize(got);
        result = TThumbnailFile::InMemory;
    }
    ::close(fd);
    return result;
}

// Has the archive component put the thumbnail into `folder`; answers the name it has
// there (the member's stored name), or "" for an archive without one. The component
// reports its own failures (a file that is no archive, a damaged one, a missing engine)
// and never raises them here.
std::string ExtractPreview(const std::string& archive, const std::string& folder) {
    TZipExtractor zip(nullptr);
    zip.SetZipFileName(archive);
    const std::ptrdiff_t thumbnail = FindThumbnailMember(
        static_cast<std::size_t>(zip.EntryCount()), [&zip](std::size_t i) -> std::string_view {
            return zip.Entries(static_cast<int>(i)).FileName;
        });
    const std::string name =
        thumbnail < 0 ? std::string() : zip.Entries(static_cast<int>(thumbnail)).FileName;
    zip.FSpecArgs().push_back(kPreviewMember);
    zip.SetExtrBaseDir(folder);
    zip.SetExtrOptions(ExtrOverWrite);
    zip.Extract();
    return name;
}

} // namespace

void TfrmJIBMain::ShowPreview(const std::string& path) {
    FPreviewRequest = path;
    ++FPreviewGeneration;
    if (FPreviewRunning)
        return; // the run in progress takes this request up when its extraction returns
    FPreviewRunning = true;
    struct RunningFlag {
        bool& flag;
        ~RunningFlag() { flag = false; }
    } running{FPreviewRunning};
    while (FPreviewRequest) {
        const std::string next = std::move(*FPreviewRequest);
        FPreviewRequest.reset();
        RunPreview(next, FPreviewGeneration);
    }
}

void TfrmJIBMain::RunPreview(const std::string& path, unsigned generation) {
    if (!IsExtInList(path, kPreviewExtensions)) {
        ShowPlaceholder();
        return;
    }
    // Without a private temporary folder there is nowhere safe to put the copy: a fixed
    // name in the working folder could be a link someone else planted.
    const std::string tempFolder = GetTempFolder();
    if (tempFolder.empty()) {
        ShowPlaceholder();
        return;
    }
    // Earlier versions extracted straight into the folder; a copy left by one of them
    // that never finished is no one's. Only a run before this one can have left it.
    if (tempFolder != FOldCopyCheckedIn) {
        DeleteFileQuiet(tempFolder + kPreviewMember);
        FOldCopyCheckedIn = tempFolder;
    }
    const std::string folder = FPreviewFolder.Prepare(tempFolder);
    if (folder.empty()) {
        ShowPlaceholder();
        return;
    }
    // Whatever the run extracted goes as it ends, however it ends.
    struct EmptiedAfterwards {
        const TPreviewFolder& folder;
        ~EmptiedAfterwards() { folder.Empty(); }
    } emptied{FPreviewFolder};

    const std::string member = ExtractPreview(path, folder);
    // Events ran during the extraction: a newer request or a change of folder makes this
    // result stale, and it must not overwrite what the user asked for since.
    if (generation != FPreviewGeneration)
        return;

    const std::string thumbnail = folder + member;
    TMemoryStream bytes;
    const TThumbnailFile file =
        member.empty() ? TThumbnailFile::Missing : ReadThumbnail(thumbnail, bytes);
    if (file == TThumbnailFile::Missing) {
        ShowPlaceholder();
        return;
    }
    // A thumbnail this large is no thumbnail: decoding it would hold the window for
    // seconds and take gigabytes, and its header says so before anything is inflated.
    png::TPngHeaderInfo header;
    const bool readable = file == TThumbnailFile::InMemory
                              ? png::ReadPngHeaderInfo(bytes.Memory(), bytes.Bytes().size(), header)
                              : png::ReadPngHeaderInfo(thumbnail, header);
    if (!HeaderFitsPreview(readable, header)) {
        ShowPlaceholder();
        return;
    }
    auto png = std::make_unique<TPngGraphic>();
    try {
        if (file == TThumbnailFile::InMemory)
            png->LoadFromStream(bytes);
        else
            png->LoadFromFile(thumbnail);
    } catch (const std::exception& e) {
        // The message says what is wrong with the image; afterwards the pane must not go on
        // showing another file's thumbnail as if it were this one's.
        Application().HandleException(e);
        ShowPlaceholder();
        return;
    }
    // The picture takes the decoded image itself: it was made for nothing else.
    imgPreview->Picture().Adopt(std::move(png));
    CenterPreviewImage();
    imgPreview->show();
    pnlPreview->SetCaption("");
    FPreviewShown = path;
}

void TfrmJIBMain::ShowPlaceholder() {
    imgPreview->hide();
    pnlPreview->SetCaption(kPreviewPlaceholder);
    FPreviewShown.clear();
}

void TfrmJIBMain::CenterPreviewImage() {
    const int paneWidth = pnlPreview->width();
    const int paneHeight = pnlPreview->height();
    const int width = imgPreview->width();
    const int height = imgPreview->height();
    // An image larger than the pane starts at its edge and is cut off; there are no
    // scroll bars.
    const int left = paneWidth > width ? (paneWidth - width) / 2 : 0;
    const int top = paneHeight > height ? (paneHeight - height) / 2 : 0;
    imgPreview->setGeometry(left, top, width, height);
}

void TfrmJIBMain::rslFilesSelectItem(QObject*, TFbListItem*, bool Selected) {
    // Clicking empty space deselects; the last preview stays until something else is
    // chosen.
    if (!Selected)
        return;
    TFbShellListData* data = rslFiles->SelectedData();
    ShowPreview(data != nullptr ? data->FullPath() : std::string());
}

void TfrmJIBMain::pnlPreviewResize(QObject*) {
    CenterPreviewImage();
}

void TfrmJIBMain::rslFilesDeleteItem(TFbShellListData* data) {
    if (FPreviewShown.empty() || FPreviewCheckQueued || data == nullptr ||
        data->FullPath() != FPreviewShown)
        return;
    // A refresh may put the same file back (F5 refills the list and selects it again), so
    // whether it is gone is decided once the list has settled.
    FPreviewCheckQueued = true;
    QTimer::singleShot(0, this, [this] {
        FPreviewCheckQueued = false;
        PlaceholderUnlessPreviewListed();
    });
}

void TfrmJIBMain::PlaceholderUnlessPreviewListed() {
    if (FPreviewShown.empty() || ListItemOf(FPreviewShown) != nullptr)
        return;
    // The file went away: its thumbnail must not stay behind as if it were still there.
    ++FPreviewGeneration;
    ShowPlaceholder();
}

TFbListItem* TfrmJIBMain::ListItemOf(const std::string& path) const {
    if (TFbShellListData* selected = rslFiles->SelectedData();
        selected != nullptr && selected->FullPath() == path)
        return rslFiles->Selected();
    for (int i = 0; i < rslFiles->ItemCount(); ++i) {
        TFbListItem* item = rslFiles->Item(i);
        TFbShellListData* data = TFbShellList::ListData(item);
        if (data != nullptr && data->FullPath() == path)
            return item;
    }
    return nullptr;
}

void TfrmJIBMain::PreviewDroppedFile(const std::string& fullFileName) {
    rstFiles->CurrentFolder()->SetFolderPath(ExtractFilePath(fullFileName));
    // Let the tree and the list show that folder (the tree's change clears the pane)
    // before the preview is built.
    Application().ProcessMessages();
    // Selected like a clicked file, so the list, the keyboard and the pane agree on the
    // file shown; the selection runs the preview.
    if (TFbListItem* item = ListItemOf(fullFileName)) {
        rslFiles->ClearSelection();
        rslFiles->SetItemFocused(item);
        rslFiles->SelectItem(item, true);
        return;
    }
    ShowPreview(fullFileName);
}

void TfrmJIBMain::plkDragFromShell1ShellDragDrop(TplkDragFromShell*, const std::string&,
                                                 const std::string&,
                                                 const std::string& FullFileName, int, int,
                                                 TPoint&) {
    PreviewDroppedFile(FullFileName);
}
