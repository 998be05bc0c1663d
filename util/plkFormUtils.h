// The window placement store: a window's normal-state bounds and whether it was maximised
// or minimised, kept in an INI file between runs and restored fitted into a monitor's work
// area.
#pragma once

#include "platform/Geometry.h"

#include <functional>
#include <string>
#include <vector>

class QWidget;

// The INI file the store reads and writes; the executable's folder + "forminfo.ini" until
// the program points it elsewhere.
std::string& FormInfoFileName();

// A monitor as the placement store sees it: its whole area and its work area (the area
// less panels and docks), in global screen pixels.
struct TMonitor {
    TRect Bounds;
    TRect WorkArea;
    bool Primary = false;
};

// Where the monitors come from: Qt's screens by default; tests supply their own layout.
using TMonitorSource = std::function<std::vector<TMonitor>()>;
TMonitorSource SetMonitorSource(TMonitorSource source);

// Restores the placement stored under the form's object name. Answers whether one was
// stored; when not, nothing changes.
bool RestoreFormPosition(QWidget* form, bool ignoreState, bool ignoreSize);
bool RestoreFormPositionEx(QWidget* form, const std::string& name, bool ignoreState,
                           bool ignoreSize, bool noClamp);

// Writes the state first, then returns the form to the normal state and writes its
// normal-state edges.
void SaveFormPosition(QWidget* form);
void SaveFormPositionEx(QWidget* form, const std::string& name);

// Centres the form on GetDefaultWorkArea without changing its size.
void CenterFormOnWorkArea(QWidget* form);

// The work area of the monitor showing the main window; before there is one, that of the
// monitor holding (1, 1), else the primary monitor's.
TRect GetDefaultWorkArea();

// Moves `rect` (keeping its size) so that it lies inside `workArea` where it fits; a
// rectangle too wide or tall ends on the left or top edge and overhangs the other.
void FitRectToWorkArea(const TRect& workArea, TRect& rect);
