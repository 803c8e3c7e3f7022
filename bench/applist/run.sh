#!/usr/bin/env bash
# Builds the application list of a simulated Mac with 200 applications, one program at a time as the
# original build did, then in parallel; prints both times and their ratio (best of RUNS each).
#
# Usage: bench/applist/run.sh [APPLICATIONS] [RUNS]
# Environment: BUILD_DIR (default build).
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
cmake --build "$build_dir" -j2 --target brevak-bench-applist >/dev/null
QT_QPA_PLATFORM=offscreen "$build_dir/bin/brevak-bench-applist" "${1:-200}" "${2:-3}"
