#!/bin/bash
# Builds everything and runs every test through CTest under Wine (on a private Xvfb
# when there is no display). Ends with CTest's summary.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
export TESSARON_BUILD="$BUILD"

bash "$ROOT/scripts/build.sh"

export WINEPREFIX="$BUILD/test-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$ROOT/scripts/display.sh"
trap stop_display_and_wine EXIT
start_display
start_wine

status=0
(cd "$BUILD" && ctest --output-on-failure -j1 "$@") || status=$?
exit $status
