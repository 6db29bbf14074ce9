#!/bin/bash
# Builds the game and starts it in the user's display.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
export TESSARON_BUILD="$BUILD"

bash "$ROOT/scripts/build.sh"

export WINEPREFIX="$BUILD/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$ROOT/scripts/display.sh"
trap stop_display_and_wine EXIT

cd "$BUILD/game"
if [ -n "${DISPLAY:-}" ]; then
    start_wine
    wine ./tessaron.exe
else
    echo "No display found: starting the game on a virtual display."
    start_display
    start_wine
    shots="$BUILD/screenshots"
    mkdir -p "$shots"
    wine ./tessaron.exe &
    game=$!
    sleep 5
    import -display "$DISPLAY" -window root "$shots/game.png"
    echo "Screenshot written to $shots/game.png"
    kill "$game" 2>/dev/null || true
    wait "$game" 2>/dev/null || true
fi
