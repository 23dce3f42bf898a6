#!/usr/bin/env bash
# The Debian package: what it holds, lintian, the desktop entry and AppStream data; then the
# unpacked program, started by an ordinary user (nobody) in a desktop session of its own:
# - from a program folder of that user's own, the cards are made beside the program, as ./run.sh
#   installs it;
# - from the package's program folder, which that user cannot write, the cards are made in the
#   user's data folder, and a card added there is still in hand after a restart.
#   tests/package/package-test.sh BUILD_DIR
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" = --user ]; then
    # As nobody, inside the session: $2 is the unpacked root.
    exe=$2/usr/bin/quorvane
    cards=$HOME/.local/share/quorvane
    # A program that hangs would outlive its X server: it goes with the test, pass or fail.
    trap 'kill -9 $(jobs -p) 2>/dev/null || true' EXIT
    # Waits until the active window is titled $1, and prints its id.
    active() {
        for _ in $(seq 400); do
            id=$(xdotool getactivewindow 2>/dev/null) &&
                [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id" && return
            sleep 0.05
        done
        fail "no active window \"$1\"; windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ',')"
    }
    click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
    answer() {
        active "$1" >/dev/null
        xdotool type --delay 20 "$2"
        xdotool key Return
    }
    until_card() {
        for _ in $(seq 400); do grep -q 'Ohio|Columbus' "$1" && return; sleep 0.05; done
        fail "no card Ohio|Columbus in $1"
    }
    # Starts the program ($1), waits for its main window free of error reports, closes it.
    run_once() {
        "$@" &
        main=$(active Quorvane)
        [ -z "$(xdotool search --name '^Application Error$' 2>/dev/null)" ] || fail "an error report"
        "${steps[@]}"
        wmctrl -i -c "$main"
        wait $! || fail "exit status $?"
    }

    # A program folder of one's own keeps the cards beside the program.
    cp -r "$2/usr/lib/quorvane" "$HOME/own"
    steps=(true)
    run_once "$HOME/own/quorvane"
    cmp "$HOME/own/sets.dat" "$HOME/own/default-sets.dat"
    [ -f "$HOME/own/in-use.dat" ] && [ -f "$HOME/own/StatesCapitals.dat" ] || fail "own folder"
    [ ! -e "$cards" ] || fail "cards made in $cards for a program folder of one's own"

    # The package's program folder is not the user's: the cards go to the data folder.
    [ ! -w "$2/usr/lib/quorvane" ] || fail "the unpacked program folder is writable"
    add_card() {
        click "$main" 268 435 # "Edit Cards"
        editor=$(active "Edit Cards")
        click "$editor" 136 405 # "Add Card"
        answer "Enter States" Ohio
        answer "Enter Capitals" Columbus
        until_card "$cards/StatesCapitals.dat"
        click "$editor" 268 20 # "< Back"
        main=$(active Quorvane)
    }
    steps=(add_card)
    run_once "$exe"
    cmp "$cards/sets.dat" "$2/usr/lib/quorvane/default-sets.dat"
    # The next start puts the set in hand, with the card, back into the working copy.
    printf 'stale\r\n' >"$cards/in-use.dat"
    steps=(true)
    run_once "$exe"
    until_card "$cards/in-use.dat"
    echo "cards in the data folder: $(ls "$cards" | tr '\n' ' ')"
    exit 0
fi

build=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
[ "$(id -u)" = 0 ] || { echo "skipped: starts the program as nobody, which needs root"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"

(cd "$build" && cpack -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail cpack; }
version=$("$build/program/quorvane" --version)
deb=$tmp/out/quorvane_${version#Quorvane }_amd64.deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$tmp/out")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

contents=$(dpkg-deb -c "$deb" | awk '{print $6 $7 $8}')
for f in ./usr/bin/quorvane'->'../lib/quorvane/quorvane ./usr/lib/quorvane/quorvane \
    ./usr/lib/quorvane/default.dat ./usr/lib/quorvane/default-sets.dat \
    ./usr/share/applications/quorvane.desktop ./usr/share/man/man1/quorvane.1.gz \
    ./usr/share/metainfo/io.github.quorvane.Quorvane.metainfo.xml \
    ./usr/share/doc/quorvane/copyright ./usr/share/doc/quorvane/changelog.gz \
    ./usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128}/apps/quorvane.png; do
    grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-liberation qt6-qpa-plugins libqt6widgets6 libc6 libcsv3 libzip4 libsqlite3-0 libzstd1; do
    grep -q "\b$d\b" <<<"$depends" || fail "no dependency on $d: $depends"
done

for field in "Recommends fonts-noto-core" "Suggests fonts-noto-cjk" "Suggests fonts-noto-color-emoji"; do
    dpkg-deb -f "$deb" "${field% *}" | grep -q "\b${field#* }\b" || fail "no ${field% *} of ${field#* }"
done
echo "lintian:"
lintian --allow-root --fail-on error -I "$deb" || fail "lintian found errors"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/quorvane.desktop"
grep -qx 'Icon=quorvane' "$root/usr/share/applications/quorvane.desktop" || fail "icon name"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml
grep -qx 'SPDX-License-Identifier: GPL-3.0-or-later' "$root/usr/share/doc/quorvane/copyright" ||
    fail "no licence in the copyright file"

# The user's scripts and home, where nobody can reach them.
mkdir -p "$tmp/home/run" "$tmp/bin"
cp "$0" "$here/../x11/session.sh" "$tmp/bin/"
chmod 700 "$tmp/home/run"
chown -R nobody: "$tmp/home"
runuser -u nobody -- env -i PATH="$PATH" HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/home/run" \
    LANG=C.UTF-8 "$tmp/bin/session.sh" "$tmp/bin/$(basename "$0")" --user "$root"
