#!/usr/bin/env bash
# Settings start-up benchmark: builds zovi_settings_bench (release, no sanitizer) and
# loads the options record from a valid 5 MB settings store.
# Last line: "settings: startup_ms=<n> warm_ms=<n> file_mb=<n>". Target: startup_ms under 200.
# ZOVI_BENCH_BUILD: the build folder (default <repo>/build-bench).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOVI_BENCH_BUILD:-$repo/build-bench}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF -DZOVI_SANITIZE= >/dev/null
cmake --build "$build" -j3 --target zovi_settings_bench >/dev/null
"$build/bin/zovi_settings_bench"
