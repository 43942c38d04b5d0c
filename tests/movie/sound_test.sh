#!/usr/bin/env bash
# Sound of a playing movie reaches the null sink, and a halted movie is silent: records the sink's
# monitor while movie_sound_player plays a 1 kHz tone, then measures the recording between the
# moments the player marks. Usage: sound_test.sh PLAYER-EXE
set -euo pipefail
player=$1
rate=48000
margin=$((rate / 2))        # playback starts and stops with some latency
tone_hz=1000
min_tone_rms=0.05           # the tone's RMS is 0.088
max_silence_rms=0.005

work=$(mktemp -d)
recorder=
cleanup() {
    [ -n "$recorder" ] && kill "$recorder" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

parec -d "${VORNAK_SINK:-vornak_sink}.monitor" --raw --format=s16le --rate=$rate --channels=1 \
    --latency-msec=20 >"$work/sink.raw" &
recorder=$!
wine "$player" "Z:${work//\//\\}" &
player_pid=$!

recorded_samples() { echo $(($(stat -c %s "$work/sink.raw") / 2)); }
# The recorder's position when the player marks a moment.
position_at() {
    local deadline=$((SECONDS + 30))
    until [ -e "$work/$1" ]; do
        if [ $SECONDS -ge $deadline ]; then echo "sound_test: the player never marked '$1'" >&2; return 1; fi
        sleep 0.02
    done
    recorded_samples
}
playing=$(position_at playing)
halted=$(position_at halted)
wait "$player_pid" || { echo "sound_test: the player failed with $?" >&2; exit 1; }
ended=$(recorded_samples)

# stat of the samples from $1 on, $2 samples long
measure() { sox -t raw -r $rate -e signed -b 16 -c 1 "$work/sink.raw" -n trim "${1}s" "${2}s" stat 2>&1; }
field() { awk -v name="$1" -F: '$1 ~ name { gsub(/ /, "", $2); print $2 }'; }
sounding=$(measure $((playing + margin)) $((halted - playing - margin)))
silent=$(measure $((halted + margin)) $((ended - halted - margin)))
tone_rms=$(echo "$sounding" | field "RMS +amplitude")
tone_frequency=$(echo "$sounding" | field "Rough +frequency")
silence_rms=$(echo "$silent" | field "RMS +amplitude")
echo "playing: RMS $tone_rms at about $tone_frequency Hz; halted: RMS $silence_rms"

awk -v rms="$tone_rms" -v min=$min_tone_rms 'BEGIN { exit !(rms >= min) }' ||
    { echo "sound_test: the playing movie is not heard at the sink" >&2; exit 1; }
awk -v f="$tone_frequency" -v want=$tone_hz 'BEGIN { exit !(f > want * 0.95 && f < want * 1.05) }' ||
    { echo "sound_test: the sink does not carry the tone" >&2; exit 1; }
awk -v rms="$silence_rms" -v max=$max_silence_rms 'BEGIN { exit !(rms <= max) }' ||
    { echo "sound_test: the halted movie is still heard" >&2; exit 1; }
