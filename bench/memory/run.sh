#!/usr/bin/env bash
# Measures BREVAK's resident memory 30 s after start with the window shown and no web page, then after
# each of 11 blocked applications (the block page shown, then closed), under an Xvfb of its own.
#
# Usage: bench/memory/run.sh [BLOCKS]   (default 11)
# Environment: BUILD_DIR (default build).
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
cmake --build "$build_dir" -j2 --target brevak-bench-memory >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/brevak-bench.XXXXXX")
xvfb_pid=
cleanup() {
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 60 number <"$work/display"
DISPLAY=:$number "$build_dir/bin/brevak-bench-memory" "${1:-11}"
