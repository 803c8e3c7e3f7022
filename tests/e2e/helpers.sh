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
start_xvfb() {
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    local number
    read -r -t 60 number <"$work/display" || fail "Xvfb did not start"
    display=:$number
    export DISPLAY=$display
}
