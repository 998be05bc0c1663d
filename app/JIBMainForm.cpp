#include "app/JIBMainForm.h"

#include "app/FbPanel.h"
#include "app/FbSplit.h"
#include "app/JibAboutForm.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "util/plkFiles.h"
#include "util/plkFormUtils.h"
#include "util/plkIni.h"

#include <QCloseEvent>
#include <QMenuBar>
#include <QVBoxLayout>
#include <sys/stat.h>

namespace {

constexpr int kClientWidth = 792;
constexpr int kClientHeight = 550;
constexpr const char* kPlaceholder = "Preview Not Available";
constexpr const char* kSupportUrl = "https://www.quillbrew.com/support/";
constexpr const char* kLumenpixUrl = "https://www.quillbrew.com/lumenpix/";

QFont TahomaPixels(int pixels, bool bold) {
    QFont font("Tahoma");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

bool FolderExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
    setFont(TahomaPixels(11, false));
    CreateComponents();
    CreateMenus();
    // The client area (below the menu bar) is what the layout's size describes.
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    FormCreate();
}

std::string TfrmJIBMain::SettingsFileName() {
    return GetExeFolder() + "JibSettings.ini";
}

void TfrmJIBMain::CreateComponents() {
    splitMain = new TFbSplitter(TFbSplitter::orHorizontal, this);
    splitMain->setObjectName("splitMain");
    setCentralWidget(splitMain);
    splitMain->resize(kClientWidth, kClientHeight);
    splitMain->SetPosition(300);

    splitBrowser = new TFbSplitter(TFbSplitter::orVertical, splitMain->UpperLeft());
    splitBrowser->setObjectName("splitBrowser");
    splitBrowser->resize(300, kClientHeight);
    splitBrowser->SetPosition(250);

    rstFiles = new QWidget(splitBrowser->UpperLeft());
    rstFiles->setObjectName("rstFiles");
    rslFiles = new QWidget(splitBrowser->LowerRight());
    rslFiles->setObjectName("rslFiles");

    pnlPreview = new TFbPanel(splitMain->LowerRight());
    pnlPreview->setObjectName("pnlPreview");
    QPalette palette = pnlPreview->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    pnlPreview->setPalette(palette);
    pnlPreview->setFont(TahomaPixels(16, true));
    pnlPreview->SetCaption(kPlaceholder);

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

void TfrmJIBMain::CreateMenus() {
    mnuFile = menuBar()->addMenu("&File");
    miExit = mnuFile->addAction("E&xit");
    connect(miExit, &QAction::triggered, this, [this] { miExitClick(); });

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
    const std::string settings = SettingsFileName();
    FormInfoFileName() = settings;
    FLastFolder = IniReadString(settings, "General", "LastFolder", GetExeFolder());
    if (!FolderExists(FLastFolder))
        FLastFolder = GetExeFolder();
    splitMain->SetPosition(IniReadInteger(settings, "General", "MainSplit", splitMain->Position()));
    splitBrowser->SetPosition(
        IniReadInteger(settings, "General", "BrowserSplit", splitBrowser->Position()));
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
    // The folder tree and the file list take their places here; until then there is
    // nothing to link or fill.
}

void TfrmJIBMain::FormClose() {
    const std::string settings = SettingsFileName();
    IniWriteString(settings, "General", "LastFolder", FLastFolder);
    IniWriteInteger(settings, "General", "MainSplit", splitMain->Position());
    IniWriteInteger(settings, "General", "BrowserSplit", splitBrowser->Position());
    SaveFormPosition(this);
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

void TfrmJIBMain::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}
