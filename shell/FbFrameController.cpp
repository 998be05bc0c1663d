#include "shell/FbFrameController.h"

#include <QFrame>
#include <QPalette>
#include <QWidget>

namespace {

// The colours of a sunken edge on the desktop's default theme, and the selection blue for
// the focused view.
const QColor kDefaultFrame(0x7F, 0x9D, 0xB9);
const QColor kDefaultFocused(0x33, 0x66, 0xCC);
const QColor kDefaultDisabled(0xC0, 0xC0, 0xC0);

} // namespace

TFbFrameController::TFbFrameController(QObject* parent)
    : QObject(parent), FFrameColor(kDefaultFrame), FFocusedColor(kDefaultFocused),
      FDisabledColor(kDefaultDisabled) {
}

void TFbFrameController::Notify() {
    emit Changed();
}

void TFbFrameController::SetFramesVisible(bool value) {
    if (FFramesVisible != value) {
        FFramesVisible = value;
        Notify();
    }
}

void TFbFrameController::SetFrameColor(const QColor& value) {
    if (FFrameColor != value) {
        FFrameColor = value;
        Notify();
    }
}

void TFbFrameController::SetFocusedColor(const QColor& value) {
    if (FFocusedColor != value) {
        FFocusedColor = value;
        Notify();
    }
}

void TFbFrameController::SetDisabledColor(const QColor& value) {
    if (FDisabledColor != value) {
        FDisabledColor = value;
        Notify();
    }
}

void ApplyInactiveSelection(QWidget* view, bool hide) {
    QPalette palette = view->palette();
    const QPalette standard;
    const auto color = [&](QPalette::ColorRole role) {
        return standard.color(QPalette::Inactive, role);
    };
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     hide ? color(QPalette::Base) : color(QPalette::Button).darker(110));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     hide ? color(QPalette::Text) : color(QPalette::ButtonText));
    view->setPalette(palette);
}

TFbFrame::TFbFrame(QFrame* view) : FView(view) {
    Apply();
}

void TFbFrame::SetController(TFbFrameController* controller) {
    if (FController == controller)
        return;
    QObject::disconnect(FConnection);
    QObject::disconnect(FDestroyedConnection);
    FController = controller;
    if (FController != nullptr) {
        FConnection =
            QObject::connect(FController, &TFbFrameController::Changed, FView, [this] { Apply(); });
        // A controller destroyed before the view leaves the view with its own colours.
        FDestroyedConnection = QObject::connect(FController, &QObject::destroyed, FView, [this] {
            FController = nullptr;
            Apply();
        });
    }
    Apply();
}

void TFbFrame::SetFocusedColor(const QColor& value) {
    FFocusedColor = value;
    Apply();
}

void TFbFrame::SetDisabledColor(const QColor& value) {
    FDisabledColor = value;
    Apply();
}

bool TFbFrame::Visible() const {
    return FController == nullptr || FController->FramesVisible();
}

QColor TFbFrame::Color() const {
    if (!FView->isEnabled()) {
        if (FDisabledColor.isValid())
            return FDisabledColor;
        return FController != nullptr ? FController->DisabledColor() : kDefaultDisabled;
    }
    if (FView->hasFocus()) {
        if (FFocusedColor.isValid())
            return FFocusedColor;
        return FController != nullptr ? FController->FocusedColor() : kDefaultFocused;
    }
    return FController != nullptr ? FController->FrameColor()
                                  : FView->palette().color(QPalette::Mid);
}

void TFbFrame::Apply() {
    if (!Visible()) {
        FView->setFrameStyle(QFrame::NoFrame);
        return;
    }
    // A plain box is drawn in the window-text colour, which nothing else of an item view
    // uses: its items and header have colours of their own.
    FView->setFrameStyle(QFrame::Box | QFrame::Plain);
    FView->setLineWidth(1);
    QPalette palette = FView->palette();
    const QColor color = Color();
    if (palette.color(QPalette::WindowText) != color) {
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::WindowText, color);
        FView->setPalette(palette);
    }
}
