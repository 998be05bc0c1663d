#include "app/JIBMainForm.h"

#include "app/FbPanel.h"
#include "app/FbSplit.h"
#include "app/JibAboutForm.h"
#include "app/JibThumbnailSource.h"
#include "app/ProgramInfo.h"
#include "app/SettingsFile.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "gui/MessageBox.h"
#include "platform/FolderProbe.h"
#include "shell/FbFrameController.h"
#include "shell/FbShellCtrls.h"
#include "util/plkDragFromShell.h"
#include "util/plkFiles.h"
#include "util/plkFormUtils.h"
#include "util/plkIni.h"
#include "util/plkStrings.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include <QCloseEvent>
#include <QIcon>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 792;
// What the preview pane and the file list keep when the window is too small for the
// remembered splitter positions: room for a thumbnail, a header and a few rows.
constexpr int kUsablePaneSize = 100;
constexpr int kClientHeight = 550;
// How long the window, not yet shown, waits for the volume of the remembered folder. A
// volume that takes longer (its server gone) gets the default folder instead, as a folder
// that no longer exists does; long enough for an automounter to mount a share.
constexpr std::chrono::milliseconds kRememberedFolderPatience{2000};
constexpr const char* kSupportUrl = "https://www.quillbrew.com/support/";
constexpr const char* kLumenpixUrl = "https://www.quillbrew.com/lumenpix/";

QFont TahomaPixels(int pixels, bool bold) {
    QFont font("Tahoma");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// What the command line's path is on disk when the browser opens. Anything that is not a
// folder (a device, a pipe) goes the way of a dropped file, which previews JIB files only.
struct TStartTarget {
    enum { None, Folder, File, Missing } Kind = None;
    int Error = 0;
};

TStartTarget ClassifyStartPath(const std::string& path) {
    TStartTarget target;
    struct stat st;
    if (path.empty())
        target.Kind = TStartTarget::None;
    else if (::stat(path.c_str(), &st) != 0)
        target = {TStartTarget::Missing, errno};
    else
        target.Kind = S_ISDIR(st.st_mode) ? TStartTarget::Folder : TStartTarget::File;
    return target;
}

// The pane's one control fills it, following every move of the bar.
void FillPane(QWidget* pane, QWidget* child) {
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(child);
}

} // namespace

TfrmJIBMain::TfrmJIBMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("frmJIBMain");
    setWindowTitle("Quillbrew Free JIB Viewer");
    setWindowIcon(ProgramIcon());
    setFont(TahomaPixels(11, false));
    CreateComponents();
    CreateMenus();
    CreateDropReceiver();
    // The client area (below the menu bar) is what the layout's size describes.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    FormCreate();
}

TfrmJIBMain::~TfrmJIBMain() {
    // The list empties itself as Qt destroys it, after this window's own part is gone:
    // nothing it reports then may reach back into the window.
    rslFiles->OnDeleteItem = nullptr;
}

std::string TfrmJIBMain::SettingsFileName() {
    return SettingsFileToWrite();
}

void TfrmJIBMain::CreateComponents() {
    splitMain = new TFbSplitter(TFbSplitter::orHorizontal, this);
    splitMain->setObjectName("splitMain");
    setCentralWidget(splitMain);
    // Built as a stored layout would be: the positions given here become the ones the
    // splitters return to when a resize has pushed their bars aside.
    splitMain->BeginLoading();
    splitMain->resize(kClientWidth, kClientHeight);
    splitMain->SetPosition(300);
    splitMain->SetPercent(38);
    splitMain->SetRealTimeDrag(true);
    splitMain->SetMinPaneSize(kUsablePaneSize);
    splitMain->Loaded();

    splitBrowser = new TFbSplitter(TFbSplitter::orVertical, splitMain->UpperLeft());
    splitBrowser->setObjectName("splitBrowser");
    splitBrowser->BeginLoading();
    splitBrowser->resize(300, kClientHeight);
    splitBrowser->SetPosition(250);
    splitBrowser->SetPercent(46);
    splitBrowser->SetRealTimeDrag(false);
    splitBrowser->SetMinPaneSize(kUsablePaneSize);
    splitBrowser->Loaded();

    CreateBrowser();

    pnlPreview = new TFbPanel(splitMain->LowerRight());
    pnlPreview->setObjectName("pnlPreview");
    QPalette palette = pnlPreview->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    pnlPreview->setPalette(palette);
    pnlPreview->setFont(TahomaPixels(16, true));
    pnlPreview->SetCaption(kPreviewPlaceholder);
    pnlPreview->OnResize = [this](TFbPanel* sender) {
        pnlPreviewResize(sender);
    };

    // Sized by its picture; the preview code only ever places it.
    imgPreview = new TImage(pnlPreview);
    imgPreview->setObjectName("imgPreview");
    imgPreview->setGeometry(8, 8, 105, 105);
    imgPreview->SetAutoSize(true);
    imgPreview->hide();

    FillPane(splitMain->UpperLeft(), splitBrowser);
    FillPane(splitMain->LowerRight(), pnlPreview);
    FillPane(splitBrowser->UpperLeft(), rstFiles);
    FillPane(splitBrowser->LowerRight(), rslFiles);
}

