#!/usr/bin/env bash
# Start-up of the player against a bare Win32 program with one window and one menu, measured the
# same way in the same run: launch to window visible (median of RUNS), resident memory after
# start-up, and the size of the stripped executable. Runs inside scripts/bench.sh's platform.
set -euo pipefail
source "$(dirname "$0")/../../scripts/platform.sh"
RUNS=${RUNS:-9}
PLAYER=$BUILD_DIR/app/vornak.exe
BARE=$BUILD_DIR/bench/app/bare_window.exe

# Prints "milliseconds rss_kib" for one launch.
launch() {
    local exe=$1 title=$2 begin end id pid rss wine_pid
    begin=$(date +%s%N)
    wine "$exe" >/dev/null 2>&1 &
    wine_pid=$!
    until id=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) && [ -n "$id" ]; do :; done
    end=$(date +%s%N)
    pid=$(xdotool getwindowpid "$id")
    sleep 1
    rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
    kill "$pid" 2>/dev/null || true
    wait "$wine_pid" 2>/dev/null || true
    echo "$(((end - begin) / 1000000)) $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

player_ms=() bare_ms=() player_rss=() bare_rss=()
for ((i = 0; i < RUNS; i++)); do
    read -r ms rss <<<"$(launch "$PLAYER" "Vornak Media Player 1.1")"
    player_ms+=("$ms") player_rss+=("$rss")
    read -r ms rss <<<"$(launch "$BARE" "Bare Window")"
    bare_ms+=("$ms") bare_rss+=("$rss")
done
pm=$(printf '%s\n' "${player_ms[@]}" | median)
bm=$(printf '%s\n' "${bare_ms[@]}" | median)
pr=$(printf '%s\n' "${player_rss[@]}" | median)
br=$(printf '%s\n' "${bare_rss[@]}" | median)
size=$(stat -c %s "$PLAYER")
printf '%-60s %12s ms\n' "launch to main window visible: player" "$pm"
printf '%-60s %12s ms\n' "launch to main window visible: bare program" "$bm"
printf '%-60s %12s\n' "launch ratio player/bare (target <= 1.10)" "$(awk -v a="$pm" -v b="$bm" 'BEGIN { printf "%.3f", a / b }')"
printf '%-60s %12s KiB\n' "resident memory after start-up: player" "$pr"
printf '%-60s %12s KiB\n' "resident memory after start-up: bare program" "$br"
printf '%-60s %12s\n' "resident memory ratio player/bare" "$(awk -v a="$pr" -v b="$br" 'BEGIN { printf "%.3f", a / b }')"
printf '%-60s %12s bytes (%s KiB; target <= 64 KiB)\n' "stripped executable size" "$size" "$((size / 1024))"
