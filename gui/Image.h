// The image control: shows a picture. It paints by drawing the picture's graphic into a
// raster canvas of its size (of the part shown), filled first with the background it
// covers, and handing the pixels to QPainter; so every graphic class draws here exactly as
// it draws anywhere. The composed pixels are kept until the picture, its place or the
// background changes: a repaint (a window moved over the preview, a splitter dragged)
// only hands them over again.
#pragma once

#include "gui/Picture.h"

#include <memory>

#include <QImage>
#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent = nullptr);
    ~TImage() override;

    TPicture& Picture() { return *FPicture; }
    const TPicture& Picture() const { return *FPicture; }
    void SetPicture(const TPicture& value) { FPicture->Assign(value); }

    // On: the control takes the picture's size whenever the picture changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // Stretch: the graphic fills the control; Proportional: it shrinks (and, with Stretch,
    // grows) to fit, keeping its aspect; Center: the rectangle sits in the middle.
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);

    // The rectangle of the control the graphic is drawn into.
    TRect DestRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PictureChanged();
    void AdjustToPicture();
    QColor CoveredBackground() const;
    // Draws the graphic over `background` into FComposed for `area`; false when it failed.
    bool Compose(const QRect& area, const QColor& background, const TRect& dest, TGraphic& graphic);
    void ReportDrawFailure(std::exception_ptr failure);

    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FCenter = false;
    // Set when the graphic failed to draw, until the picture changes: a graphic that can't
    // draw would fail again on every repaint, and each failure would be reported anew.
    bool FDrawFailed = false;
    // The graphic composed over its background for FComposedArea (control coordinates),
    // with the background and destination rectangle it was composed for; null when stale.
    QImage FComposed;
    QRect FComposedArea;
    QRgb FComposedBackground = 0;
    TRect FComposedDest;
};
