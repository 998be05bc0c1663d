// The main window: folder browser on the left, preview pane on the right, menus, and the
// settings it restores at creation and saves at close.
#pragma once

#include "app/PreviewFolder.h"
#include "platform/Geometry.h"
#include "platform/shellns/ItemIdList.h"

#include <optional>
#include <string>

#include <QMainWindow>

class QAction;
class QMenu;
class QObject;
class TFbFrameController;
class TFbPanel;
class TFbShellList;
class TFbShellListData;
class TFbShellTree;
class TFbSplitter;
class TFbListItem;
class TFbTreeNode;
class TImage;
class TJibThumbnailSource;
class TplkDragFromShell;

// The pane's text while no preview shows.
inline constexpr const char* kPreviewPlaceholder = "Preview Not Available";

class TfrmJIBMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmJIBMain(QWidget* parent = nullptr);
    ~TfrmJIBMain() override;

    // Components, named as the rest of the program refers to them.
    TFbSplitter* splitMain = nullptr;
    TFbSplitter* splitBrowser = nullptr;
    TFbShellTree* rstFiles = nullptr;
    TFbShellList* rslFiles = nullptr;
    TFbPanel* pnlPreview = nullptr;
    TImage* imgPreview = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuView = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* miExit = nullptr;
    QAction* miDetails = nullptr;
    QAction* miThumbnails = nullptr;
    QMenu* mnuThumbnailSize = nullptr;
    QAction* miSmallThumbnails = nullptr;
    QAction* miLargeThumbnails = nullptr;
    QAction* miGetSupport = nullptr;
    QAction* miBuy = nullptr;
    QAction* miAbout = nullptr;
    TFbFrameController* FbFrameController1 = nullptr;
    TplkDragFromShell* plkDragFromShell1 = nullptr;
    // Makes and keeps the file list's thumbnails; owned by the list.
    TJibThumbnailSource* ThumbnailSource = nullptr;

    // The folder opened at the first activation.
    const std::string& LastFolder() const { return FLastFolder; }
    bool Activated() const { return FActivated; }
    // The settings file the window writes: "JibSettings.ini" beside the executable, or
    // the per-user one when the executable's folder is not writable (app/SettingsFile.h).
    static std::string SettingsFileName();
    // A file or folder named on the command line (absolute; empty for none). The first
    // activation opens it instead of the remembered folder: a folder is opened, a file
    // is shown as a drop of it is, and a path that does not exist is reported.
    void SetStartPath(const std::string& path) { FStartPath = path; }

    void FormActivate();
    void miExitClick();
    void miGetSupportClick();
    void miBuyClick();
    void miAboutClick();
    // View: the file list as details or thumbnails, and the thumbnails' size.
    void miDetailsClick();
    void miThumbnailsClick();
    void miSmallThumbnailsClick();
    void miLargeThumbnailsClick();
    void rstFilesChange(QObject* Sender, TFbTreeNode* Node);

    // The preview pipeline: shows the "preview.png" a JIB file carries, centred in the
    // pane, or the placeholder.
    void ShowPreview(const std::string& path);
    void CenterPreviewImage();
    void rslFilesSelectItem(QObject* Sender, TFbListItem* Item, bool Selected);
    void pnlPreviewResize(QObject* Sender);
    // Shows a file handed in from outside as a dropped one is shown: the tree opens its
    // folder, the list selects it, and the pane shows its thumbnail (or the placeholder).
    // A drop on the window and a file on the command line both come here.
    void PreviewDroppedFile(const std::string& fullFileName);
    // The file whose thumbnail the pane shows; empty while the placeholder shows.
    const std::string& PreviewShown() const { return FPreviewShown; }
    void plkDragFromShell1ShellDragDrop(TplkDragFromShell* Sender, const std::string& Folder,
                                        const std::string& Filename,
                                        const std::string& FullFileName, int FileIndex,
                                        int FilesTotal, TPoint& DropPoint);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void CreateBrowser();
    void CreateMenus();
    void CreateViewMenu();
    void ReadViewSettings(const std::string& settings);
    void WriteViewSettings(const std::string& settings);
    void ShowViewChoice();
    void CreateDropReceiver();
    void FormCreate();
    void FormClose();
    void InitBrowser();
    void ShowPlaceholder();
    void RunPreview(const std::string& path, unsigned generation);
    void rslFilesDeleteItem(TFbShellListData* data);
    void PlaceholderUnlessPreviewListed();
    TFbListItem* ListItemOf(const std::string& path) const;

    bool FActivated = false;
    std::string FLastFolder;
    std::string FStartPath;
    // The preview asked for most recently and not yet taken up, and a counter that every
    // request (and every clearing of the pane) moves on. Extraction lets events run, so a
    // newer request can arrive while a preview is being built; the run in progress then
    // drops its own result and takes the newer request up instead of nesting a second run
    // on the same temporary file.
    std::optional<std::string> FPreviewRequest;
    unsigned FPreviewGeneration = 0;
    bool FPreviewRunning = false;
    std::string FPreviewShown;
    TPreviewFolder FPreviewFolder;
    std::string FOldCopyCheckedIn; // the temporary folder cleared of an older version's copy
    // The folder the tree reported last: a refresh that selects it again leaves the pane.
    platform::shellns::UniqueIdList FTreeFolder;
    bool FPreviewCheckQueued = false;
};
