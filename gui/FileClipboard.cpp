#include "gui/FileClipboard.h"

#include "platform/shellns/FileUri.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace sh = platform::shellns;

namespace {

constexpr const char* kGnomeCopiedFiles = "x-special/gnome-copied-files";
constexpr const char* kKdeCutSelection = "application/x-kde-cutselection";

// GNOME's format: the verb on the first line, then one URI a line.
QByteArray GnomeCopiedFiles(const sh::FileClipboardContent& content) {
    QByteArray text = content.cut ? "cut" : "copy";
    for (const std::string& path : content.paths) {
        text += '\n';
        text += QByteArray::fromStdString(sh::FileUriOf(path));
    }
    return text;
}

} // namespace

void FileClipboardToMimeData(const sh::FileClipboardContent& content, QMimeData& data) {
    data.setData(sh::kUriListMimeType, QByteArray::fromStdString(sh::UriListOf(content.paths)));
    data.setData(kGnomeCopiedFiles, GnomeCopiedFiles(content));
    data.setData(kKdeCutSelection, content.cut ? "1" : "0");
    // Plain text is for people, who read names as UTF-8; the lists above keep the bytes.
    QString text;
    for (const std::string& path : content.paths) {
        if (!text.isEmpty())
            text += '\n';
        text += QString::fromUtf8(path);
    }
    data.setText(text);
}

sh::FileClipboardContent FileClipboardFromMimeData(const QMimeData& data) {
    sh::FileClipboardContent content;
    if (data.hasFormat(kGnomeCopiedFiles)) {
        const QByteArray text = data.data(kGnomeCopiedFiles);
        const qsizetype firstLineEnd = text.indexOf('\n');
        const QByteArray verb = text.left(firstLineEnd < 0 ? text.size() : firstLineEnd);
        if (verb == "copy" || verb == "cut") {
            content.cut = verb == "cut";
            // The URIs are one a line, as in a uri-list without the comment lines.
            if (firstLineEnd >= 0)
                content.paths = sh::LocalPathsOfUriList(text.mid(firstLineEnd + 1).toStdString());
            return content;
        }
    }
    if (data.hasFormat(sh::kUriListMimeType)) {
        content.paths = sh::LocalPathsOfUriList(data.data(sh::kUriListMimeType).toStdString());
        content.cut = data.data(kKdeCutSelection).startsWith('1');
    }
    return content;
}

void InstallDesktopFileClipboard() {
    sh::SetFileClipboard({
        [](const sh::FileClipboardContent& content) {
            // An empty content is what a paste of cut files leaves: the files moved, so
            // the clipboard must not offer them again.
            auto* data = new QMimeData;
            if (!content.paths.empty())
                FileClipboardToMimeData(content, *data);
            QGuiApplication::clipboard()->setMimeData(data);
        },
        [] {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            return data != nullptr ? FileClipboardFromMimeData(*data) : sh::FileClipboardContent{};
        },
    });
}
