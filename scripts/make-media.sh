#!/usr/bin/env bash
# Generates every media file of the project: what the tests and benchmarks play, the end-to-end
# films and the sample the run command plays. Usage: make-media.sh DIR
set -euo pipefail
out=$1
mkdir -p "$out"
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# A short moving test picture, 320x240, in the container the platform renders most surely.
ff -f lavfi -i testsrc=size=320x240:rate=25:duration=2 -c:v mjpeg -q:v 3 "$out/smoke.avi"
# A one-second 440 Hz tone.
ff -f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 -c:a pcm_s16le "$out/smoke.wav"

# ---- Movie library ------------------------------------------------------------------------------
# Every film type the player offers, each with its own frame size so that a wrong size shows.
testsrc() { echo "testsrc=size=$1:rate=25:duration=$2"; }
ff -f lavfi -i "$(testsrc 176x144 2)" -c:v mjpeg -q:v 3 "$out/film-mjpeg.avi"
ff -f lavfi -i "$(testsrc 160x120 1)" -c:v rawvideo -pix_fmt bgr24 "$out/film-raw.avi"
ff -f lavfi -i "$(testsrc 352x288 2)" -c:v mpeg1video -q:v 4 -f mpeg "$out/film.mpg"
ff -f lavfi -i "$(testsrc 320x176 2)" -c:v wmv2 -q:v 4 "$out/film.wmv"
ff -f lavfi -i "$(testsrc 240x160 2)" -c:v wmv1 -q:v 4 -f asf "$out/film.asf"
ff -f lavfi -i "$(testsrc 256x192 2)" -c:v libx264 -pix_fmt yuv420p "$out/film.mp4"
# A film with sound, long enough to read positions while it plays.
ff -f lavfi -i "$(testsrc 192x144 5)" -f lavfi -i sine=frequency=660:duration=5 \
    -c:v mjpeg -q:v 3 -c:a pcm_s16le "$out/film-sound.avi"
# One solid colour (RGB 20 60 C0) for pixel checks of the video window.
ff -f lavfi -i color=c=0x2060C0:size=160x120:rate=25:duration=4 -c:v mjpeg -q:v 2 "$out/solid.avi"
# A name with umlauts, which the ANSI code page must carry to the platform.
cp "$out/film-mjpeg.avi" "$out/Größe.avi"

# Sound only.
ff -f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame "$out/tone.mp3"
ff -f lavfi -i sine=frequency=440:duration=1 -c:a wmav2 "$out/tone.wma"
# Ten seconds of 1 kHz, to be heard at the null sink and then halted.
ff -f lavfi -i sine=frequency=1000:sample_rate=48000:duration=10 -c:a pcm_s16le "$out/tone-long.wav"

# Renders only in part: the subtitle track of this MP4 reaches no renderer.
printf '1\n00:00:00,000 --> 00:00:01,500\nUntertitel\n' >"$out/partial.srt"
ff -f lavfi -i "$(testsrc 176x144 2)" -i "$out/partial.srt" -map 0 -map 1 \
    -c:v libx264 -pix_fmt yuv420p -c:s mov_text "$out/partial.mp4"
rm "$out/partial.srt"

# Files that are no films: empty, cut off inside the headers, text, and noise. The cut-off file is a
# WAV: the platform's parsers for AVI, MP4 and ASF at times never return from a file cut inside its
# headers.
: >"$out/empty.avi"
head -c 30 "$out/smoke.wav" >"$out/truncated.wav"
echo "Dies ist kein Film." >"$out/text.avi"
ff -f lavfi -i anoisesrc=seed=7:duration=0.5 -f s16le "$out/noise.avi"
# GSM 6.10 sound in a WAV (290 bytes): the platform's parser never returns from rendering it.
ff -f lavfi -i sine=frequency=440:sample_rate=8000:duration=0.1 -ac 1 -c:a libgsm_ms "$out/hang-gsm.wav"

# Benchmark clip: 640x480 at 25 fps for 12 s. The strip at the top shows the frame number in Gray
# code, ten 64x32 blocks (white = 1, lowest bit on the left), so that a screen reader of the strip
# counts the frames shown; a half-drawn strip reads as one of its two neighbouring numbers.
strip="drawbox=x=0:y=0:w=640:h=32:color=black:t=fill"
for bit in $(seq 0 9); do
    strip="$strip,drawbox=x=$((bit * 64)):y=0:w=64:h=32:color=white:t=fill"
    strip="$strip:enable='mod(floor((n+pow(2,$bit))/pow(2,$((bit + 1)))),2)'"
done
ff -f lavfi -i "$(testsrc 640x480 12),$strip" -c:v mjpeg -q:v 5 "$out/bench-640x480.avi"

# ---- End-to-end tests ---------------------------------------------------------------------------
mkdir -p "$out/e2e"
# Red for 2 s, green for 2 s, then blue for 6 s: the colour on screen tells how far it played.
ff -f lavfi -i "color=c=red:size=320x240:rate=25:duration=2" \
   -f lavfi -i "color=c=lime:size=320x240:rate=25:duration=2" \
   -f lavfi -i "color=c=blue:size=320x240:rate=25:duration=6" \
   -filter_complex "[0:v][1:v][2:v]concat=n=3:v=1:a=0" -c:v mjpeg -q:v 2 "$out/e2e/phases.avi"
# A 1 kHz tone of 10 s.
ff -f lavfi -i "sine=frequency=1000:sample_rate=44100:duration=10" -c:a libmp3lame -b:a 128k "$out/e2e/tone.mp3"
# A path with umlauts and spaces, stored in the ANSI code page the program uses.
mkdir -p "$out/e2e/Größe Test"
cp "$out/e2e/phases.avi" "$out/e2e/Größe Test/Film mit Leerzeichen.avi"

# ---- The sample the run command plays: a moving test picture with a tone ------------------------
ff -f lavfi -i testsrc2=size=320x240:rate=25:duration=20 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=20 \
    -c:v mjpeg -q:v 3 -c:a pcm_s16le "$out/Beispiel.avi"
