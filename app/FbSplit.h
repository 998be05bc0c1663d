// A container divided into two panes, upper-left and lower-right, by a bar the user
// drags. `Position` is the upper-left pane's width (side by side) or height (stacked).
//
// The splitter remembers the position the user last chose (the preferred position):
// shrinking the splitter may push the bar toward the upper-left edge, and growing it again
// brings the bar back to that position, never beyond it.
#pragma once

#include <cstdint>
#include <functional>

#include <QColor>
#include <QWidget>

class TFbSplitter;
class TFbSplitterOutline;

// One of the two panes: a plain container for the controls placed in it. Showing or
// hiding it lays the splitter out again (one visible pane fills the whole splitter).
class TFbSplitterPane : public QWidget {
    Q_OBJECT
public:
    explicit TFbSplitterPane(TFbSplitter* splitter);

protected:
    bool event(QEvent* event) override;

private:
    friend class TFbSplitter;
    TFbSplitter* FSplitter;
};

class TFbSplitter : public QWidget {
    Q_OBJECT
public:
    enum TOrientation { orHorizontal, orVertical }; // panes side by side / stacked
    enum TFixedPane { fpUpperLeft, fpLowerRight };
    // Only the standard style is drawn: the bar is the background showing between panes.
    enum TSplitterStyle { ssStandard, ssGroove, ssBump, ssGroupBar };

    explicit TFbSplitter(TOrientation orientation = orHorizontal, QWidget* parent = nullptr);
    ~TFbSplitter() override;

    // While a window builds its splitters, properties are only stored; Loaded() then makes
    // the position the preferred one and lays the panes out.
    void BeginLoading();
    void Loaded();
    bool Loading() const { return FLoading; }

    TOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TOrientation orientation);

    int Position() const { return FPosition; }
    // Moves the bar; the preferred position stays as it is.
    void SetPosition(int position);
    // Moves the bar and makes the requested position the preferred one, so a later resize
    // that leaves room brings the bar back to it.
    void SetPositionPreferred(int position);
    int PreferredPosition() const { return FPreferredPosition; }

    int Percent() const { return FPercent; }
    // After loading this switches the splitter to percentage-driven layout.
    void SetPercent(int percent);
    bool UsePercent() const { return FUsePercent; }
    void SetUsePercent(bool usePercent) { FUsePercent = usePercent; }
    int PercentMin() const { return FPercentMin; }
    void SetPercentMin(int percent) { FPercentMin = percent; }
    int PercentMax() const { return FPercentMax; }
    void SetPercentMax(int percent) { FPercentMax = percent; }

    // What the lower-right pane keeps when a resize (or a remembered position set with
    // SetPositionPreferred) would push the bar further: this much, or half the room when
    // the splitter is smaller. Dragging the bar is not limited by it. 0 (the default) keeps
    // no room.
    int MinPaneSize() const { return FMinPaneSize; }
    void SetMinPaneSize(int size);

    int MarginMin() const { return FMarginMin; }
    void SetMarginMin(int margin);
    int MarginMax() const { return FMarginMax; }
    void SetMarginMax(int margin);

    TFixedPane FixedPane() const { return FFixedPane; }
    void SetFixedPane(TFixedPane pane);

    int SplitterWidth() const { return FSplitterWidth; }
    void SetSplitterWidth(std::uint16_t width);

    TSplitterStyle SplitterStyle() const { return FSplitterStyle; }
    void SetSplitterStyle(TSplitterStyle style) { FSplitterStyle = style; }
    bool UseGradients() const { return FUseGradients; }
    void SetUseGradients(bool use) { FUseGradients = use; }
    int GradientColorAdjustment() const { return FGradientColorAdjustment; }
    void SetGradientColorAdjustment(int adjustment) { FGradientColorAdjustment = adjustment; }
    bool HotSpotVisible() const { return FHotSpotVisible; }
    void SetHotSpotVisible(bool visible) { FHotSpotVisible = visible; }

    bool RealTimeDrag() const { return FRealTimeDrag; }
    void SetRealTimeDrag(bool realTime) { FRealTimeDrag = realTime; }
    bool LockBar() const { return FLockBar; }
    void SetLockBar(bool lock);

    // Background, and so the colour of the bar between the panes.
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);

    TFbSplitterPane* UpperLeft() const { return FUpperLeft; }
    TFbSplitterPane* LowerRight() const { return FLowerRight; }

    // The strip between the panes in client coordinates; empty while a pane is hidden.
    QRect BarRect() const;
    bool Dragging() const { return FDragging; }
    // The outline an unfinished drag shows (null outside outline drags).
    const QWidget* Outline() const;

    std::function<void(TFbSplitter* sender, int newPosition, bool& allow)> OnChanging;
    std::function<void(TFbSplitter* sender)> OnChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TFbSplitterPane;

    int Size() const;
    int Along(const QPoint& p) const;
    bool BothPanesVisible() const;
    int ClampPosition(int position) const;
    // `position`, lowered so the lower-right pane keeps its room (MinPaneSize).
    int KeepPaneRoom(int position) const;
    bool ApplyPosition(int position);
    bool AllowChange(int position);
    void LayoutPanes();
    void UpdateBarCursor();
    void GiveBarCursor();
    // Re-fits the position to the current size and margins: the resize rule.
    void Refit();
    void RefitIfLoaded();
    int SpanForPercent() const;
    int PositionForPercent(int percent) const;

    void BeginDrag(int mouseAlong);
    void DragTo(int mouseAlong);
    void EndDrag();
    void CancelDrag();
    void ShowOutlineAt(int position);
    void HideOutline();
    QRect BarRectAt(int position) const;

    TOrientation FOrientation;
    int FPosition = 100;
    int FPreferredPosition = 100;
    int FPercent = 50;
    bool FUsePercent = false;
    int FPercentMin = 0;
    int FPercentMax = 100;
    int FMinPaneSize = 0;
    int FMarginMin = 0;
    int FMarginMax = 0;
    TFixedPane FFixedPane = fpUpperLeft;
    int FFixedSize = 100; // the fixed pane's size at the last position change
    int FSplitterWidth = 4;
    TSplitterStyle FSplitterStyle = ssStandard;
    bool FUseGradients = true;
    int FGradientColorAdjustment = 30;
    bool FHotSpotVisible = false;
    bool FRealTimeDrag = false;
    bool FLockBar = false;
    QColor FColor;
    bool FLoading = false;
    bool FResizing = false;

    TFbSplitterPane* FUpperLeft;
    TFbSplitterPane* FLowerRight;
    QWidget* FBar;
    TFbSplitterOutline* FOutline = nullptr;

    bool FDragging = false;
    int FDragStartPosition = 0;
    int FDragStartMouse = 0;
    int FLastDragPosition = 0;
};
