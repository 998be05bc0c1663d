// Copy, cut and paste of files through the desktop's clipboard: what the viewer offers
// other programs, byte for byte, and what it takes from theirs.
#include "gui/FileClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

namespace sh = platform::shellns;

namespace {

std::string Format(const char* mimeType) {
    return QGuiApplication::clipboard()->mimeData()->data(mimeType).toStdString();
}

} // namespace

TEST(FileClipboard, CopyAndCutOfferEveryFormatFileManagersRead) {
    // A Latin-1 name is not UTF-8: only percent-encoding keeps its byte.
    sh::PutOnFileClipboard({{"/tmp/caf\xE9.jib", "/tmp/a b/"}, false});
    EXPECT_EQ(Format("text/uri-list"), "file:///tmp/caf%E9.jib\r\nfile:///tmp/a%20b/\r\n");
    EXPECT_EQ(Format("x-special/gnome-copied-files"),
              "copy\nfile:///tmp/caf%E9.jib\nfile:///tmp/a%20b/");
    EXPECT_EQ(Format("application/x-kde-cutselection"), "0");
    EXPECT_EQ(sh::FileClipboardNow().paths,
              (std::vector<std::string>{"/tmp/caf\xE9.jib", "/tmp/a b/"}));
    EXPECT_FALSE(sh::FileClipboardNow().cut);

    sh::PutOnFileClipboard({{"/tmp/x.jib"}, true});
    EXPECT_EQ(Format("x-special/gnome-copied-files"), "cut\nfile:///tmp/x.jib");
    EXPECT_EQ(Format("application/x-kde-cutselection"), "1");
    EXPECT_TRUE(sh::FileClipboardNow().cut);

    // A paste of cut files empties the clipboard: they moved.
    sh::PutOnFileClipboard({});
    EXPECT_TRUE(sh::FileClipboardNow().paths.empty());
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat("text/uri-list"));
}

TEST(FileClipboard, PasteTakesWhatOtherProgramsPutThere) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> formats;
        std::vector<std::string> paths;
        bool cut;
    };
    const Case cases[] = {
        {"GNOME cut",
         {{"x-special/gnome-copied-files", "cut\nfile:///home/a%20b.jib"}},
         {"/home/a b.jib"},
         true},
        {"GNOME copy wins over a uri-list",
         {{"x-special/gnome-copied-files", "copy\nfile:///one"},
          {"text/uri-list", "file:///two\r\n"}},
         {"/one"},
         false},
        {"KDE cut",
         {{"text/uri-list", "file:///k.jib\r\n"}, {"application/x-kde-cutselection", "1"}},
         {"/k.jib"},
         true},
        {"a plain uri-list copies",
         {{"text/uri-list", "# comment\r\nfile:///u\r\n"}},
         {"/u"},
         false},
        {"an unknown GNOME verb falls back to the uri-list",
         {{"x-special/gnome-copied-files", "link\nfile:///g"}, {"text/uri-list", "file:///u\r\n"}},
         {"/u"},
         false},
        {"remote files are not ours to paste", {{"text/uri-list", "sftp://host/x\r\n"}}, {}, false},
        {"text is not files", {{"text/plain", "/etc/passwd"}}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* data = new QMimeData;
        for (const auto& [format, bytes] : c.formats)
            data->setData(format, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
        const sh::FileClipboardContent content = sh::FileClipboardNow();
        EXPECT_EQ(content.paths, c.paths);
        EXPECT_EQ(content.cut, c.cut);
    }
}
