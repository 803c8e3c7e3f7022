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

# Starts Xvfb on a display of its own, named once it accepts clients; sets xvfb_pid, display and
# DISPLAY. The number is drawn at random from a range no desktop uses and taken only if free: an Xvfb
# that looks for the lowest free number itself (-displayfd alone) tries the sockets of displays that
# other tests' servers hold, and a client of one of those then found no server now and then.
#
# Each script ends its Xvfb with SIGKILL, so that no ending server removes files by name that a new
# one may already use; the next Xvfb clears a stale lock itself.
start_xvfb() {
    local number
    for _ in $(seq 20); do
        number=$((1000 + RANDOM % 30000))
        rm -f "$work/display"
        mkfifo "$work/display"
        Xvfb ":$number" -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" \
            >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        # Nothing is read when the number is taken: that Xvfb ends at once.
        if read -r -t 60 number <"$work/display"; then
            display=:$number
            export DISPLAY=$display
            if eventually 10 xdpyinfo; then
                return 0
            fi
        fi
        kill -KILL "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    done
    cat "$work/xvfb.log" 2>/dev/null || true
    fail "Xvfb did not start"
}
