#!/bin/bash
# The muxer program's costs:
# - what handing packets to it over its pipe costs, against writing them with libavformat
#   in-process;
# - the stop of an hour-long MP4 recording (720p30 with sound), for each candidate MP4
#   layout, with what FFmpeg and GStreamer make of the finished file and of the file as it
#   stood half-way (what a muxer killed then leaves).
# Last line: "mux: pipe_overhead_pct=<n> hour_finish_ms=<n>" (our layout, through the
# program). Environment: ZOVI_BENCH_BUILD (build folder, default build-bench),
# ZOVI_BENCH_FILES (folder for one hour-long file at a time, a few GB; default a
# temporary one).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZOVI_BENCH_BUILD:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j4 --target mux_bench mux_finish_bench ZoviMux >/dev/null

overhead_report=$("$build/bin/mux_bench" "$build/bin")
echo "$overhead_report"
overhead=$(tail -n1 <<<"$overhead_report" | sed 's/.*pipe_overhead_pct=//')

files="${ZOVI_BENCH_FILES:-$(mktemp -d)}"
trap 'rm -rf "$files"' EXIT

# The first number in the output of a command, or "-".
first_number() {
  awk 'match($0, /[0-9]+(\.[0-9]+)?/) { print substr($0, RSTART, RLENGTH); found = 1; exit }
    END { if (!found) print "-" }'
}
# "H:MM:SS.fff" of gst-discoverer in seconds, or "-".
gst_seconds() {
  timeout 120 gst-discoverer-1.0 "$1" 2>/dev/null |
    sed -n 's/.*Duration: \([0-9]*\):\([0-9]*\):\([0-9.]*\).*/\1 \2 \3/p' |
    awk 'NR==1 { printf "%.1f", $1 * 3600 + $2 * 60 + $3 }'
}
probe_duration() {
  timeout 120 ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" 2>/dev/null |
    first_number
}
# The video time of the first frame decoded after a seek to the middle.
seek_middle() {
  timeout 120 ffprobe -v error -select_streams v -read_intervals 1800%+#1 \
    -show_entries frame=pts_time -of csv=p=0 "$1" 2>/dev/null | first_number
}
# Seconds of video readable from the copy of the file taken half-way through the hour.
killed_seconds() {
  timeout 300 ffprobe -v error -select_streams v -show_entries packet=pts_time -of csv=p=0 \
    "$1.killed" 2>/dev/null | grep -E '^[0-9.]+$' | sort -n | tail -n1 | first_number
}

printf '%-24s %10s %8s %10s %10s %10s %14s\n' layout finish_ms size_mb ffprobe_s gst_s \
  seek_to_s killed_at_1800_s
hour_finish=-
for layout in ours ours_program index_at_end index_at_start fragments_mfra \
  fragments_no_mfra fragments_first_in_moov fragments_global_sidx; do
  read -r _ name ms path < <("$build/bin/mux_finish_bench" "$build/bin" "$files" "$layout")
  [ "$name" = ours_program ] && hour_finish=$ms
  printf '%-24s %10s %8s %10s %10s %10s %14s\n' "$name" "$ms" \
    $(($(stat -c %s "$path") / 1000000)) "$(probe_duration "$path")" "$(gst_seconds "$path")" \
    "$(seek_middle "$path")" "$(killed_seconds "$path")"
  rm -f "$path" "$path.killed"
done

echo "mux: pipe_overhead_pct=$overhead hour_finish_ms=$hour_finish"
