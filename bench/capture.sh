#!/usr/bin/env bash
# capture.sh [BUILD_DIR]: builds the capture benchmark (optimised, no sanitizers) and runs
# it under a private X server. The last line reads
#   capture: plain_ms=<n> shm_ms=<n> memcpy_ms=<n> dropped_at_60fps=<n>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF -DZOVI_SANITIZE= >/dev/null
cmake --build "$build" -j4 --target zovi_capture_bench >/dev/null
exec "$root/scripts/with-servers.sh" "$build/bin/zovi_capture_bench"
