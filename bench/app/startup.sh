#!/usr/bin/env bash
# Start-up of the player against two bare Win32 programs with one window and one menu, one of them
# also making the start-up calls the player must make (common controls, COM, the default GUI font),
# measured the same way in the same run: launch to window visible (median of RUNS, the three
# programs launched in rotating order), resident memory after start-up, and the size of the
# stripped executable. Runs inside scripts/bench.sh's platform.
set -euo pipefail
source "$(dirname "$0")/../../scripts/platform.sh"
RUNS=${RUNS:-9}
POLL_SECONDS=0.005 # short enough for the figure, long enough to leave the launch a core
PROGRAMS=("$BUILD_DIR/app/vornak.exe" "$BUILD_DIR/bench/app/bare_window.exe" "$BUILD_DIR/bench/app/bare_startup.exe")
TITLES=("Vornak Media Player 1.1" "Bare Window" "Bare Start")
NAMES=("player" "bare window" "bare start-up calls")

# Prints "milliseconds rss_kib" for one launch.
launch() {
    local exe=$1 title=$2 begin end id pid rss wine_pid
    begin=$(date +%s%N)
    wine "$exe" >/dev/null 2>&1 &
    wine_pid=$!
    until id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) && [ -n "$id" ]; do
        sleep "$POLL_SECONDS"
    done
    end=$(date +%s%N)
    pid=$(xdotool getwindowpid "$id")
    sleep 1
    rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
    kill "$pid" 2>/dev/null || true
    wait "$wine_pid" 2>/dev/null || true
    echo "$(((end - begin) / 1000000)) $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
range() { sort -n | awk 'NR == 1 { low = $1 } { high = $1 } END { printf "%s to %s", low, high }'; }

declare -a ms rss
for ((run = 0; run < RUNS; run++)); do
    for ((k = 0; k < 3; k++)); do
        p=$(((run + k) % 3))
        read -r m r <<<"$(launch "${PROGRAMS[$p]}" "${TITLES[$p]}")"
        ms[$p]+="$m " rss[$p]+="$r "
    done
done
declare -a med
for p in 0 1 2; do
    med[$p]=$(printf '%s\n' ${ms[$p]} | median)
    printf '%-60s %12s ms (range %s ms, %d launches)\n' "launch to main window visible: ${NAMES[$p]}" "${med[$p]}" \
        "$(printf '%s\n' ${ms[$p]} | range)" "$RUNS"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
printf '%-60s %12s\n' "launch ratio player/bare window (target <= 1.10)" "$(ratio "${med[0]}" "${med[1]}")"
printf '%-60s %12s\n' "launch ratio player/bare start-up calls" "$(ratio "${med[0]}" "${med[2]}")"
for p in 0 1 2; do
    printf '%-60s %12s KiB\n' "resident memory after start-up: ${NAMES[$p]}" "$(printf '%s\n' ${rss[$p]} | median)"
done
printf '%-60s %12s\n' "resident memory ratio player/bare window" \
    "$(ratio "$(printf '%s\n' ${rss[0]} | median)" "$(printf '%s\n' ${rss[1]} | median)")"
size=$(i686-w64-mingw32-strip -o /tmp/vornak-stripped.$$ "${PROGRAMS[0]}" && stat -c %s /tmp/vornak-stripped.$$)
rm -f /tmp/vornak-stripped.$$
printf '%-60s %12s bytes (%s KiB; target <= 64 KiB)\n' "stripped executable size" "$size" "$((size / 1024))"
