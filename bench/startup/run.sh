#!/usr/bin/env bash
# Measures the time from process start to the first window on the screen: a bare Qt Widgets window
# built in the same run, then BREVAK with DNS protection off and on (on a fresh simulated Mac each
# time, so that protection at launch runs its networksetup commands). Runs under an Xvfb of its own.
# Prints each median and its ratio to the bare window.
#
# Usage: bench/startup/run.sh [RUNS]   (default 20)
# Environment: BUILD_DIR (default build).
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
bin=$build_dir/bin
cmake --build "$build_dir" -j2 --target brevak-bench-first-window >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/brevak-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export BREVAK_SIMULATED_ROOT=$work/mac BREVAK_API_BASE_URL=http://127.0.0.1:9 QTWEBENGINE_DISABLE_SANDBOX=1
unset QT_QPA_PLATFORM BREVAK_PROTECTION_CHECK_SECONDS
preferences=$BREVAK_SIMULATED_ROOT/home/Library/Preferences
# A fresh Mac with the wish for protection on or off.
fresh_mac() {
    echo "'$bin/brevak-simctl' init >/dev/null && mkdir -p '$preferences' &&
          echo '{ \"dnsLastStatus\": $1 }' > '$preferences/com.mac.brevak.json'"
}
export BEFORE_2=$(fresh_mac false) BEFORE_3=$(fresh_mac true)
"$top/bench/with-xvfb.sh" "$bin/brevak-bench-first-window" "${1:-20}" "bare Qt window=$bin/brevak-bench-bare-window" \
    "BREVAK, protection off=$bin/brevak" "BREVAK, protection on=$bin/brevak"
