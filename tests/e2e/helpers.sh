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
# -noreset: an X server resets when its last client leaves, and a client that connects during the
# reset is refused ("could not connect to display"), as BREVAK was now and then when started right
# after another client (xdpyinfo, xdotool, the previous BREVAK) had left.
start_xvfb() {
    local number
    mkfifo "$work/display"
    Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    read -r -t 60 number <"$work/display" || fail "Xvfb did not start"
    display=:$number
    export DISPLAY=$display
    eventually 10 xdpyinfo || fail "Xvfb on $display accepts no clients"
}

# Whether the simulated Mac lists the application $1 as running ($bin names the built programs).
running() { "$bin/brevak-simctl" state | sed -n '/^Running applications/,/^$/p' | grep -q "^  $1 ("; }
not_running() { ! running "$1"; }

# Whether a BREVAK window covers the whole screen: the block page.
block_page_shown() { xwininfo -root -tree | grep -qE '"BREVAK".*1280x800'; }

# The id of the visible window titled $1, if one shows. xdotool matches titles byte by byte with a
# basic regular expression: a letter outside ASCII stands for whatever bytes are there.
window_titled() {
    local pattern
    pattern=$(printf '%s' "$1" | LC_ALL=C.UTF-8 sed -e 's/[][\.*^$?+(){}|]/\\&/g' -e 's/[^ -~]/.*/g')
    xdotool search --onlyvisible --name "^$pattern\$" 2>/dev/null | head -n1 | grep .
}
# Waits up to $1 seconds for the window titled $2 and gives it the keyboard. The wait for the focus is
# bounded: a window replaced meanwhile would keep xdotool waiting for good.
focus_window() {
    eventually "$1" window_titled "$2" || fail "no window \"$2\""
    local window
    window=$(window_titled "$2") || fail "the window \"$2\" went away"
    timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
}
