# Sourced by the run and test scripts: makes sure a display exists (a private Xvfb
# when there is none) and starts a warm, persistent wineserver for the prefix.
# Call stop_display_and_wine at the end.

TESSARON_XVFB_PIDS=""
# Starts a private Xvfb and sets the variable named $1 to its display.
start_xvfb() {
    local fifo number
    fifo="$(mktemp -u)"; mkfifo "$fifo"
    # -r: no key repeats. On a busy machine a key's release can come after the repeat delay, and
    # the repeats move a keyboard menu past its item.
    Xvfb -displayfd 3 -r -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    TESSARON_XVFB_PIDS="$TESSARON_XVFB_PIDS $!"
    read -r -t 20 number <"$fifo" || { echo "could not start Xvfb" >&2; rm -f "$fifo"; return 1; }
    rm -f "$fifo"
    export "$1=:$number"
}

start_display() {
    if [ -z "${DISPLAY:-}" ]; then
        start_xvfb DISPLAY
    fi
}

start_wine() {
    wineserver -p
    # The first program of a fresh server starts Wine's helper processes; let them start
    # here, outside any output pipe, so later programs start in a few milliseconds.
    wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

stop_display_and_wine() {
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    local pid
    for pid in $TESSARON_XVFB_PIDS; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
}
