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
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$wm" "$xvfb" 2>/dev/null; wait 2>/dev/null' EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X${display#:}" ] && break
  sleep 0.05
done
export DISPLAY="$display" QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
wm=$!
sleep 0.3
dbus-run-session -- "$@"
