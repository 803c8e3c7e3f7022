#!/usr/bin/env bash
# Runs a command with DISPLAY naming an Xvfb of its own, started for it and ended after it.
# Usage: bench/with-xvfb.sh COMMAND [ARGUMENTS...]
set -euo pipefail

work=$(mktemp -d "${TMPDIR:-/tmp}/brevak-xvfb.XXXXXX")
xvfb_pid=
cleanup() {
    [[ -n "$xvfb_pid" ]] && kill -KILL "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Xvfb picks a free display and names it once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 60 number <"$work/display"
DISPLAY=:$number "$@"
