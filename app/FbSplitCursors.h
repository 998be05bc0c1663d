// The split cursors shown over a splitter's bar. They are drawn here rather than taken
// from the cursor theme so they look the same on every desktop: a double arrow across a
// short bar, black with a white rim so it stays visible on dark and light panes alike.
#pragma once

#include <QCursor>

// "FBSPLIT_HORZ": for side-by-side panes (a vertical bar, arrows pointing left and right).
// "FBSPLIT_VERT": for stacked panes (a horizontal bar, arrows pointing up and down).
// Any other name gives the normal arrow cursor.
QCursor LoadSplitCursor(const char* name);

// Size of the cursor images; the hot spot is at their middle.
inline constexpr int kSplitCursorSize = 32;
inline constexpr int kSplitCursorHotSpot = kSplitCursorSize / 2;
