#!/bin/bash
# Sets up the machine if needed, then configures and builds the game and the tests in build/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
export TESSARON_BUILD="$BUILD"

bash "$ROOT/scripts/setup.sh"
# The build-time tools run in the tests' prefix: the player's runs only the game.
export WINEPREFIX="$BUILD/test-prefix" WINEDEBUG=-all

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$BUILD" -- -j"$(nproc)" "$@" | grep -v -e '^\[' -e '^-- ' || true
test "${PIPESTATUS[0]}" -eq 0