void TfrmJIBMain::CreateBrowser() {
    FbFrameController1 = new TFbFrameController(this);
    FbFrameController1->setObjectName("FbFrameController1");

    // Neither control fills itself yet: the first activation links them and opens the
    // remembered folder, so nothing is listed twice.
    rstFiles = new TFbShellTree(splitBrowser->UpperLeft());
    rstFiles->setObjectName("rstFiles");
    rstFiles->SetOptions(stoDefaultKeyHandling | stoDynamicRefresh | stoOleDrag | stoOleDrop |
                         stoShowHidden);
    rstFiles->SetFrameController(FbFrameController1);
    rstFiles->SetHideSelection(false);
    rstFiles->SetIndent(19);
    rstFiles->SetShowLines(false);
    rstFiles->OnChange = [this](QObject* sender, TFbTreeNode* node) {
        rstFilesChange(sender, node);
    };

    rslFiles = new TFbShellList(splitBrowser->LowerRight());
    rslFiles->setObjectName("rslFiles");
    rslFiles->SetOptions(sloDefaultKeyHandling | sloDynamicRefresh |
                         sloHideFoldersWhenLinkedToTree | sloOleDrag | sloOleDrop | sloShowHidden);
    rslFiles->SetFileFilter("*.jib");
    rslFiles->SetFrameController(FbFrameController1);
    rslFiles->SetHideSelection(false);
    rslFiles->OnSelectItem = [this](QObject* sender, TFbListItem* item, bool selected) {
        rslFilesSelectItem(sender, item, selected);
    };
    rslFiles->OnDeleteItem = [this](QObject*, TFbListItem*, TFbShellListData* data) {
        rslFilesDeleteItem(data);
    };
    ThumbnailSource = new TJibThumbnailSource(TJibThumbnailSource::UserCache(), rslFiles);
    ThumbnailSource->setObjectName("ThumbnailSource");
    rslFiles->SetThumbnailSource(ThumbnailSource);
}

void TfrmJIBMain::CreateDropReceiver() {
    plkDragFromShell1 = new TplkDragFromShell(this);
    plkDragFromShell1->setObjectName("plkDragFromShell1");
    plkDragFromShell1->SetNotifyEachFile(true);
    plkDragFromShell1->OnShellDragDrop =
        [this](TplkDragFromShell* sender, const std::string& folder, const std::string& name,
               const std::string& full, int index, int total, TPoint& point) {
            plkDragFromShell1ShellDragDrop(sender, folder, name, full, index, total, point);
        };
}

void TfrmJIBMain::CreateMenus() {
    mnuFile = menuBar()->addMenu("&File");
    miExit = mnuFile->addAction("E&xit");
    connect(miExit, &QAction::triggered, this, [this] { miExitClick(); });

    CreateViewMenu();

    mnuHelp = menuBar()->addMenu("&Help");
    miGetSupport = mnuHelp->addAction("Get Support...");
    connect(miGetSupport, &QAction::triggered, this, [this] { miGetSupportClick(); });
    miBuy = mnuHelp->addAction("Buy Lumenpix...");
    connect(miBuy, &QAction::triggered, this, [this] { miBuyClick(); });
    mnuHelp->addSeparator();
    miAbout = mnuHelp->addAction("&About...");
    connect(miAbout, &QAction::triggered, this, [this] { miAboutClick(); });
}

