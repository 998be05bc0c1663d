// The command line: what "jibview [PATH]" asks for, and the window opening a JIB file, a
// folder or a path that is not there. --help and --version without a display are run by
// the packaging test on the installed program.
#include "app/CommandLine.h"

#include "app/FbPanel.h"
#include "app/JIBMainForm.h"
#include "gui/Application.h"
#include "gui/Image.h"
#include "platform/shellns/FileUri.h"
#include "shell/FbShellCtrls.h"
#include "tests/app/AppTestSupport.h"
#include "tests/common/MessageCapture.h"
#include "tests/common/ScopedEnv.h"
#include "tests/common/TempDir.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <filesystem>
#include <memory>

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

TEST(CommandLine, ArgumentsAreReadAsAUserMeansThem) {
    using A = TCommandLine;
    const std::string cwd = "/home/ann/Projects";
    const struct {
        std::vector<std::string> args;
        A::TAction action;
        std::string path;
        std::string error;
    } cases[] = {
        {{}, A::clRun, "", ""},
        {{"Harbour.jib"}, A::clRun, "/home/ann/Projects/Harbour.jib", ""},
        {{"./old/../new/./Harbour.JIB"}, A::clRun, "/home/ann/Projects/new/Harbour.JIB", ""},
        {{"../../../../x.jib"}, A::clRun, "/x.jib", ""},
        {{"/srv//jibs/"}, A::clRun, "/srv/jibs", ""},
        {{"/"}, A::clRun, "/", ""},
        {{"."}, A::clRun, "/home/ann/Projects", ""},
        // File names are bytes: one that is not UTF-8 passes unchanged.
        {{"caf\xe9.jib"}, A::clRun, "/home/ann/Projects/caf\xe9.jib", ""},
        {{"-"}, A::clRun, "/home/ann/Projects/-", ""},
        {{"--", "--help"}, A::clRun, "/home/ann/Projects/--help", ""},
        {{"--help"}, A::clHelp, "", ""},
        {{"-h", "a.jib"}, A::clHelp, "", ""},
        {{"--version"}, A::clVersion, "", ""},
        // Before Qt has taken its own options out, they must not stop --version.
        {{"-platform", "offscreen", "--version"}, A::clVersion, "", ""},
        {{"--", "--version"}, A::clRun, "/home/ann/Projects/--version", ""},
        {{"-x", "a.jib"}, A::clUsageError, "", "unknown option '-x'"},
        {{"--verbose"}, A::clUsageError, "", "unknown option '--verbose'"},
        {{"a.jib", "b.jib"}, A::clUsageError, "", "more than one path given ('b.jib')"},
        {{""}, A::clUsageError, "", "an empty path"},
        {{std::string(5000, 'a')}, A::clUsageError, "", "the path is too long"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args)
            shown += "[" + a + "]";
        const TCommandLine line = ParseCommandLine(c.args, cwd);
        EXPECT_EQ(line.Action, c.action) << shown;
        EXPECT_EQ(line.Path, c.path) << shown;
        EXPECT_EQ(line.Error, c.error) << shown;
    }
    EXPECT_EQ(CommandLineHelp().rfind("Usage: jibview [OPTION] [PATH]\n", 0), 0u);
}

namespace {

// What a user sees of where the window is and what it shows.
struct TWindowState {
    std::string Folder;
    std::string ListSelection;
    bool PreviewShown = false;
    QImage Preview;
    std::string Caption;

    bool operator==(const TWindowState&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TWindowState& s) {
    return out << "{folder " << s.Folder << ", selected '" << s.ListSelection << "', preview "
               << (s.PreviewShown ? "shown " : "hidden ") << s.Preview.width() << "x"
               << s.Preview.height() << ", caption '" << s.Caption << "'}";
}

class CommandLineStartTest : public ::testing::Test {
protected:
    CommandLineStartTest() : FTmp("TMPDIR", FTemp.Path()) {}

    void SetUp() override {
        DeleteFileQuiet(TfrmJIBMain::SettingsFileName());
        FRemembered = FFiles.MakeDir("remembered") + "/";
        FOther = FFiles.MakeDir("other") + "/";
        MakeJib(FFiles, "remembered/Bakery.jib", {{"preview.png", Fixture("preview-64x48.png")}});
        MakeJib(FFiles, "other/Harbour.jib", {{"preview.png", Fixture("preview-40x30.png")}});
        MakeJib(FFiles, "other/Poster.jib", {{"preview.png", Fixture("preview-64x48.png")}});
        FFiles.Write("other/notes.txt", "not a JIB file");
        IniWriteString(TfrmJIBMain::SettingsFileName(), "General", "LastFolder", FRemembered);
    }
    void TearDown() override {
        Application().SetMainForm(nullptr);
        DeleteFileQuiet(TfrmJIBMain::SettingsFileName());
    }

    // Opens the window as the program's entry does, with `startPath` from its command line.
    std::unique_ptr<TfrmJIBMain> Open(const std::string& startPath) {
        auto form = std::make_unique<TfrmJIBMain>();
        form->SetStartPath(startPath);
        Application().SetMainForm(form.get());
        form->show();
        QApplication::processEvents();
        form->FormActivate(); // in case the platform did not activate the shown window
        return form;
    }
    void Close(std::unique_ptr<TfrmJIBMain>& form) {
        form->close();
        Application().SetMainForm(nullptr);
        form.reset();
    }

