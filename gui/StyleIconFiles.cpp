#include "gui/StyleIconFiles.h"

#include <QApplication>
#include <QIcon>
#include <QImage>

namespace {

// One icon of Qt's common style as Qt 6 builds it when the icon theme has none for it:
// the theme names it asks for (none for some), the image files it adds
// ("<base>-<size>.png" among Qt's own resources) and their sizes. The tests hold every
// row against the style's own icon, so a Qt that builds one differently is noticed.
struct TStyleIconFiles {
    QStyle::StandardPixmap Icon;
    const char* ThemeNames[2]; // nullptr after the last
    const char* Base;
    int Sizes[3]; // ascending, 0 after the last
};

const TStyleIconFiles kStyleIconFiles[] = {
    {QStyle::SP_DirIcon, {"folder"}, "dirclosed", {16, 32, 128}},
    {QStyle::SP_DirHomeIcon, {"user-home"}, "dirclosed", {16, 32, 128}},
    {QStyle::SP_DirOpenIcon, {"folder-open", "folder"}, "diropen", {16}},
    {QStyle::SP_DriveNetIcon, {}, "networkdrive", {16}},
    {QStyle::SP_DesktopIcon, {"user-desktop"}, "desktop", {16}},
    {QStyle::SP_ComputerIcon, {"computer"}, "computer", {16}},
    {QStyle::SP_TrashIcon, {"user-trash"}, "trash", {16, 32, 128}},
    {QStyle::SP_DriveHDIcon, {"drive-harddisk"}, "harddrive", {16}},
    {QStyle::SP_DriveFDIcon, {"media-floppy"}, "floppy", {16}},
    {QStyle::SP_DriveCDIcon, {"media-optical"}, "cdr", {16, 32, 128}},
    {QStyle::SP_FileIcon, {"text-x-generic"}, "file", {16, 32, 128}},
};

const TStyleIconFiles* FilesOf(QStyle::StandardPixmap icon) {
    for (const TStyleIconFiles& files : kStyleIconFiles) {
        if (files.Icon == icon)
            return &files;
    }
    return nullptr;
}

// The size of the file an icon of these sizes draws at `size`: the same size, or the
// largest when more is asked for (an icon is never enlarged). 0 where the icon would
// scale a larger image down.
int FileSizeFor(const TStyleIconFiles& files, int size) {
    int largest = 0;
    for (const int s : files.Sizes) {
        if (s == 0)
            break;
        if (s == size)
            return s;
        largest = s;
    }
    return size > largest ? largest : 0;
}

// Fusion builds these icons in QCommonStyle without changing them; any other style, a
// style sheet over Fusion or a proxy may draw its own.
bool StyleTakesTheFiles() {
    const QStyle* style = QApplication::style();
    return style != nullptr && qstrcmp(style->metaObject()->className(), "QFusionStyle") == 0;
}

} // namespace

QPixmap StyleIconFilePixmap(QStyle::StandardPixmap icon, int size) {
    const TStyleIconFiles* files = FilesOf(icon);
    if (files == nullptr || !StyleTakesTheFiles() || qApp->devicePixelRatio() != 1.0)
        return {};
    // With a theme that has one of the style's names for it, the style takes the theme's.
    for (const char* name : files->ThemeNames) {
        if (name != nullptr && QIcon::hasThemeIcon(QLatin1StringView(name)))
            return {};
    }
    const int fileSize = FileSizeFor(*files, size);
    if (fileSize == 0)
        return {};
    const QImage image(QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png")
                           .arg(QLatin1StringView(files->Base))
                           .arg(fileSize));
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}
