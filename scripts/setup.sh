# Sourced by run.sh and test.sh: installs the Debian packages the build needs, then configures
# and builds into build/.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libgl-dev libxcb1-dev libxcb-xtest0-dev libxcb-damage0-dev
    libgtest-dev libbenchmark-dev fonts-liberation qt6-wayland help2man dpkg-dev file libcsv-dev
    libzip-dev libsqlite3-dev libzstd-dev zlib1g-dev python3-zstandard)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing Debian packages: ${missing[*]}"
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QUORVANE_CMAKE_ARGS:-}
cmake --build build -j "$(nproc)"
