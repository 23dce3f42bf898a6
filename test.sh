#!/usr/bin/env bash
# Installs what the build needs, builds, runs a short fuzzing round, then every test.
# ./test.sh --long runs the long modes: more kills during writes, ten minutes per fuzz target.
# Other arguments go to ctest (for example -R Files or -L reliability).
cd "$(dirname "$0")"
long=0
if [ "${1:-}" = --long ]; then
    long=1
    shift
fi
source scripts/setup.sh xvfb xauth openbox xdotool x11-utils wmctrl dbus-daemon clang libclang-rt-14-dev
scripts/fuzz.sh "$([ "$long" = 1 ] && echo 600 || echo 20)"
cd build
QUORVANE_LONG=$long xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j 2 "$@"
