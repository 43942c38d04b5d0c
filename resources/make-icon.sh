#!/usr/bin/env bash
# Draws the application icon (a white play triangle on a blue square) in 32 and 16 pixels with its
# two colours only, which keeps it to about half a kilobyte of the executable.
# Usage: make-icon.sh OUTPUT.ico
set -euo pipefail
big=$(mktemp --suffix=.png)
trap 'rm -f "$big"' EXIT
/usr/bin/convert -size 64x64 xc:'#1E5AA8' -fill white -draw 'polygon 22,16 48,32 22,48' "$big"
/usr/bin/convert \( "$big" -resize 32x32 \) \( "$big" -resize 16x16 \) -alpha off -colors 2 -type Palette "$1"
