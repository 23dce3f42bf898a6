#!/bin/sh
# Runs a command with a font configuration that holds only the Liberation fonts: most scripts
# then have no font at all, as on a desktop that lacks the fonts for them.
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cat >"$dir/fonts.conf" <<END
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/liberation</dir>
  <cachedir>$dir/cache</cachedir>
</fontconfig>
END
FONTCONFIG_FILE=$dir/fonts.conf "$@"
