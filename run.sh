#!/usr/bin/env bash
# Installs what the build needs, builds, installs Quorvane into your own program folder
# (~/.local/lib/quorvane, where your card files live too) and starts it from there.
cd "$(dirname "$0")"
source scripts/setup.sh
prefix="${QUORVANE_PREFIX:-$HOME/.local}"
cmake --install build --prefix "$prefix" >/dev/null
exec "$prefix/lib/quorvane/quorvane" "$@"
