#!/bin/bash
# Builds the game and starts it in the user's display. Without a display it plays a short
# demonstration on a virtual display and writes screenshots to build/demo/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
export TESSARON_BUILD="$BUILD"

bash "$ROOT/scripts/build.sh"

export WINEPREFIX="$BUILD/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$ROOT/scripts/display.sh"
trap stop_display_and_wine EXIT

if [ -n "${DISPLAY:-}" ]; then
    start_wine
    cd "$BUILD/game"
    wine ./tessaron.exe
else
    echo "No display found (DISPLAY is not set), so the game cannot open its window here."
    echo "Starting it on a virtual display instead and playing a short demonstration."
    start_display
    python3 "$ROOT/scripts/demo.py" --out "$BUILD/demo"
fi
