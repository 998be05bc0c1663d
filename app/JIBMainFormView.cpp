// The View menu: the file list as details (rows and columns, as it always was) or as
// thumbnails (a grid of the JIB files' pictures), and the thumbnails' size. The choice is
// kept in a section of its own in the settings file, written after the sections earlier
// versions wrote, so those versions read the file unchanged.
#include "app/JIBMainForm.h"
#include "shell/FbShellCtrls.h"
#include "util/plkIni.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace {

constexpr const char* kViewSection = "View";
constexpr const char* kStyleKey = "Style";
constexpr const char* kDetailsStyle = "Details";
constexpr const char* kThumbnailsStyle = "Thumbnails";
constexpr const char* kThumbnailSizeKey = "ThumbnailSize";
// The freedesktop cache's two common sizes, so file managers and the viewer share files.
constexpr int kSmallThumbnails = 128;
constexpr int kLargeThumbnails = 256;

QActionGroup* RadioGroup(QObject* owner, std::initializer_list<QAction*> actions) {
    auto* group = new QActionGroup(owner);
    group->setExclusive(true);
    for (QAction* action : actions) {
        action->setCheckable(true);
        group->addAction(action);
    }
    return group;
}

} // namespace

void TfrmJIBMain::CreateViewMenu() {
    mnuView = menuBar()->addMenu("&View");
    miDetails = mnuView->addAction("&Details");
    miDetails->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    miThumbnails = mnuView->addAction("&Thumbnails");
    miThumbnails->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    RadioGroup(mnuView, {miDetails, miThumbnails});
    mnuView->addSeparator();
    mnuThumbnailSize = mnuView->addMenu("Thumbnail &Size");
    miSmallThumbnails = mnuThumbnailSize->addAction("&Small (128 x 128)");
    miSmallThumbnails->setShortcut(QKeySequence::ZoomOut);
    miLargeThumbnails = mnuThumbnailSize->addAction("&Large (256 x 256)");
    miLargeThumbnails->setShortcut(QKeySequence::ZoomIn);
    RadioGroup(mnuThumbnailSize, {miSmallThumbnails, miLargeThumbnails});
    connect(miDetails, &QAction::triggered, this, [this] { miDetailsClick(); });
    connect(miThumbnails, &QAction::triggered, this, [this] { miThumbnailsClick(); });
    connect(miSmallThumbnails, &QAction::triggered, this, [this] { miSmallThumbnailsClick(); });
    connect(miLargeThumbnails, &QAction::triggered, this, [this] { miLargeThumbnailsClick(); });
    ShowViewChoice();
}

void TfrmJIBMain::ShowViewChoice() {
    const bool thumbnails = rslFiles->ViewStyle() == vsIcon;
    miDetails->setChecked(!thumbnails);
    miThumbnails->setChecked(thumbnails);
    const bool small = rslFiles->PictureSize() == kSmallThumbnails;
    miSmallThumbnails->setChecked(small);
    miLargeThumbnails->setChecked(!small);
}

void TfrmJIBMain::miDetailsClick() {
    rslFiles->SetViewStyle(vsReport);
    ShowViewChoice();
}

void TfrmJIBMain::miThumbnailsClick() {
    rslFiles->SetViewStyle(vsIcon);
    ShowViewChoice();
}

void TfrmJIBMain::miSmallThumbnailsClick() {
    rslFiles->SetPictureSize(kSmallThumbnails);
    ShowViewChoice();
}

void TfrmJIBMain::miLargeThumbnailsClick() {
    rslFiles->SetPictureSize(kLargeThumbnails);
    ShowViewChoice();
}

void TfrmJIBMain::ReadViewSettings(const std::string& settings) {
    // Anything but the two known sizes (a hand-edited file) falls back to the default.
    const int size = IniReadInteger(settings, kViewSection, kThumbnailSizeKey, kLargeThumbnails);
    rslFiles->SetPictureSize(size == kSmallThumbnails ? kSmallThumbnails : kLargeThumbnails);
    const std::string style = IniReadString(settings, kViewSection, kStyleKey, kDetailsStyle);
    rslFiles->SetViewStyle(style == kThumbnailsStyle ? vsIcon : vsReport);
    ShowViewChoice();
}

void TfrmJIBMain::WriteViewSettings(const std::string& settings) {
    IniWriteString(settings, kViewSection, kStyleKey,
                   rslFiles->ViewStyle() == vsIcon ? kThumbnailsStyle : kDetailsStyle);
    IniWriteInteger(settings, kViewSection, kThumbnailSizeKey, rslFiles->PictureSize());
}
