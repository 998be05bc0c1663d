// A container divided into two panes, upper-left and lower-right, by a bar the user
// drags. `Position` is the upper-left pane's width (side by side) or height (stacked).
#pragma once

#include <QWidget>

class TFbSplitter : public QWidget {
    Q_OBJECT
public:
    enum TOrientation { orHorizontal, orVertical }; // panes side by side / stacked

    TFbSplitter(TOrientation orientation, QWidget* parent = nullptr);

    TOrientation Orientation() const { return FOrientation; }
    int Position() const { return FPosition; }
    // Clamped to the room the splitter has: 0 to size - SplitterWidth.
    void SetPosition(int position);
    int Percent() const { return FPercent; }
    int SplitterWidth() const { return FSplitterWidth; }

    QWidget* UpperLeft() const { return FUpperLeft; }
    QWidget* LowerRight() const { return FLowerRight; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int Size() const;
    int Along(const QPoint& p) const;
    QRect BarRect() const;
    void LayoutPanes();

    TOrientation FOrientation;
    int FPosition = 100;
    int FPercent = 50;
    int FSplitterWidth = 4;
    QWidget* FUpperLeft;
    QWidget* FLowerRight;
    bool FDragging = false;
    int FDragStartPosition = 0;
    int FDragStartMouse = 0;
};
