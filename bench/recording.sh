#!/usr/bin/env bash
# The headline benchmark: records the 1920x1080 test screen with a moving pattern for
# 30 s at 30 fps with x264 (the default preset and tune) plus system sound, with our
# recorder and with ffmpeg (x11grab + pulse, the same encoder settings), one after the
# other on private X and sound servers. Reports dropped frames, CPU seconds per
# recorded second, peak memory and the A/V offset of both; the last line is
#   recording: dropped=<n> cpu_ratio=<ours/ffmpeg> rss_mb=<n> ffmpeg_rss_mb=<n> av_offset_ms=<n>
# Environment: ZOVI_BENCH_BUILD (build folder, default build-bench), ZOVI_BENCH_SECONDS.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOVI_BENCH_BUILD:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DZOVI_BUILD_BENCH=ON -DZOVI_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j4 --target zovi_recording_bench ZoviMux >/dev/null
exec "$root/scripts/with-servers.sh" bash "$root/bench/recording/run.sh" "$build"
