#!/bin/bash
# Long reliability campaigns, beyond what the test suite runs: a soak of the real game for
# a given number of seconds, every fault of the game's files alone, the settings and scene fuzz
# with many more cases, and the device reset storms with the game's whole form.
#
#   bash scripts/reliability.sh [soak seconds (600)] [fuzz cases (50000)] [seed of the soak and the fuzz (1)]
#
# Prints what each campaign did; ends with "N passed, M failed".
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
export TESSARON_BUILD="$BUILD"
SOAK_SECONDS="${1:-600}"
FUZZ_CASES="${2:-50000}"
SEED="${3:-1}"

bash "$ROOT/scripts/build.sh" || exit 1
export WINEPREFIX="$BUILD/test-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
source "$ROOT/scripts/display.sh"
trap stop_display_and_wine EXIT
start_display
start_wine

passed=0 failed=0
run() {
    local name="$1"; shift
    echo "== $name"
    local start=$SECONDS
    if "$@"; then passed=$((passed + 1)); echo "== $name: passed in $((SECONDS - start)) s"
    else failed=$((failed + 1)); echo "== $name: FAILED after $((SECONDS - start)) s"; fi
}

for fuzz in shell_settings_fuzz framework_scene_fuzz; do
    run "$fuzz, $FUZZ_CASES cases, seed $SEED" env TESSARON_FUZZ_CASES="$FUZZ_CASES" TESSARON_FUZZ_SEED="$SEED" \
        bash -c "cd '$BUILD/game' && wine ../tests/${fuzz}_test.exe"
done
run "reset storms with the whole form" \
    env TESSARON_LONG_CAMPAIGN=1 bash -c "cd '$BUILD/game' && wine ../tests/framework_reset_storm_test.exe"
run "every file fault alone" \
    env FAULT_CASES=each bash -c "cd '$ROOT/tests/e2e' && python3 faults_e2e.py"
run "soak of $SOAK_SECONDS s, seed $SEED" \
    env SOAK_SECONDS="$SOAK_SECONDS" SOAK_SEED="$SEED" bash -c "cd '$ROOT/tests/e2e' && python3 soak_e2e.py"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
