#!/bin/bash
# Runs a Windows program (a build-time tool or a test) under Wine in the tests' prefix, never in
# ~/.wine or in the prefix the player plays in.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/test-prefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export DISPLAY="${TESSARON_PROGRAMS_DISPLAY:-${DISPLAY:-}}" # scripts/test.sh gives the tests a display of their own
exec wine "$@"
