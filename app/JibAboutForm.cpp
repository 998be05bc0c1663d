#include "app/JibAboutForm.h"

#include "app/ProgramInfo.h"
#include "gui/Application.h"
#include "platform/StrFormat.h"

#include <algorithm>

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int kLogoWidth = 600;
constexpr int kLogoHeight = 300;

// The logo is a card with rounded corners, transparent outside them. Behind it the dialog
// continues each row of the card in that row's own colour, so the card fills the dialog
// with no square of another colour showing at its corners.
QPixmap Backdrop(const QImage& logo) {
    QImage backdrop(logo.size(), QImage::Format_RGB32);
    for (int y = 0; y < logo.height(); ++y) {
        QColor row = logo.pixelColor(logo.width() / 2, y);
        row.setAlpha(255);
        const QRgb value = row.rgb();
        auto* line = reinterpret_cast<QRgb*>(backdrop.scanLine(y));
        std::fill(line, line + logo.width(), value);
    }
    return QPixmap::fromImage(backdrop);
}

QFont TahomaPixels(int pixels, bool bold) {
    QFont font("Tahoma");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

TfrmJibAbout::TfrmJibAbout(QWidget* owner) : QDialog(owner) {
    setObjectName("frmJibAbout");
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFont(TahomaPixels(11, false));

    RegisterProgramResources();
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    const QPixmap logo(":/jibview/logo.png");
    Image1->setPixmap(logo);
    Image1->setGeometry(0, 0, logo.width(), logo.height());
    if (!logo.isNull()) {
        QPalette palette = this->palette();
        palette.setBrush(QPalette::Window, Backdrop(logo.toImage()));
        setPalette(palette);
        setAutoFillBackground(true);
    }

    lblAppVersion = new QLabel("Version 2.0", this);
    lblAppVersion->setObjectName("lblAppVersion");
    lblAppVersion->setGeometry(184, 76, 273, 16);
    lblAppVersion->setFont(TahomaPixels(13, true));
    lblAppVersion->setAttribute(Qt::WA_TranslucentBackground);
    lblAppVersion->setStyleSheet("color: black; background: transparent;");

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry(505, 254, 75, 25);
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    btnOK->setStyleSheet("QPushButton { background-color: #F4F4F0; border: 1px solid #6A8DF4; }"
                         "QPushButton:hover { background-color: #FFC73C; }"
                         "QPushButton:focus { border: 2px solid #6A8DF4; }");
    btnOK->setFocus();
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });

    // The dialog is exactly the logo's size; nothing in it may be resized.
    setFixedSize(logo.isNull() ? QSize(kLogoWidth, kLogoHeight) : logo.size());
    FormCreate();
}

void TfrmJibAbout::FormCreate() {
    lblAppVersion->setText(QString::fromStdString(Format("Version %s", "1")));
}

void TfrmJibAbout::btnOKClick() {
    done(QDialog::Accepted);
}

void ShowAboutBox() {
    auto* dialog = new TfrmJibAbout(Application().MainForm());
    dialog->exec();
    // Released after the event that ended the modal run has been handled, not from
    // inside it.
    dialog->deleteLater();
}
