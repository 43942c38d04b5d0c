#!/usr/bin/env bash
# Builds everything and runs every test under wine on a private display and sound server.
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R window]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/platform.sh
platform_setup
# GUI tests share one display and the foreground window, so they run one at a time.
ctest --preset default "$@"
