#!/usr/bin/env bash
# Draws the built-in card picture, whitecard.jpg: a white card with large rounded corners on
# black, 3840 x 2160. Needs ImageMagick. A baseline JPEG: the card window decodes it straight at
# the screen's size, which a progressive JPEG would make slower.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 3840x2160 xc:black -fill white -draw "roundrectangle 0,0 3839,2159 260,260" \
    -interlace none -quality 90 -strip whitecard.jpg
