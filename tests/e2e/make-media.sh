#!/usr/bin/env bash
# Media for the end-to-end tests. Usage: make-media.sh DIR
set -euo pipefail
out=$1
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# Red for 2 s, green for 2 s, then blue for 6 s: the colour on screen tells how far it played.
ff -f lavfi -i "color=c=red:size=320x240:rate=25:duration=2" \
   -f lavfi -i "color=c=lime:size=320x240:rate=25:duration=2" \
   -f lavfi -i "color=c=blue:size=320x240:rate=25:duration=6" \
   -filter_complex "[0:v][1:v][2:v]concat=n=3:v=1:a=0" -c:v mjpeg -q:v 2 "$out/phases.avi"
# A 1 kHz tone of 10 s.
ff -f lavfi -i "sine=frequency=1000:sample_rate=44100:duration=10" -c:a libmp3lame -b:a 128k "$out/tone.mp3"
# A path with umlauts and spaces, stored in the ANSI code page the program uses.
mkdir -p "$out/Größe Test"
cp "$out/phases.avi" "$out/Größe Test/Film mit Leerzeichen.avi"
