#!/usr/bin/env bash
# Sound benchmark: builds zovi_sound_bench (release, no sanitizer) and runs it under a
# private sound server. Last line: "sound: cpu_pct=<n> latency_ms=<n>".
# Targets: cpu_pct under 2 (percent of one core), latency_ms under 100.
# ZOVI_BENCH_BUILD: the build folder (default <repo>/build-bench).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOVI_BENCH_BUILD:-$repo/build-bench}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF -DZOVI_SANITIZE= >/dev/null
cmake --build "$build" -j4 --target zovi_sound_bench >/dev/null
"$repo/scripts/with-servers.sh" "$build/bin/zovi_sound_bench"