    static TWindowState State(TfrmJIBMain& form) {
        TWindowState state;
        state.Folder = form.rstFiles->CurrentFolder()->FolderPath();
        if (TFbListItem* item = form.rslFiles->Selected())
            state.ListSelection = item->Caption();
        state.PreviewShown = form.imgPreview->isVisibleTo(form.pnlPreview);
        if (state.PreviewShown)
            state.Preview = form.imgPreview->grab().toImage();
        state.Caption = form.pnlPreview->Caption().toStdString();
        return state;
    }

    static void DropOnPreview(TfrmJIBMain& form, const std::string& file) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
        const QPoint at(form.width() - 20, form.height() / 2);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &drop);
    }

    TempDir FTemp;
    ScopedEnv FTmp;
    TempDir FFiles;
    std::string FRemembered;
    std::string FOther;
};

} // namespace

TEST_F(CommandLineStartTest, AJibArgumentEndsExactlyAsADropOfThatFile) {
    MessageCapture capture;
    auto started = Open(FOther + "Harbour.jib");
    const TWindowState fromCommandLine = State(*started);
    Close(started);

    IniWriteString(TfrmJIBMain::SettingsFileName(), "General", "LastFolder", FRemembered);
    auto dropped = Open("");
    ASSERT_EQ(State(*dropped).Folder, FRemembered);
    DropOnPreview(*dropped, FOther + "Harbour.jib");
    const TWindowState fromDrop = State(*dropped);
    Close(dropped);

    EXPECT_EQ(fromCommandLine, fromDrop);
    EXPECT_EQ(fromCommandLine.Folder, FOther);
    EXPECT_TRUE(fromCommandLine.PreviewShown);
    EXPECT_EQ(fromCommandLine.Preview.size(), QSize(40, 30));
    EXPECT_EQ(fromCommandLine.Caption, "");
    EXPECT_TRUE(capture.Shown().empty());
}

TEST_F(CommandLineStartTest, FoldersOtherFilesAndMissingPathsOpenAsAUserExpects) {
    const struct {
        std::string name;     // under the test's folder; "" for no argument
        std::string folder;   // under the test's folder
        std::string messages; // what the user is told, "" for nothing
    } cases[] = {
        {"", "remembered/", ""},
        {"other", "other/", ""},
        {"other/", "other/", ""},
        // Not a JIB file: its folder opens, as when it is dropped, with nothing to preview.
        {"other/notes.txt", "other/", ""},
        {"other/gone.jib", "remembered/",
         "Cannot open \"" + FFiles.File("other/gone.jib") + "\":\nNo such file or directory."},
        {"gone/", "remembered/",
         "Cannot open \"" + FFiles.File("gone") + "\":\nNo such file or directory."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture capture;
        const std::string path =
            c.name.empty() ? "" : ParseCommandLine({c.name}, FFiles.Path()).Path;
        auto form = Open(path);
        const TWindowState state = State(*form);
        EXPECT_EQ(state.Folder, FFiles.File(c.folder));
        EXPECT_FALSE(state.PreviewShown);
        EXPECT_EQ(state.Caption, "Preview Not Available");
        std::string messages;
        for (const auto& shown : capture.Shown()) {
            messages += shown.Text;
            EXPECT_EQ(shown.Caption, "Quillbrew Free JIB Viewer");
            EXPECT_EQ(shown.Icon(), MB_ICONWARNING);
        }
        EXPECT_EQ(messages, c.messages);
        // The folder the user ended in is the one remembered, as after any session.
        Close(form);
        EXPECT_EQ(IniReadString(TfrmJIBMain::SettingsFileName(), "General", "LastFolder", ""),
                  FFiles.File(c.folder));
        IniWriteString(TfrmJIBMain::SettingsFileName(), "General", "LastFolder", FRemembered);
    }
}

// A folder and a file named by an old Latin-1 program: the bytes on disk are what opens,
// previews and is remembered, whichever way the file arrives.
TEST_F(CommandLineStartTest, ANameThatIsNotUtf8OpensPreviewsAndIsRememberedAsItsBytes) {
    const std::string folder = FFiles.MakeDir("d\xE9j\xE0") + "/";
    const std::string file = folder + "caf\xE9.jib";
    std::filesystem::copy_file(FOther + "Harbour.jib", file);
    MessageCapture capture;

    auto form = Open(ParseCommandLine({"d\xE9j\xE0/caf\xE9.jib"}, FFiles.Path()).Path);
    TWindowState state = State(*form);
    EXPECT_EQ(state.Folder, folder);
    EXPECT_EQ(state.ListSelection, "caf\uFFFD.jib");
    EXPECT_TRUE(state.PreviewShown);
    EXPECT_EQ(state.Preview.size(), QSize(40, 30));
    EXPECT_EQ(form->PreviewShown(), file);
    Close(form);
    EXPECT_EQ(IniReadString(TfrmJIBMain::SettingsFileName(), "General", "LastFolder", ""), folder);

    // The remembered folder opens again; a drop names the file by its escaped bytes.
    form = Open("");
    EXPECT_EQ(State(*form).Folder, folder);
    EXPECT_FALSE(State(*form).PreviewShown);
    QMimeData data;
    data.setData("text/uri-list", QByteArray::fromStdString(platform::shellns::UriListOf({file})));
    const QPoint at(form->width() - 20, form->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(form.get(), &drop);
    state = State(*form);
    EXPECT_TRUE(state.PreviewShown);
    EXPECT_EQ(state.ListSelection, "caf\uFFFD.jib");
    EXPECT_EQ(form->PreviewShown(), file);
    Close(form);
    EXPECT_TRUE(capture.Shown().empty());
}
