# Shared by the end-to-end scripts (sourced). They define fail() and keep their temporary folder in
# $work.

# Waits up to $1 seconds for the command in the remaining arguments to succeed.
eventually() {
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Starts Xvfb on a free display, named once it accepts clients; sets xvfb_pid, display and DISPLAY.
# A display that a client cannot reach is given up for another.
#
# Each script ends its Xvfb with SIGKILL. An Xvfb ended with SIGTERM gives up its display number
# before it removes its socket file by name: an Xvfb of another test that has just taken the number
# loses its socket, and its clients "could not connect to display". A killed one leaves a stale lock
# that the next Xvfb clears itself.
start_xvfb() {
    local number
    for _ in 1 2 3; do
        rm -f "$work/display"
        mkfifo "$work/display"
        Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
        xvfb_pid=$!
        read -r -t 60 number <"$work/display" || fail "Xvfb did not start"
        display=:$number
        export DISPLAY=$display
        if eventually 10 xdpyinfo; then
            return 0
        fi
        echo "note: Xvfb on $display accepts no clients; starting another"
        kill -KILL "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    done
    fail "Xvfb accepts no clients"
}
