#include "gui/SystemImageList.h"

#include "gui/StyleIconFiles.h"

#include <map>
#include <tuple>

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>

namespace {

constexpr const char* kGenericDocument = "text-x-generic";

// Names in the order they were first asked for; the index is the position.
std::vector<std::string>& Names() {
    static std::vector<std::string> names{kGenericDocument};
    return names;
}

// The style's own icon for a name the theme does not have.
QStyle::StandardPixmap StandardFor(const std::string& name) {
    static const std::map<std::string, QStyle::StandardPixmap> kStandard = {
        {"folder", QStyle::SP_DirIcon},
        {"folder-open", QStyle::SP_DirOpenIcon},
        {"folder-remote", QStyle::SP_DriveNetIcon},
        {"user-home", QStyle::SP_DirHomeIcon},
        {"user-desktop", QStyle::SP_DesktopIcon},
        {"computer", QStyle::SP_ComputerIcon},
        {"user-trash", QStyle::SP_TrashIcon},
        {"user-trash-full", QStyle::SP_TrashIcon},
        {"drive-harddisk", QStyle::SP_DriveHDIcon},
        {"drive-removable-media", QStyle::SP_DriveFDIcon},
        {"media-optical", QStyle::SP_DriveCDIcon},
    };
    if (const auto it = kStandard.find(name); it != kStandard.end())
        return it->second;
    if (name.rfind("folder", 0) == 0)
        return QStyle::SP_DirIcon;
    return QStyle::SP_FileIcon;
}

// The theme's icon for `name`, else for the generic icon of its family; null when the
// theme has neither.
QIcon ThemeIconFor(const std::string& name) {
    QIcon icon = QIcon::fromTheme(QString::fromStdString(name));
    if (!icon.isNull())
        return icon;
    // "folder-documents" -> "folder", "image-png" -> "image-x-generic": the theme's
    // generic icon of the family before the style's.
    const auto dash = name.find('-');
    if (dash != std::string::npos) {
        const std::string family = name.substr(0, dash);
        for (const std::string& fallback : {family + "-x-generic", family}) {
            icon = QIcon::fromTheme(QString::fromStdString(fallback));
            if (!icon.isNull())
                return icon;
        }
    }
    return {};
}

QIcon IconFor(const std::string& name) {
    QIcon icon = ThemeIconFor(name);
    if (!icon.isNull() || qApp == nullptr)
        return icon;
    return QApplication::style()->standardIcon(StandardFor(name));
}

// `IconFor(name).pixmap(size, size)`, without building the style's whole icon where one
// of its image files is all that size draws.
QPixmap IconPixmapFor(const std::string& name, int size) {
    if (const QIcon themed = ThemeIconFor(name); !themed.isNull())
        return themed.pixmap(size, size);
    if (qApp == nullptr)
        return {};
    if (QPixmap file = StyleIconFilePixmap(StandardFor(name), size); !file.isNull())
        return file;
    return QApplication::style()->standardIcon(StandardFor(name)).pixmap(size, size);
}

// A badge for systems whose theme has no emblems: a white square with a curved arrow
// (link) or with two linked dots (shared).
QPixmap DrawnOverlay(int overlay, int size) {
    const int badge = size / 2;
    QPixmap pixmap(badge, badge);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, badge - 1.0, badge - 1.0));
    const qreal m = badge / 4.0;
    if (overlay == TSystemImageList::kOverlayLink) {
        p.setPen(QPen(Qt::black, badge >= 12 ? 2 : 1));
        p.drawLine(QPointF(m, badge - m), QPointF(badge - m, m));
        p.drawLine(QPointF(badge - m, m), QPointF(badge / 2.0, m));
        p.drawLine(QPointF(badge - m, m), QPointF(badge - m, badge / 2.0));
    } else {
        p.setBrush(QColor(40, 90, 200));
        p.setPen(Qt::NoPen);
        const qreal r = badge / 6.0 + 0.5;
        p.drawEllipse(QPointF(m + 0.5, badge / 2.0), r, r);
        p.drawEllipse(QPointF(badge - m - 0.5, badge / 2.0), r, r);
        p.setPen(QPen(QColor(40, 90, 200), 1));
        p.drawLine(QPointF(m, badge / 2.0), QPointF(badge - m, badge / 2.0));
    }
    return pixmap;
}

} // namespace

