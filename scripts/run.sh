#!/usr/bin/env bash
# Builds the player and runs it under wine. On $DISPLAY when one is set; otherwise on a private
# Xvfb display, where it opens the bundled sample through the real menu and dialog, presses
# "Start", saves a screenshot of the playing video and closes the player.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -n "${DISPLAY:-}" ] && export VORNAK_USE_DISPLAY=1
source scripts/platform.sh
platform_setup

if [ -n "${VORNAK_USE_DISPLAY:-}" ]; then
    wine build/app/vornak.exe
    exit
fi

source scripts/drive.sh
trap 'drive_kill; platform_stop' EXIT
sample=$BUILD_DIR/media/Beispiel.avi
screenshot=$BUILD_DIR/vornak-screenshot.png
drive_start
drive_menu "$DRIVE_MAIN_TITLE" 1 # Datei > Film Player
drive_open_file "$sample"
drive_await_window "Film Player" 20
drive_menu "Film Player" 1 # Start
sleep 2
import -window root "$screenshot"
drive_key alt+F4
drive_await_exit 10
echo "run: the player played $sample; screenshot of the playing video: $screenshot"
