// The main window: folder browser on the left, preview pane on the right, menus, and the
// settings it restores at creation and saves at close.
#pragma once

#include <QMainWindow>

#include <string>

class QAction;
class QMenu;
class QObject;
class TFbFrameController;
class TFbPanel;
class TFbShellList;
class TFbShellTree;
class TFbSplitter;
class TFbTreeNode;
class TImage;

class TfrmJIBMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmJIBMain(QWidget* parent = nullptr);

    // Components, named as the rest of the program refers to them.
    TFbSplitter* splitMain = nullptr;
    TFbSplitter* splitBrowser = nullptr;
    TFbShellTree* rstFiles = nullptr;
    TFbShellList* rslFiles = nullptr;
    TFbPanel* pnlPreview = nullptr;
    TImage* imgPreview = nullptr;
    QMenu* mnuFile = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* miExit = nullptr;
    QAction* miGetSupport = nullptr;
    QAction* miBuy = nullptr;
    QAction* miAbout = nullptr;
    TFbFrameController* FbFrameController1 = nullptr;

    // The folder opened at the first activation.
    const std::string& LastFolder() const { return FLastFolder; }
    bool Activated() const { return FActivated; }
    // The settings file: "JibSettings.ini" beside the executable.
    static std::string SettingsFileName();

    void FormActivate();
    void miExitClick();
    void miGetSupportClick();
    void miBuyClick();
    void miAboutClick();
    void rstFilesChange(QObject* Sender, TFbTreeNode* Node);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateComponents();
    void CreateBrowser();
    void CreateMenus();
    void FormCreate();
    void FormClose();
    void InitBrowser();

    bool FActivated = false;
    std::string FLastFolder;
};
