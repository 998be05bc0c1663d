#include "util/plkFormUtils.h"

#include "gui/Application.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

#include <optional>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace {

TRect ToRect(const QRect& r) {
    return Bounds(r.x(), r.y(), r.width(), r.height());
}

std::vector<TMonitor> QtMonitors() {
    std::vector<TMonitor> monitors;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens())
        monitors.push_back(
            {ToRect(screen->geometry()), ToRect(screen->availableGeometry()), screen == primary});
    return monitors;
}

TMonitorSource& MonitorSource() {
    static TMonitorSource source = QtMonitors;
    return source;
}

const TMonitor* MonitorAt(const std::vector<TMonitor>& monitors, TPoint p) {
    for (const auto& m : monitors) {
        if (m.Bounds.Contains(p))
            return &m;
    }
    return nullptr;
}

const TMonitor* PrimaryMonitor(const std::vector<TMonitor>& monitors) {
    for (const auto& m : monitors) {
        if (m.Primary)
            return &m;
    }
    return monitors.empty() ? nullptr : &monitors.front();
}

TRect WorkAreaOf(const TMonitor* monitor) {
    return monitor != nullptr ? monitor->WorkArea : TRect{};
}

// A window's bounds as the store keeps them: the top-left of its frame (where move()
// puts it) and its size without the window manager's decoration. The decoration's size is
// not known before the window is mapped, so a stored outer size could not be restored
// exactly: the window would grow by its frame at every run.
TRect FormBounds(const QWidget* form) {
    return Bounds(form->x(), form->y(), form->width(), form->height());
}

void SetFormTopLeft(QWidget* form, int left, int top) {
    form->move(left, top);
}

void SetFormHeight(QWidget* form, int height) {
    form->resize(form->width(), height);
}

void SetFormWidth(QWidget* form, int width) {
    form->resize(width, form->height());
}

std::string SectionFor(const std::string& name) {
    return name + "Position";
}

// Where the window manager puts the client area within the frame while the window is in
// the normal state. A maximised window's frame is another (most window managers drop its
// border), so bounds saved from it with its own offset would move the window by the
// border's width at every run.
class TNormalFrameTracker : public QObject {
public:
    explicit TNormalFrameTracker(QWidget* form) : QObject(form), FForm(form) {
        setObjectName(kName);
        form->installEventFilter(this);
        Record();
    }
    static constexpr const char* kName = "plkNormalFrameTracker";

    // The client area's offset in the frame, as last seen in the normal state.
    std::optional<QPoint> Offset() const { return FOffset; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == FForm) {
            switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
                Record();
                break;
            default:
                break;
            }
        }
        return false;
    }

private:
    void Record() {
        const Qt::WindowStates special =
            Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;
        if (!FForm->isVisible() || (FForm->windowState() & special) != 0)
            return;
        // Checked against the normal geometry too: the state may change a moment after the
        // window manager has already moved the window for it.
        if (FForm->normalGeometry().isValid() && FForm->geometry() != FForm->normalGeometry())
            return;
        FOffset = FForm->geometry().topLeft() - FForm->frameGeometry().topLeft();
    }

    QWidget* FForm;
    std::optional<QPoint> FOffset;
};

TNormalFrameTracker* TrackNormalFrame(QWidget* form) {
    if (auto* tracker = form->findChild<TNormalFrameTracker*>(TNormalFrameTracker::kName,
                                                              Qt::FindDirectChildrenOnly))
        return tracker;
    return new TNormalFrameTracker(form);
}

} // namespace

std::string& FormInfoFileName() {
    static std::string fileName = GetExeFolder() + "forminfo.ini";
    return fileName;
}

TMonitorSource SetMonitorSource(TMonitorSource source) {
    TMonitorSource previous = std::move(MonitorSource());
    MonitorSource() = source ? std::move(source) : TMonitorSource(QtMonitors);
    return previous;
}

void FitRectToWorkArea(const TRect& workArea, TRect& rect) {
    const int width = rect.Width();
    const int height = rect.Height();
    if (workArea.Right - width < rect.Left)
        rect.Left = workArea.Right - width;
    if (workArea.Bottom - height < rect.Top)
        rect.Top = workArea.Bottom - height;
    if (rect.Left < workArea.Left)
        rect.Left = workArea.Left;
    if (rect.Top < workArea.Top)
        rect.Top = workArea.Top;
    rect.Right = rect.Left + width;
    rect.Bottom = rect.Top + height;
}

