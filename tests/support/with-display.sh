#!/usr/bin/env bash
# Runs a command on a real X display of its own: Xvfb with the openbox window
# manager, a private session bus, Qt on xcb. For the tests of what only a real
# display shows (window-manager frames, native dialogs, focus, key events).
#
#   tests/support/with-display.sh COMMAND [ARGS...]
#
# The command sees DISPLAY, QT_QPA_PLATFORM=xcb and its own session bus; its
# exit status is the script's. Screenshots: `import -window root shot.png`.
set -u
wm=
# Xvfb picks a free display itself and names it: tests started side by side
# (ctest -j) never share one.
numfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$wm" "$xvfb" 2>/dev/null; rm -f "$numfile"; wait 2>/dev/null' EXIT
for _ in $(seq 200); do
  [ -s "$numfile" ] && break
  sleep 0.05
done
display=":$(head -n 1 "$numfile" | tr -d '[:space:]')"
export DISPLAY="$display" QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
wm=$!
sleep 0.3
dbus-run-session -- "$@"