int TSystemImageList::IndexOf(const std::string& iconName) {
    auto& names = Names();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == iconName)
            return static_cast<int>(i);
    }
    if (iconName.empty())
        return 0;
    names.push_back(iconName);
    return static_cast<int>(names.size() - 1);
}

int TSystemImageList::Count() const {
    return static_cast<int>(Names().size());
}

const QPixmap& TSystemImageList::Rendered(int index) const {
    const auto& names = Names();
    if (index < 0 || index >= static_cast<int>(names.size()))
        index = 0;
    if (FPixmaps.size() < names.size())
        FPixmaps.resize(names.size());
    QPixmap& pixmap = FPixmaps[static_cast<std::size_t>(index)];
    if (pixmap.isNull()) {
        pixmap = IconPixmapFor(names[static_cast<std::size_t>(index)], FSize);
        if (pixmap.isNull() || pixmap.width() != FSize) {
            QPixmap sized(FSize, FSize);
            sized.fill(Qt::transparent);
            if (!pixmap.isNull()) {
                QPainter p(&sized);
                p.drawPixmap(QRect(0, 0, FSize, FSize), pixmap);
            }
            pixmap = sized;
        }
    }
    return pixmap;
}

QPixmap TSystemImageList::OverlayImage(int overlay) const {
    if (overlay != kOverlayShared && overlay != kOverlayLink)
        return {};
    const QIcon emblem =
        QIcon::fromTheme(overlay == kOverlayShared ? "emblem-shared" : "emblem-symbolic-link");
    if (!emblem.isNull())
        return emblem.pixmap(FSize / 2, FSize / 2);
    return DrawnOverlay(overlay, FSize);
}

QPixmap TSystemImageList::Pixmap(int index, int overlay) const {
    QPixmap pixmap = Rendered(index);
    const QPixmap badge = OverlayImage(overlay);
    if (!badge.isNull()) {
        QPainter p(&pixmap);
        p.drawPixmap(0, FSize - badge.height(), badge);
    }
    return pixmap;
}

QPixmap SystemIconOfSize(int index, int size, int overlay) {
    // Few sizes are asked for (one per picture size), each for the few types a folder holds.
    static std::map<std::tuple<int, int, int>, QPixmap> rendered;
    const auto& names = Names();
    if (index < 0 || index >= static_cast<int>(names.size()))
        index = 0;
    QPixmap& pixmap = rendered[{index, size, overlay}];
    if (!pixmap.isNull())
        return pixmap;
    pixmap = QPixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const QIcon icon = IconFor(names[static_cast<std::size_t>(index)]);
    if (!icon.isNull())
        icon.paint(&p, QRect(0, 0, size, size));
    if (overlay == TSystemImageList::kOverlayShared || overlay == TSystemImageList::kOverlayLink) {
        const QIcon emblem = QIcon::fromTheme(
            overlay == TSystemImageList::kOverlayShared ? "emblem-shared" : "emblem-symbolic-link");
        const QPixmap badge =
            emblem.isNull() ? DrawnOverlay(overlay, size) : emblem.pixmap(size / 2, size / 2);
        p.drawPixmap(0, size - badge.height(), badge);
    }
    return pixmap;
}

TSystemImageList& SystemImageListOfSize(bool small) {
    static TSystemImageList smallList(TSystemImageList::kSmallSize);
    static TSystemImageList largeList(TSystemImageList::kLargeSize);
    return small ? smallList : largeList;
}