void TfrmJIBMain::FormCreate() {
    const std::string settings = SettingsFileToRead();
    FormInfoFileName() = settings;
    const std::string defaultFolder = DefaultStartFolder();
    FLastFolder = IniReadString(settings, "General", "LastFolder", defaultFolder);
    if (platform::ProbeFolder(FLastFolder, kRememberedFolderPatience) !=
        platform::FolderProbe::Folder)
        FLastFolder = defaultFolder;
    // The remembered positions are the user's choice, so they are the ones the bars return
    // to after the window's first resizes (not the layout's 300 and 250).
    splitMain->SetPositionPreferred(
        IniReadInteger(settings, "General", "MainSplit", splitMain->Position()));
    splitBrowser->SetPositionPreferred(
        IniReadInteger(settings, "General", "BrowserSplit", splitBrowser->Position()));
    ReadViewSettings(settings);
    // The window opens in the normal state whatever state it was closed in.
    if (!RestoreFormPositionEx(this, "frmJIBMain", true, false, false))
        CenterFormOnWorkArea(this);
}

void TfrmJIBMain::FormActivate() {
    if (FActivated)
        return;
    FActivated = true;
    InitBrowser();
}

void TfrmJIBMain::InitBrowser() {
    rstFiles->SetShellList(rslFiles);
    rstFiles->SetOptions(rstFiles->Options() | stoAutoFill);
    rslFiles->SetOptions(rslFiles->Options() | sloAutoFill);
    // A folder or file from the command line decides the folder the tree first fills
    // with, so the remembered one is never listed on the way.
    const TStartTarget start = ClassifyStartPath(FStartPath);
    switch (start.Kind) {
    case TStartTarget::Folder:
        rstFiles->CurrentFolder()->SetFolderPath(IncludeTrailingPathDelimiter(FStartPath));
        break;
    case TStartTarget::File:
        rstFiles->CurrentFolder()->SetFolderPath(ExtractFilePath(FStartPath));
        break;
    default:
        rstFiles->CurrentFolder()->SetFolderPath(FLastFolder);
    }
    rstFiles->RefreshTree();

    if (start.Kind == TStartTarget::File)
        PreviewDroppedFile(FStartPath);
    else if (start.Kind == TStartTarget::Missing)
        ShowMessageBox("Cannot open \"" + FStartPath + "\":\n" + std::strerror(start.Error) + ".",
                       Application().Title(), MB_OK | MB_ICONWARNING, this);
}

void TfrmJIBMain::rstFilesChange(QObject*, TFbTreeNode* Node) {
    // Every refresh of the tree selects its folder anew (and folders come and go all day
    // in the home folder and /tmp); only another folder makes the preview stale.
    TFbShellTreeData* data = ShellData(Node);
    PCItemIDList folder = data != nullptr ? data->AbsoluteItemList() : nullptr;
    if (folder != nullptr && FTreeFolder && CompareItemLists(folder, FTreeFolder.get()) == 0)
        return;
    FTreeFolder.reset(folder != nullptr ? CopyItemList(folder) : nullptr);
    // A preview still being built belongs to the folder left behind.
    FPreviewRequest.reset();
    ++FPreviewGeneration;
    ShowPlaceholder();
}

void TfrmJIBMain::FormClose() {
    const std::string settings = SettingsFileToWrite();
    PrepareSettingsFolder(settings);
    FormInfoFileName() = settings;
    // A window closed before its first activation never opened a folder: the one it
    // would have opened is still the one to remember.
    IniWriteString(settings, "General", "LastFolder",
                   FActivated ? rstFiles->CurrentFolder()->FolderPath() : FLastFolder);
    // The user's choice, not what a small window left of it: it comes back next time
    // there is room.
    IniWriteInteger(settings, "General", "MainSplit", splitMain->PreferredPosition());
    IniWriteInteger(settings, "General", "BrowserSplit", splitBrowser->PreferredPosition());
    SaveFormPosition(this);
    // After the sections earlier versions wrote, which they read unchanged.
    WriteViewSettings(settings);
}

void TfrmJIBMain::miExitClick() {
    close();
}

void TfrmJIBMain::miGetSupportClick() {
    OpenURL(kSupportUrl, this);
}

void TfrmJIBMain::miBuyClick() {
    OpenURL(kLumenpixUrl, this);
}

void TfrmJIBMain::miAboutClick() {
    ShowAboutBox();
}

bool TfrmJIBMain::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void TfrmJIBMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Window managers that keep new windows from taking the focus (or no window manager
    // at all) may never activate this one; the browser must open all the same, once the
    // window is on screen.
    if (!FActivated)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TfrmJIBMain::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}
