#include "util/plkFormUtils.h"

#include "gui/Application.h"
#include "util/plkFiles.h"
#include "util/plkIni.h"

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
        monitors.push_back({ToRect(screen->geometry()), ToRect(screen->availableGeometry()),
                            screen == primary});
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
    const QRect frame = form->frameGeometry();
    const QRect client = form->geometry();
    const QRect normal = form->normalGeometry().isValid() ? form->normalGeometry() : client;
    form->setWindowState(state & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    const int left = normal.x() - (client.x() - frame.x());
    const int top = normal.y() - (client.y() - frame.y());
    const int width = normal.width();
    const int height = normal.height();
    IniWriteInteger(file, section, "Top", top);
    IniWriteInteger(file, section, "Left", left);
    IniWriteInteger(file, section, "Right", left + width);
    IniWriteInteger(file, section, "Bottom", top + height);
}

void CenterFormOnWorkArea(QWidget* form) {
    const TRect workArea = GetDefaultWorkArea();
    const TRect bounds = FormBounds(form);
    const int left = workArea.Left + (workArea.Width() - bounds.Width()) / 2;
    const int top = workArea.Top + (workArea.Height() - bounds.Height()) / 2;
    SetFormTopLeft(form, left, top);
}
