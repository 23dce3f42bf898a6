#!/usr/bin/env bash
# Installs what the build needs, builds, then runs every test. The fuzz targets take part as the
# tests fuzz.*, which replay their committed corpus: no random search decides the verdict.
# ./test.sh --long first runs ten minutes of random search per fuzz target (scripts/fuzz.sh 600);
# a finding there becomes a fix plus a corpus file.
# Other arguments go to ctest (for example -R Files or -L bench).
cd "$(dirname "$0")"
long=0
if [ "${1:-}" = --long ]; then
    long=1
    shift
fi
source scripts/setup.sh xvfb xauth openbox xdotool x11-utils wmctrl dbus-daemon lintian \
    desktop-file-utils appstream sway grim wtype jq imagemagick \
    at-spi2-core python3-pyatspi
# setup.sh leaves errexit on: a finding stops the run here.
if [ "$long" = 1 ]; then
    scripts/fuzz.sh 600
fi
cd build
# The X11 tests make desktop sessions of their own; the display here serves the benchmarks.
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j 2 "$@"
