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
# A server that stops removes its display's socket: one stops while no other one starts.
# The lock is opened for reading, so that sessions of other users (the package test runs one
# as nobody) share it: /tmp lets no user open another's file for writing.
lock=/tmp/quorvane-session.lock
lock() {
    [ -e $lock ] || : >>$lock
    exec 9<$lock
    flock 9
}
trap 'lock; kill $(jobs -p) 2>/dev/null; wait; rm -rf "$dir"' EXIT
# Waits for a state, however busy the machine is: `tries` times a twentieth of a second.
waitfor() {
    local tries=$1
    shift
    for _ in $(seq "$tries"); do "$@" && return; sleep 0.05; done
    return 1
}
# The display is one that no server holds or has left behind (no lock, no socket), from :200 up,
# away from those that xvfb-run picks.
for attempt in 1 2 3 4 5; do
    lock
    n=200
    while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
    export DISPLAY=:$n
    # -noreset: a server resets when its last client (the probe below) leaves, and under load
    # the window manager could then be refused.
    Xvfb $DISPLAY -screen 0 1920x1080x24 -nolisten tcp -noreset 2>"$dir/xvfb.log" 9>&- &
    xvfb=$!
    waitfor 1200 xprop -root >/dev/null 2>&1
    ready=$?
    exec 9<&-
    [ $ready = 0 ] && break
    kill $xvfb 2>/dev/null
    wait $xvfb 2>/dev/null
done
openbox --sm-disable >"$dir/openbox.log" 2>&1 &
if ! waitfor 1200 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'"; then
    echo "session.sh: no window manager on $DISPLAY" >&2
    cat "$dir"/*.log >&2
    exit 1
fi
"$@"
