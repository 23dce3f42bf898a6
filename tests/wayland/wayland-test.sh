#!/usr/bin/env bash
# The program on Wayland, natively (no X server), in a headless sway session run by nobody
# (sway refuses to run as root): the card window opens full screen and takes Spacebar,
# Backspace and Esc while it has the focus. Keys come from a virtual keyboard (wtype).
#   tests/wayland/wayland-test.sh PROGRAM_FOLDER
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ "${1:-}" = --user ]; then
    export XDG_RUNTIME_DIR=$HOME/run WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman QT_QPA_PLATFORM=wayland
    trap 'kill $(jobs -p) 2>/dev/null; wait' EXIT
    # Without XWayland, every window there is a native Wayland one.
    printf 'xwayland disable\n' >"$HOME/sway.conf"
    sway -c "$HOME/sway.conf" >"$HOME/sway.log" 2>&1 &
    for _ in $(seq 200); do
        SWAYSOCK=$(echo "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)
        [ -S "$SWAYSOCK" ] && [ -S "$XDG_RUNTIME_DIR/wayland-1" ] && break
        sleep 0.05
    done
    export SWAYSOCK WAYLAND_DISPLAY=wayland-1
    # A keyboard that stays: a client then has its keyboard before the first key comes.
    wtype -s 600000 &
    # The focused window as "app_id fullscreen", once it is $1.
    focused() {
        for _ in $(seq 400); do
            now=$(swaymsg -t get_tree | jq -r '.. | objects | select(.focused and .pid)
                | "\(.app_id) \(.fullscreen_mode)"')
            [ "$now" = "$1" ] && return
            sleep 0.05
        done
        fail "focused: \"$now\", not \"$1\""
    }
    # Waits until the screen is (or, with !, is not) the picture $2.
    screen() {
        for _ in $(seq 400); do
            grim "$HOME/now.png"
            if [ "$1" = "!" ]; then ! cmp -s "$HOME/now.png" "$2" && return; else cmp -s "$HOME/now.png" "$2" && return; fi
            sleep 0.05
        done
        fail "the screen did not change as it should (${1})"
    }
    # Waits until the card window shows its first card: dark text on the white card.
    card_drawn() {
        for _ in $(seq 400); do
            grim "$HOME/question.png"
            white=$(convert "$HOME/question.png" -format '%[fx:p{640,650}.intensity>0.99]' info:)
            text=$(convert "$HOME/question.png" -crop 880x200+200+40 \
                -format '%[fx:minima.intensity<0.5]' info:)
            [ "$white$text" = 11 ] && return
            sleep 0.05
        done
        fail "no card drawn"
    }
    "$2/quorvane" --folder "$HOME/cards" &
    program=$!
    focused "quorvane 0"
    wtype -k Tab -k space # "Start Showing Flashcards"
    focused "quorvane 1"
    card_drawn
    wtype -k space
    screen ! "$HOME/question.png"
    cp "$HOME/now.png" "$HOME/answer.png"
    wtype -k space
    screen ! "$HOME/answer.png"
    wtype -k BackSpace
    screen = "$HOME/question.png"
    wtype -k Escape
    focused "quorvane 0"
    kill $program
    wait $program || true
    exit 0
fi

[ "$(id -u)" = 0 ] || { echo "skipped: sway runs as nobody here, which needs root"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
mkdir -p "$tmp/home/run" "$tmp/home/cards"
chmod 700 "$tmp/home/run"
cp "$(realpath "$1")"/default*.dat "$tmp/home/cards/"
cp "$0" "$tmp/"
chown -R nobody: "$tmp/home"
runuser -u nobody -- env -i PATH="$PATH" HOME="$tmp/home" LANG=C.UTF-8 \
    "$tmp/$(basename "$0")" --user "$(realpath "$1")"
