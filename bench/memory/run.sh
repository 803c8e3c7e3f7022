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

"$top/bench/with-xvfb.sh" "$build_dir/bin/brevak-bench-memory" "${1:-11}"
