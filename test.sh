#!/usr/bin/env bash
# Installs what the build needs, builds, and runs every test.
cd "$(dirname "$0")"
source scripts/setup.sh xvfb xauth openbox xdotool x11-utils
cd build
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure -j 2 "$@"
