#!/usr/bin/env bash
# Runs a command in a desktop session of its own: a new session bus, X server and window
# manager. Nothing one X11 test leaves behind (a key grab, a window, a bus a program started on
# the display) can then reach the next, and no program finds a bus to start on its own.
set -u
if [ -z "${QUORVANE_SESSION:-}" ]; then
    # A runtime folder of its own too: the accessibility bus keeps its socket there, which
    # would otherwise be one path for every session of the user.
    QUORVANE_SESSION=$(mktemp -d)
    export QUORVANE_SESSION XDG_RUNTIME_DIR=$QUORVANE_SESSION
    exec dbus-run-session -- "$0" "$@"
fi
dir=$QUORVANE_SESSION
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$dir"' EXIT
# The server picks a free display itself and says which once it takes connections.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
for _ in $(seq 200); do [ -s "$dir/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$dir/display")"
openbox --sm-disable >/dev/null 2>&1 &
for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
done
"$@"