TRect GetDefaultWorkArea() {
    const auto monitors = MonitorSource()();
    if (const QWidget* main = Application().MainForm()) {
        const TRect bounds = FormBounds(main);
        const TPoint centre{bounds.Left + bounds.Width() / 2, bounds.Top + bounds.Height() / 2};
        if (const TMonitor* m = MonitorAt(monitors, centre))
            return m->WorkArea;
        return WorkAreaOf(PrimaryMonitor(monitors));
    }
    if (const TMonitor* m = MonitorAt(monitors, TPoint{1, 1}))
        return m->WorkArea;
    return WorkAreaOf(PrimaryMonitor(monitors));
}

bool RestoreFormPosition(QWidget* form, bool ignoreState, bool ignoreSize) {
    return RestoreFormPositionEx(form, form->objectName().toStdString(), ignoreState, ignoreSize,
                                 false);
}

bool RestoreFormPositionEx(QWidget* form, const std::string& name, bool ignoreState,
                           bool ignoreSize, bool noClamp) {
    const std::string& file = FormInfoFileName();
    const std::string section = SectionFor(name);
    TRect rect;
    rect.Left = IniReadInteger(file, section, "Left", -1);
    if (rect.Left == -1)
        return false;
    rect.Top = IniReadInteger(file, section, "Top", -1);
    rect.Right = IniReadInteger(file, section, "Right", -1);
    rect.Bottom = IniReadInteger(file, section, "Bottom", -1);

    if (!noClamp) {
        TRect workArea;
        const QWidget* main = Application().MainForm();
        if (main != nullptr && main->objectName() == form->objectName()) {
            const auto monitors = MonitorSource()();
            const TMonitor* m = MonitorAt(monitors, TPoint{rect.Left, rect.Top});
            workArea = m != nullptr ? m->WorkArea : GetDefaultWorkArea();
        } else {
            workArea = GetDefaultWorkArea();
        }
        FitRectToWorkArea(workArea, rect);
    }

    TrackNormalFrame(form);
    SetFormTopLeft(form, rect.Left, rect.Top);
    if (!ignoreSize) {
        // A stored size this small is a collapsed or broken window, not one to restore.
        if (rect.Height() > 10)
            SetFormHeight(form, rect.Height());
        if (rect.Width() > 10)
            SetFormWidth(form, rect.Width());
    }
    if (ignoreState)
        return true;

    switch (IniReadInteger(file, section, "State", 0)) {
    case 0:
        form->setWindowState(form->windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
        break;
    case 1:
        form->setWindowState((form->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        break;
    case 2:
        form->setWindowState(form->windowState() | Qt::WindowMinimized);
        break;
    default:
        break;
    }
    return true;
}

void SaveFormPosition(QWidget* form) {
    SaveFormPositionEx(form, form->objectName().toStdString());
}

void SaveFormPositionEx(QWidget* form, const std::string& name) {
    const std::string& file = FormInfoFileName();
    const std::string section = SectionFor(name);
    const Qt::WindowStates state = form->windowState();
    const int stored = state.testFlag(Qt::WindowMaximized)   ? 1
                       : state.testFlag(Qt::WindowMinimized) ? 2
                                                             : 0;
    IniWriteInteger(file, section, "State", stored);

    // The window manager answers a state change asynchronously, so the geometry read right
    // after returning to the normal state may still be the maximised one; the normal
    // geometry Qt keeps while the window is maximised is reliable.
    const QRect client = form->geometry();
    const QRect normal = form->normalGeometry().isValid() ? form->normalGeometry() : client;
    const QPoint offset = TrackNormalFrame(form)->Offset().value_or(
        client.topLeft() - form->frameGeometry().topLeft());
    form->setWindowState(state & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    const int left = normal.x() - offset.x();
    const int top = normal.y() - offset.y();
    const int width = normal.width();
    const int height = normal.height();
    IniWriteInteger(file, section, "Top", top);
    IniWriteInteger(file, section, "Left", left);
    IniWriteInteger(file, section, "Right", left + width);
    IniWriteInteger(file, section, "Bottom", top + height);
}

void CenterFormOnWorkArea(QWidget* form) {
    TrackNormalFrame(form);
    const TRect workArea = GetDefaultWorkArea();
    const TRect bounds = FormBounds(form);
    const int left = workArea.Left + (workArea.Width() - bounds.Width()) / 2;
    const int top = workArea.Top + (workArea.Height() - bounds.Height()) / 2;
    SetFormTopLeft(form, left, top);
}
