#!/usr/bin/env bash
# Measures how fast BREVAK restores DNS protection changed behind its back: 50 changes through
# brevak-simctl dns (a random service, random servers, random gaps of 0.2 to 2 s) against the real
# application with its check period left at 60 s. Prints p50, p99 and max of the time from each
# change to the service showing the resolver alone again.
#
# Usage: bench/protection/run.sh [CHANGES]
# Environment: BUILD_DIR (default build).
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build_dir=${BUILD_DIR:-$top/build}
cmake --build "$build_dir" -j2 --target brevak-bench-protection >/dev/null
"$build_dir/bin/brevak-bench-protection" "${1:-50}"
