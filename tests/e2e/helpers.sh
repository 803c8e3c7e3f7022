# shellcheck shell=bash
# Shared by the end-to-end scripts and scripts/screenshots (sourced).

# Begins a script run with BIN_DIR ($1) and ARTIFACTS_DIR ($2): sets bin and artifacts, a temporary
# folder (work) that holds BREVAK's output (log) and brevak-server's (server_log), and the clean-up at
# exit, which ends the processes named in brevak_pid, server_pid, fakes_pid and xvfb_pid and removes
# the folder. Other files worth reading when the script fails are listed in more_logs.
begin_run() {
    bin=$1
    artifacts=$2
    mkdir -p "$artifacts"
    work=$(mktemp -d)
    log=$work/brevak.log
    server_log=$work/server.log
    more_logs=
    brevak_pid=
    server_pid=
    fakes_pid=
    xvfb_pid=
    trap end_run EXIT
    # A command that fails outside any check ends the script (set -e): say where, with the report.
    trap 'fail "line $LINENO of $(basename "$0"): a command failed"' ERR
}
end_run() {
    for pid in $brevak_pid $server_pid $fakes_pid $xvfb_pid; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}

# Ends the script as failed, with what shows why: the windows, the simulated Mac, and the last lines
# of BREVAK's output (but its dictionaries), of the server's and of the files in more_logs.
fail() {
    echo "FAIL: $*"
    if [ -n "${DISPLAY:-}" ]; then
        echo "--- windows ---"
        xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "' || true
    fi
    if [ -n "${BREVAK_SIMULATED_ROOT:-}" ]; then
        echo "--- the simulated Mac ---"
        "$bin/brevak-simctl" state 2>/dev/null || true
    fi
    local file
    for file in "$log" "$server_log" $more_logs; do
        [ -s "$file" ] || continue
        echo "--- $(basename "$file"), its last 80 lines ---"
        grep -v '^Localized Dict - ' "$file" | tail -n 80 || true
    done
    exit 1
}

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
    visible_windows "^$pattern\$" | head -n1 | grep .
}
# The ids of the visible windows whose titles match the regular expression $1, one a line. xdotool
# ends with BadWindow when a window goes away while it looks at it (Qt's short-lived windows do): that
# search is made again.
visible_windows() {
    for _ in 1 2 3 4 5; do
        xdotool search --onlyvisible --name "$1" 2>"$work/search.err" && return 0
        grep -q BadWindow "$work/search.err" || return 1
    done
    return 1
}
# Waits up to $1 seconds for the window titled $2 and gives it the keyboard.
focus_window() { eventually "$1" focus_once "$2" || fail "no window \"$2\" to give the keyboard to"; }
# Clicks at ($2, $3) in the window titled $1, measured from its top-left corner.
click_in() { eventually 15 click_once "$@" || fail "could not click in the window \"$1\""; }
# The window is asked for at each try: Qt replaces a window's X window now and then (one that starts
# showing web pages gets a new one), and xdotool given the old one fails with BadWindow. The wait for
# the focus is bounded, as xdotool would wait for good on a window replaced meanwhile.
focus_once() {
    local window
    window=$(window_titled "$1") || return 1
    timeout 5 xdotool windowfocus --sync "$window" || xdotool windowfocus "$window"
}
click_once() {
    local window
    window=$(window_titled "$1") && xdotool mousemove --window "$window" "$2" "$3" click 1
}
keys() { xdotool key --delay 50 "$@"; }
typed() { xdotool type --delay 20 "$1"; }

# The address a program printed in "listening on http://127.0.0.1:PORT" in the file $1.
listening_address() { grep -oE 'listening on http://127\.0\.0\.1:[0-9]+' "$1" | head -n1 | sed 's/listening on //'; }
# Starts brevak-server on a free port, its data in $work/server, with the remaining arguments; sets
# server_pid and base, the server's address.
start_server() {
    "$bin/brevak-server" --listen 127.0.0.1:0 --data-dir "$work/server" --dev-fast-hashing "$@" \
        >"$server_log" 2>&1 &
    server_pid=$!
    eventually 30 listening_address "$server_log" || fail "brevak-server did not start"
    base=$(listening_address "$server_log")
}
# Posts the form fields $3... to the server's endpoint $1 with the bearer token $2.
api() {
    local endpoint=$1 token=$2
    shift 2
    local fields=() field
    for field in "$@"; do fields+=(--data-urlencode "$field"); done
    curl -sS -X POST -H "Authorization: Bearer $token" "${fields[@]}" "$base/api/v3/$endpoint"
}
# How often the server answered the endpoint $1 with 200; whether more often than $2 times.
served() { grep -c "\"POST /api/v3/$1\" 200" "$server_log" || true; }
served_more() { [ "$(served "$1")" -gt "$2" ]; }
# Whether BREVAK printed the line part $1.
logged() { grep -qF -- "$1" "$log"; }
