#!/usr/bin/env bash
# One program window per card folder, on a real X server (run by session.sh): a second start on
# the folder brings the first copy's window to the front and ends, a start on another folder
# opens a window of its own, and a copy that no longer answers does not hold up a new one.
#   tests/x11/instance-test.sh PROGRAM_FOLDER
set -u
program=$1/quorvane
work=$(mktemp -d)
trap 'kill -CONT $(jobs -p) 2>/dev/null; kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
for f in one two; do mkdir "$work/$f" && cp "$1/default-sets.dat" "$1/default.dat" "$work/$f"; done
failed=0
fail() { echo "FAIL: $*"; failed=1; }
# Waits for a state, however busy the machine is.
until_() { for _ in $(seq 600); do "$@" && return; sleep 0.1; done; return 1; }
window() { xdotool search --all --onlyvisible --pid "$1" --name '^Quorvane$' 2>/dev/null | head -n 1; }
shown() { [ -n "$(window "$1")" ]; }
front() { [ "$(xdotool getactivewindow getwindowpid 2>/dev/null)" = "$1" ]; }

"$program" --folder "$work/one" & first=$!
until_ shown $first || fail "the first copy shows no window"
xdotool windowminimize "$(window $first)"
until_ eval '! front $first' || fail "the first window stays in front when minimised"
timeout 30 "$program" --folder "$work/one"
[ $? = 0 ] || fail "a second start on the folder did not end at once"
until_ front $first || fail "the first window did not come to the front"

"$program" --folder "$work/two" & other=$!
until_ shown $other || fail "a copy on another folder shows no window"

# A copy that no longer answers: the next start opens its own window.
kill -STOP $first
"$program" --folder "$work/one" & next=$!
until_ shown $next || fail "a copy that does not answer held up a new start"
kill -CONT $first
exit $failed
