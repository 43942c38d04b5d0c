#!/usr/bin/env bash
# Generates the media files the tests, benchmarks and the demo run play. Usage: make-media.sh DIR
set -euo pipefail
out=$1
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# A short moving test picture, 320x240, in the container the platform renders most surely.
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=2 -c:v mjpeg -q:v 3 "$out/smoke.avi"
# A one-second 440 Hz tone.
ff -f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -c:a pcm_s16le "$out/smoke.wav"
