#!/usr/bin/env bash
# Builds everything and runs the benchmarks under wine. Usage: scripts/bench.sh [name-filter]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/platform.sh
platform_setup
for bench in build/bench/bench_*.exe build/bench/*/bench_*.exe; do
    [ -e "$bench" ] || continue
    case "$bench" in *"${1:-}"*) ;; *) continue ;; esac
    [ -x "$bench.sh" ] && continue
    echo "== $(basename "$bench" .exe)"
    wine "$bench"
done
for script in bench/*/*.sh bench/*.sh; do
    [ -e "$script" ] || continue
    case "$script" in *"${1:-}"*) ;; *) continue ;; esac
    echo "== $(basename "$script" .sh)"
    bash "$script"
done
