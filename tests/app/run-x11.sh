#!/usr/bin/env bash
# Runs a test binary on a real X server with a window manager: what only they decide
# (a window's decorations, where a maximised window's frame goes) cannot be seen on Qt's
# offscreen platform. Starts Xvfb on a free display and openbox on it, runs the binary
# with Qt's xcb platform, and stops both again.
set -euo pipefail
binary=$1
shift
ready=$(mktemp)
Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$ready" 2>/dev/null &
xvfb=$!
wm=
cleanup() {
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -f "$ready"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [ -s "$ready" ] && break
  sleep 0.05
done
display=$(head -n1 "$ready")
[ -n "$display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$display"
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# The window manager owns the screen once it has set its check window on the root.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
  sleep 0.05
done
QT_QPA_PLATFORM=xcb "$binary" "$@"
