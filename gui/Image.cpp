#include "gui/Image.h"

#include "gui/Application.h"
#include "gui/Canvas.h"
#include "gui/DibImage.h"
#include "platform/gdi/Bitmaps.h"

#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

TImage::TImage(QWidget* parent) : QWidget(parent), FPicture(std::make_unique<TPicture>()) {
    setObjectName("TImage");
    FPicture->OnChange = [this](TPicture*) {
        PictureChanged();
    };
}

TImage::~TImage() {
    FPicture->OnChange = nullptr;
}

void TImage::SetAutoSize(bool value) {
    FAutoSize = value;
    AdjustToPicture();
}

void TImage::SetStretch(bool value) {
    FStretch = value;
    update();
}

void TImage::SetProportional(bool value) {
    FProportional = value;
    update();
}

void TImage::SetCenter(bool value) {
    FCenter = value;
    update();
}

void TImage::PictureChanged() {
    FDrawFailed = false;
    FComposed = QImage();
    AdjustToPicture();
    update();
}

void TImage::AdjustToPicture() {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        resize(FPicture->Width(), FPicture->Height());
}

TRect TImage::DestRect() const {
    const int cw = width();
    const int ch = height();
    int w = FPicture->Width();
    int h = FPicture->Height();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            // Scale by the smaller of the two ratios, so the graphic fits both ways.
            if (static_cast<long long>(cw) * h < static_cast<long long>(ch) * w) {
                h = static_cast<int>(static_cast<long long>(h) * cw / w);
                w = cw;
            } else {
                w = static_cast<int>(static_cast<long long>(w) * ch / h);
                h = ch;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect rect = Bounds(0, 0, w, h);
    if (FCenter)
        rect = Bounds((cw - w) / 2, (ch - h) / 2, w, h);
    return rect;
}

QColor TImage::CoveredBackground() const {
    // The nearest widget below that paints a background is what shows around and through
    // the graphic.
    for (const QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(w->backgroundRole());
    return palette().color(QPalette::Window);
}

void TImage::paintEvent(QPaintEvent* event) {
    TGraphic* graphic = FPicture->Graphic();
    const QRect area = event->rect().intersected(rect());
    if (!graphic || graphic->Empty() || FDrawFailed || area.isEmpty())
        return;
    const QColor background = CoveredBackground();
    const TRect dest = DestRect();
    if (FComposed.isNull() || !FComposedArea.contains(area) ||
        FComposedBackground != background.rgb() || !(FComposedDest == dest)) {
        // What shows of the control is composed, not just the part to be painted now, so
        // the next partial repaint finds it ready; only that: a preview far larger than its
        // pane needs just the pane's worth of pixels.
        const QRect shown = area.united(visibleRegion().boundingRect()).intersected(rect());
        if (!Compose(shown, background, dest, *graphic))
            return;
    }
    QPainter painter(this);
    painter.drawImage(area.topLeft(), FComposed, area.translated(-FComposedArea.topLeft()));
}

bool TImage::Compose(const QRect& area, const QColor& background, const TRect& dest,
                     TGraphic& graphic) {
    FComposed = QImage();
    std::unique_ptr<gdi::TDibSection> surface =
        gdi::CreateCompatibleBitmap(nullptr, area.width(), area.height());
    if (!surface)
        return false;
    TCanvas canvas(surface.get());
    canvas.SetBrushColor(gdi::RGB(static_cast<std::uint8_t>(background.red()),
                                  static_cast<std::uint8_t>(background.green()),
                                  static_cast<std::uint8_t>(background.blue())));
    canvas.FillRect(Bounds(0, 0, area.width(), area.height()));
    try {
        canvas.StretchDraw(
            Bounds(dest.Left - area.left(), dest.Top - area.top(), dest.Width(), dest.Height()),
            graphic);
    } catch (...) {
        FDrawFailed = true;
        ReportDrawFailure(std::current_exception());
        return false;
    }
    FComposed = DibToQImage(*surface);
    FComposedArea = area;
    FComposedBackground = background.rgb();
    FComposedDest = dest;
    return !FComposed.isNull();
}

void TImage::ReportDrawFailure(std::exception_ptr failure) {
    // Reported once, after the paint: a modal report inside a paint event would run an
    // event loop in the middle of painting.
    QTimer::singleShot(0, this, [failure] {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            Application().HandleException(e);
        }
    });
}
