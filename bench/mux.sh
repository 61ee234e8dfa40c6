#!/bin/bash
# Measures what handing packets to the muxer program over its pipe costs, against
# writing them with libavformat in-process. Last line: "mux: pipe_overhead_pct=<n>".
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZOVI_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j4 --target mux_bench ZoviMux >/dev/null
"$build/bin/mux_bench" "$build/bin"
