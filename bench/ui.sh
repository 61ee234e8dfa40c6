#!/usr/bin/env bash
# ui.sh [BUILD_DIR]: builds the UI library benchmark (optimised, no sanitizers) and runs it
# under a private X server. The last line reads
#   ui: open_ms=<n> full_paint_ms=<n> present_ms=<n> keystroke_to_present_ms=<n> main_window_open_ms=<n>
# open_ms: the message box from Create to its first presented frame; full_paint_ms and
# present_ms: a full repaint and a full present of a 1280x720 window of 480 controls;
# keystroke_to_present_ms: a key sent through XTest to the presented frame showing its
# character in an edit of a 600x400 dialog (goal: under 5 ms); main_window_open_ms:
# ZoviCapture from its process start to the first presented frame of its main window
# showing the device lists (goal: under 400 ms).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF -DZOVI_SANITIZE= >/dev/null
cmake --build "$build" -j4 --target zovi_ui_bench >/dev/null
exec "$root/scripts/with-servers.sh" "$build/bin/zovi_ui_bench"
