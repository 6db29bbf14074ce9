#!/bin/bash
# Long reliability campaigns, beyond what the test suite runs: a soak of the real game for
# a given number of seconds, every fault of the game's files alone, the settings and scene fuzz
# with many more cases, the device reset storms with the game's whole form, and the real game
# started and closed (Alt+F4) over and over while two busy processes keep both cores loaded,
# where a close that crashes shows.
#
#   bash scripts/reliability.sh [soak seconds (600)] [fuzz cases (50000)] [seed (1)] [start/close cycles (50)]
#
# TESSARON_CAMPAIGNS picks campaigns by name (default: "fuzz storms faults soak cycles"), e.g.
# TESSARON_CAMPAIGNS=cycles bash scripts/reliability.sh 0 0 1 50.
# Prints what each campaign did; ends with "N passed, M failed".
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TESSARON_BUILD:-$ROOT/build}"
export TESSARON_BUILD="$BUILD"
SOAK_SECONDS="${1:-600}"
FUZZ_CASES="${2:-50000}"
SEED="${3:-1}"
CYCLES="${4:-50}"
CAMPAIGNS=" ${TESSARON_CAMPAIGNS:-fuzz storms faults soak cycles} "
wanted() { [[ "$CAMPAIGNS" == *" $1 "* ]]; }

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

# Starts and closes the game CYCLES times under load; every close must end the game with exit
# code 0 (a crash ends it with a signal or an exception's code) and leave no game process behind.
start_close_cycles() {
    local load=() status
    for _ in 1 2; do yes >/dev/null & load+=($!); done
    python3 - "$ROOT/tests/e2e" "$CYCLES" <<'PY'
import os
import sys
sys.path.insert(0, sys.argv[1])
from game_session import Scenario

cycles = int(sys.argv[2])
START_TIMEOUT = 120  # seconds: a start on a machine this busy can take a while; a crash cannot hide in it


def body(s):
    s.session.write_settings({"ShowNameDlg": 0})
    for cycle in range(1, cycles + 1):
        s.step("cycle %d of %d" % (cycle, cycles))
        s.session.start()
        s.wait_main_window(timeout=START_TIMEOUT)
        s.exit_game()
        s.check(not s.session.programs(("tessaron.exe",)), "a game process is left after the close")
    print("%d starts and closes, each ended with exit code 0" % cycles)


Scenario("start_close_cycles", prefix=os.path.join(os.environ["TESSARON_BUILD"], "cycles-prefix")).run(body)
PY
    status=$?
    kill "${load[@]}"
    wait "${load[@]}" 2>/dev/null
    return $status
}

if wanted fuzz; then
    for fuzz in shell_settings_fuzz framework_scene_fuzz; do
        run "$fuzz, $FUZZ_CASES cases, seed $SEED" env TESSARON_FUZZ_CASES="$FUZZ_CASES" TESSARON_FUZZ_SEED="$SEED" \
            bash -c "cd '$BUILD/game' && wine ../tests/${fuzz}_test.exe"
    done
fi
wanted storms && run "reset storms with the whole form" \
    env TESSARON_LONG_CAMPAIGN=1 bash -c "cd '$BUILD/game' && wine ../tests/framework_reset_storm_test.exe"
wanted faults && run "every file fault alone" \
    env FAULT_CASES=each bash -c "cd '$ROOT/tests/e2e' && python3 faults_e2e.py"
wanted soak && run "soak of $SOAK_SECONDS s, seed $SEED" \
    env SOAK_SECONDS="$SOAK_SECONDS" SOAK_SEED="$SEED" bash -c "cd '$ROOT/tests/e2e' && python3 soak_e2e.py"
wanted cycles && run "$CYCLES starts and closes with both cores busy" start_close_cycles

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
