#include "gui/StyleIconFiles.h"

#include "tests/common/TempDir.h"

#include <QApplication>
#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

namespace {

const QStyle::StandardPixmap kIcons[] = {
    QStyle::SP_DirIcon,      QStyle::SP_DirHomeIcon, QStyle::SP_DirOpenIcon,
    QStyle::SP_DriveNetIcon, QStyle::SP_DesktopIcon, QStyle::SP_ComputerIcon,
    QStyle::SP_TrashIcon,    QStyle::SP_DriveHDIcon, QStyle::SP_DriveFDIcon,
    QStyle::SP_DriveCDIcon,  QStyle::SP_FileIcon,
};

QImage Pixels(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage StylePixels(QStyle::StandardPixmap icon, int size) {
    return Pixels(QApplication::style()->standardIcon(icon).pixmap(size, size));
}

// An icon theme of its own for the test, with a red square under each name given (or
// none), made the current theme for as long as it lives.
class ScopedIconTheme {
public:
    explicit ScopedIconTheme(const std::vector<std::string>& names)
        : FSearchPaths(QIcon::themeSearchPaths()), FName(QIcon::themeName()) {
        FDir.Write("test/index.theme", "[Icon Theme]\nName=test\nDirectories=16x16/places\n"
                                       "[16x16/places]\nSize=16\nType=Fixed\n");
        QImage red(16, 16, QImage::Format_ARGB32);
        red.fill(Qt::red);
        FDir.MakeDir("test/16x16/places");
        for (const std::string& name : names)
            red.save(QString::fromStdString(FDir.File("test/16x16/places/" + name + ".png")));
        QIcon::setThemeSearchPaths({QString::fromStdString(FDir.Path())});
        QIcon::setThemeName(names.empty() ? QString() : QStringLiteral("test"));
    }
    ~ScopedIconTheme() {
        QIcon::setThemeSearchPaths(FSearchPaths);
        QIcon::setThemeName(FName);
    }

private:
    TempDir FDir;
    QStringList FSearchPaths;
    QString FName;
};

} // namespace

// Read from one file, each icon is pixel for pixel what the style's whole icon gives at
// that size (the sizes it holds, and larger ones, which it never enlarges); for a size
// it would scale down to, the style is asked.
TEST(StyleIconFiles, EachIconIsTheStylesOwnAtTheSizesItIsReadFor) {
    for (const bool withEmptyTheme : {false, true}) {
        // No theme at all, or one without any of these icons (as plain X11 has "hicolor").
        const ScopedIconTheme theme(withEmptyTheme ? std::vector<std::string>{"unrelated"}
                                                   : std::vector<std::string>{});
        for (const QStyle::StandardPixmap icon : kIcons) {
            for (const int size : {16, 32, 128}) {
                const QPixmap file = StyleIconFilePixmap(icon, size);
                ASSERT_FALSE(file.isNull()) << "icon " << icon << " at " << size;
                EXPECT_EQ(Pixels(file), StylePixels(icon, size))
                    << "icon " << icon << " at " << size;
            }
            EXPECT_TRUE(StyleIconFilePixmap(icon, 24).isNull() ||
                        Pixels(StyleIconFilePixmap(icon, 24)) == StylePixels(icon, 24))
                << "icon " << icon;
        }
    }
    EXPECT_TRUE(StyleIconFilePixmap(QStyle::SP_DirIcon, 24).isNull())
        << "a 32 px image scaled down is the style's to draw";
    EXPECT_TRUE(StyleIconFilePixmap(QStyle::SP_MessageBoxWarning, 16).isNull());
}

// A theme with an icon under a name the style asks for gives the style's icon its
// picture: that icon is then the style's to make, the others are still read from files.
TEST(StyleIconFiles, AThemeIconTheStyleWouldTakeIsLeftToTheStyle) {
    const ScopedIconTheme theme({"folder", "text-x-generic"});
    for (const QStyle::StandardPixmap icon :
         {QStyle::SP_DirIcon, QStyle::SP_DirOpenIcon, QStyle::SP_FileIcon})
        EXPECT_TRUE(StyleIconFilePixmap(icon, 16).isNull()) << "icon " << icon;
    const QPixmap trash = StyleIconFilePixmap(QStyle::SP_TrashIcon, 16);
    ASSERT_FALSE(trash.isNull());
    EXPECT_EQ(Pixels(trash), StylePixels(QStyle::SP_TrashIcon, 16));
    EXPECT_EQ(StylePixels(QStyle::SP_FileIcon, 16).pixel(8, 8), QColor(Qt::red).rgba());
}
