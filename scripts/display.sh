# Sourced by the run and test scripts: makes sure a display exists (a private Xvfb
# when there is none) and starts a warm, persistent wineserver for the prefix.
# Call stop_display_and_wine at the end.

TESSARON_XVFB_PID=""
start_display() {
    if [ -z "${DISPLAY:-}" ]; then
        local fifo
        fifo="$(mktemp -u)"; mkfifo "$fifo"
        Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
        TESSARON_XVFB_PID=$!
        local number
        read -r -t 20 number <"$fifo" || { echo "could not start Xvfb" >&2; rm -f "$fifo"; return 1; }
        rm -f "$fifo"
        export DISPLAY=":$number"
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
    if [ -n "$TESSARON_XVFB_PID" ]; then
        kill "$TESSARON_XVFB_PID" 2>/dev/null || true
        wait "$TESSARON_XVFB_PID" 2>/dev/null || true
    fi
}
