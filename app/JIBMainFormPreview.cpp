// The main window's preview pipeline: from a selected or dropped file to its thumbnail,
// centred in the preview pane, or the placeholder.
#include "app/FbPanel.h"
#include "app/JIBMainForm.h"
#include "archive/ZipExtractor.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "png/pnggraphic.h"
#include "shell/FbShellCtrls.h"
#include "util/plkFiles.h"
#include "util/plkStrings.h"

#include <sys/stat.h>

namespace {

constexpr const char* kPreviewMember = "preview.png";
constexpr const char* kPreviewExtensions = "*.jib;";

bool RegularFileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Removes the temporary copy however the preview run ends, a failed image load included.
class TemporaryFileGuard {
public:
    explicit TemporaryFileGuard(std::string path) : FPath(std::move(path)) {
        // A copy left behind by a run that never finished would otherwise be taken for
        // this archive's thumbnail when the archive has none.
        DeleteFileQuiet(FPath);
    }
    ~TemporaryFileGuard() { DeleteFileQuiet(FPath); }
    TemporaryFileGuard(const TemporaryFileGuard&) = delete;
    TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;

private:
    std::string FPath;
};

// Has the archive component put the thumbnail into `folder`. The component reports its
// own failures (a file that is no archive, a damaged one, a missing engine) and never
// raises them here.
void ExtractPreview(const std::string& archive, const std::string& folder) {
    TZipExtractor zip(nullptr);
    zip.SetZipFileName(archive);
    zip.FSpecArgs().push_back(kPreviewMember);
    zip.SetExtrBaseDir(folder);
    zip.SetExtrOptions(ExtrOverWrite);
    zip.Extract();
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
    const std::string tempFile = tempFolder + kPreviewMember;
    TemporaryFileGuard removeAfterwards(tempFile);

    ExtractPreview(path, ExtractFilePath(tempFile));
    // Events ran during the extraction: a newer request or a change of folder makes this
    // result stale, and it must not overwrite what the user asked for since.
    if (generation != FPreviewGeneration)
        return;

    if (!RegularFileExists(tempFile)) {
        ShowPlaceholder();
        return;
    }
    TPngGraphic png;
    png.LoadFromFile(tempFile); // a damaged image raises: the pane keeps what it showed
    imgPreview->Picture().SetGraphic(&png);
    CenterPreviewImage();
    imgPreview->show();
    pnlPreview->SetCaption("");
}

void TfrmJIBMain::ShowPlaceholder() {
    imgPreview->hide();
    pnlPreview->SetCaption(kPreviewPlaceholder);
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

void TfrmJIBMain::plkDragFromShell1ShellDragDrop(TplkDragFromShell*, const std::string&,
                                                 const std::string&,
                                                 const std::string& FullFileName, int, int,
                                                 TPoint&) {
    PreviewDroppedFile(FullFileName);
}

void TfrmJIBMain::PreviewDroppedFile(const std::string& fullFileName) {
    rstFiles->CurrentFolder()->SetFolderPath(ExtractFilePath(fullFileName));
    // Let the tree and the list show that folder (the tree's change clears the pane)
    // before the preview is built.
    Application().ProcessMessages();
    ShowPreview(fullFileName);
}
