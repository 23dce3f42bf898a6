#!/usr/bin/env bash
# Installs what the build needs, builds, and makes the Debian package
# build/quorvane_<version>_<arch>.deb (install it with `sudo apt install ./build/quorvane_*.deb`).
cd "$(dirname "$0")/.."
source scripts/setup.sh
cd build
cpack -G DEB
