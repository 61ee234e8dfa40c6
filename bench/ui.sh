#!/usr/bin/env bash
# ui.sh [BUILD_DIR]: builds the UI library benchmark (optimised, no sanitizers) and runs it
# under a private X server. The last line reads (one line, wrapped here)
#   ui: open_ms=<n> full_paint_ms=<n> present_ms=<n> keystroke_to_present_ms=<n> main_window_open_ms=<n>
#       wb_stroke_to_screen_ms=<n> wb_update_cpu_pct=<n>
# open_ms: the message box from Create to its first presented frame; full_paint_ms and
# present_ms: a full repaint and a full present of a 1280x720 window of 480 controls;
# keystroke_to_present_ms: a key sent through XTest to the presented frame showing its
# character in an edit of a 600x400 dialog (goal: under 5 ms); main_window_open_ms:
# ZoviCapture from its process start to the first presented frame of its main window
# showing the device lists (goal: under 400 ms); wb_stroke_to_screen_ms: the median time
# from an XTest pointer motion with the whiteboard's pen pressed to a root-window grab
# showing the stroke at the new point (goal: under 20 ms); wb_update_cpu_pct: this
# process's processor time over wall time, as a percent of one core, while a 1920x1080
# whiteboard is drawn on with an XTest motion every 5 ms for 3 s (goal: under 15%).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF -DZOVI_SANITIZE= >/dev/null
cmake --build "$build" -j4 --target zovi_ui_bench >/dev/null
exec "$root/scripts/with-servers.sh" "$build/bin/zovi_ui_bench"
