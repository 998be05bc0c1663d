// The outline a splitter shows while the user drags its bar without live update. Drawing
// straight onto the screen is not possible on Linux desktops, so the outline is a child
// widget laid over the panes; it inverts every other pixel of what lies beneath (a
// checkerboard), which stays visible over any content, and "erasing" it is hiding it.
#pragma once

#include <QWidget>

class TFbSplitterOutline : public QWidget {
    Q_OBJECT
public:
    explicit TFbSplitterOutline(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};
