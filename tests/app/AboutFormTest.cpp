#include "app/JIBMainForm.h"
#include "app/JibAboutForm.h"
#include "gui/Application.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

int LiveAboutDialogs() {
    int count = 0;
    for (QWidget* w : QApplication::allWidgets())
        count += qobject_cast<TfrmJibAbout*>(w) != nullptr ? 1 : 0;
    return count;
}

// Runs `inspect` on the About dialog once its modal run has started.
void WhenAboutIsShown(std::function<void(TfrmJibAbout*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        auto* dialog = qobject_cast<TfrmJibAbout*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        inspect(dialog);
    });
}

} // namespace

TEST(AboutForm, ShowsTheLogoAndVersionAndIsReleasedAfterOK) {
    for (int run = 0; run < 2; ++run) {
        std::string version;
        QSize size;
        QSize logo;
        WhenAboutIsShown([&](TfrmJibAbout* dialog) {
            version = dialog->lblAppVersion->text().toStdString();
            size = dialog->size();
            logo = dialog->Image1->pixmap().size();
            EXPECT_EQ(dialog->windowTitle().toStdString(), "About");
            EXPECT_EQ(dialog->lblAppVersion->geometry(), QRect(184, 76, 273, 16));
            EXPECT_EQ(dialog->btnOK->text().toStdString(), "OK");
            EXPECT_EQ(dialog->btnOK->pos(), QPoint(505, 254));
            EXPECT_TRUE(dialog->btnOK->isDefault());
            dialog->btnOK->click();
        });
        ShowAboutBox();
        EXPECT_EQ(version, "Version 1");
        EXPECT_EQ(logo, QSize(600, 300));
        EXPECT_EQ(size, QSize(600, 300));
        // Released once the event that ended it has been handled.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(LiveAboutDialogs(), 0);
    }
}

TEST(AboutForm, TheTitleBarCloseEndsTheModalRunToo) {
    int result = -1;
    TfrmJibAbout dialog(nullptr);
    QTimer::singleShot(0, [&] { dialog.close(); });
    result = dialog.exec();
    EXPECT_EQ(result, QDialog::Rejected);
    QTimer::singleShot(0, [&] { dialog.btnOK->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

TEST(AboutForm, TheLogoCarriesAnAlphaChannel) {
    const QImage logo(":/jibview/logo.png");
    ASSERT_FALSE(logo.isNull());
    EXPECT_TRUE(logo.hasAlphaChannel());
    EXPECT_EQ(logo.pixelColor(0, 0).alpha(), 0); // the card's rounded corner
    EXPECT_EQ(logo.pixelColor(300, 150).alpha(), 255);
}

TEST(AboutForm, TheLogosRoundedCornersShowNoSquareAroundThem) {
    TfrmJibAbout dialog(nullptr);
    dialog.show();
    const QImage shown = dialog.grab().toImage();
    ASSERT_EQ(shown.size(), QSize(600, 300));
    // Each corner, where the card is transparent, against the card's edge in that row.
    for (const QPoint corner : {QPoint(0, 0), QPoint(599, 0), QPoint(0, 299), QPoint(599, 299)}) {
        const QColor at = shown.pixelColor(corner);
        const QColor card = shown.pixelColor(300, corner.y());
        EXPECT_LE(std::abs(at.red() - card.red()) + std::abs(at.green() - card.green()) +
                      std::abs(at.blue() - card.blue()),
                  6)
            << corner.x() << "," << corner.y() << ": " << at.name().toStdString() << " beside "
            << card.name().toStdString();
    }
}
