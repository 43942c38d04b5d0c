#!/usr/bin/env bash
# Builds the player and runs it under wine: on $DISPLAY when one is set, otherwise on a private
# Xvfb display where it plays a bundled sample and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
[ -n "${DISPLAY:-}" ] && export VORNAK_USE_DISPLAY=1
source scripts/platform.sh
platform_start

cmake --preset default >"$PLATFORM_DIR/configure.log" || { cat "$PLATFORM_DIR/configure.log"; exit 1; }
cmake --build --preset default
echo "run: the player is not built yet; the libraries and tests are"
