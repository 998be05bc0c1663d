// The framed look shared by the browser's views: one controller holds the frame's
// colours and whether frames show, and every view attached to it follows its changes, so
// a window's tree and list always look alike.
#pragma once

#include <QColor>
#include <QObject>

class QFrame;
class QWidget;

class TFbFrameController : public QObject {
    Q_OBJECT
public:
    explicit TFbFrameController(QObject* parent = nullptr);

    bool FramesVisible() const { return FFramesVisible; }
    void SetFramesVisible(bool value);
    // The frame of a view that neither has the focus nor is disabled.
    QColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(const QColor& value);
    QColor FocusedColor() const { return FFocusedColor; }
    void SetFocusedColor(const QColor& value);
    QColor DisabledColor() const { return FDisabledColor; }
    void SetDisabledColor(const QColor& value);

signals:
    void Changed();

private:
    void Notify();

    bool FFramesVisible = true;
    QColor FFrameColor;
    QColor FFocusedColor;
    QColor FDisabledColor;
};

// The highlight of a view's selection while another control has the focus: none when
// `hide`, else a muted one, so the selection stays visible.
void ApplyInactiveSelection(QWidget* view, bool hide);

// The frame of one view: a one-pixel line in its own colours, or those of the controller
// it is attached to. The view's own frame draws it; this keeps its style and colour in
// step with the view's state (call Apply when focus or enabled state change).
class TFbFrame {
public:
    explicit TFbFrame(QFrame* view);

    TFbFrameController* Controller() const { return FController; }
    // Attaches to `controller` (none: the view's own colours); the view repaints with it.
    void SetController(TFbFrameController* controller);
    void SetFocusedColor(const QColor& value);
    void SetDisabledColor(const QColor& value);

    bool Visible() const;
    // The colour for the view's state now: disabled, focused or plain.
    QColor Color() const;
    void Apply();

private:
    QFrame* FView;
    TFbFrameController* FController = nullptr;
    QMetaObject::Connection FConnection;
    QMetaObject::Connection FDestroyedConnection;
    QColor FFocusedColor;
    QColor FDisabledColor;
};
