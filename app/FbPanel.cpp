#include "app/FbPanel.h"

#include <QPainter>

TFbPanel::TFbPanel(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
}

void TFbPanel::SetCaption(const QString& caption) {
    if (caption == FCaption)
        return;
    FCaption = caption;
    update();
}

void TFbPanel::paintEvent(QPaintEvent*) {
    if (FCaption.isEmpty())
        return;
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, FCaption);
}

void TFbPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (OnResize)
        OnResize(this);
}
