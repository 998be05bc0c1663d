#include "app/ProgramInfo.h"

#include <memory>

#include <QGuiApplication>
#include <QIcon>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>

const char* const kDesktopId = JIB_APP_ID;
const char* const kProgramVersion = JIB_VERSION;

namespace {

// The sizes the hicolor theme is given (packaging/icons), each compiled in.
constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// The program icon, its PNGs decoded only once a pixmap is first asked for. Qt decodes
// every file added to an icon at once, seven images of up to 256 x 256 pixels, while the
// window icon is needed only where the platform shows one: on X11 as the window is
// mapped, on Wayland and off screen (the desktop entry's icon) never. Until then it says
// which sizes it has; after, it draws through the decoded icon as that icon would itself.
class TProgramIconEngine : public QIconEngine {
public:
    TProgramIconEngine() : FDecoded(std::make_shared<QIcon>()) {}

    QIconEngine* clone() const override { return new TProgramIconEngine(*this); }
    QString key() const override { return QStringLiteral("TProgramIconEngine"); }
    bool isNull() override { return false; }

    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        QList<QSize> sizes;
        if (mode == QIcon::Normal && state == QIcon::Off) {
            for (const int size : kIconSizes)
                sizes.append(QSize(size, size));
        }
        return sizes;
    }

    // At a device pixel ratio of 1 QIcon hands the size to its engine unchanged.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Decoded().pixmap(size, 1.0, mode, state);
    }
    // A pixmap icon's pixmap has its actual size for the size asked.
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return pixmap(size, mode, state).size();
    }
    // As a pixmap icon paints: its pixmap for the rectangle in device pixels.
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
    }

private:
    const QIcon& Decoded() {
        if (FDecoded->isNull()) {
            RegisterProgramResources();
            for (const int size : kIconSizes)
                FDecoded->addFile(QString(":/jibview/icons/%1.png").arg(size), QSize(size, size));
        }
        return *FDecoded;
    }

    // Shared by the copies QIcon makes, so the files are decoded once.
    std::shared_ptr<QIcon> FDecoded;
};

} // namespace

// Q_INIT_RESOURCE names a function of the global namespace, so it cannot be called from
// inside one.
static void InitResources() {
    Q_INIT_RESOURCE(jibview);
}

void RegisterProgramResources() {
    static const bool registered = [] {
        InitResources();
        return true;
    }();
    (void)registered;
}

QIcon ProgramIcon() {
    return QIcon(new TProgramIconEngine);
}

void ApplyProgramIdentity() {
    QCoreApplication::setApplicationName(kProgramCommand);
    QCoreApplication::setApplicationVersion(kProgramVersion);
    QGuiApplication::setDesktopFileName(kDesktopId);
    QGuiApplication::setWindowIcon(ProgramIcon());
}
