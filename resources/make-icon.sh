#!/usr/bin/env bash
# Draws the application icon (a white play triangle on a blue rounded square) in 32 and 16 pixels.
# Usage: make-icon.sh OUTPUT.ico
set -euo pipefail
/usr/bin/convert -size 64x64 xc:none \
    -fill '#1E5AA8' -draw 'roundrectangle 2,2,61,61,12,12' \
    -fill white -draw 'polygon 22,16 48,32 22,48' \
    -define icon:auto-resize=32,16 "$1"
