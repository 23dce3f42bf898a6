#!/usr/bin/env bash
# Installs what the build needs, builds, and starts Quorvane.
cd "$(dirname "$0")"
source scripts/setup.sh
exec build/program/quorvane "$@"
