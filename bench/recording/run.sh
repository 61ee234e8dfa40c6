#!/usr/bin/env bash
# Runs inside scripts/with-servers.sh (see bench/recording.sh): $1 is the build folder.
set -euo pipefail
bench="$1/bin/zovi_recording_bench"
seconds=${ZOVI_BENCH_SECONDS:-30}
fps=30
out=$(mktemp -d /tmp/zovi-recording-bench.XXXXXX)
trap 'rm -rf "$out"' EXIT

# A fresh sound server runs its sinks at a long latency for its first seconds: let it
# settle, so neither recorder starts on it.
sleep 8

# One recording: the stage runs from a second before to a few seconds after it.
measure() {  # name command...
  local name=$1; shift
  "$bench" stage $((seconds + 4)) & local stage=$!
  sleep 1
  /usr/bin/time -f "%e %U %S %M" -o "$out/$name.time" "$@" >"$out/$name.log" 2>&1 ||
    { echo "$name failed:"; tail -5 "$out/$name.log"; }
  wait "$stage" || true
}

measure ours "$bench" record "$out/ours.mp4" "$seconds"
measure ffmpeg ffmpeg -hide_banner -nostdin -loglevel error -y \
  -f x11grab -framerate $fps -video_size 1920x1080 -draw_mouse 1 -i "$DISPLAY" \
  -f pulse -i "$ZOVI_SPEAKER_SINK.monitor" \
  -c:v libx264 -preset medium -tune zerolatency -profile:v main -pix_fmt yuv420p \
  -qmin 25 -qmax 31 -g 250 -bf 3 -fps_mode passthrough \
  -c:a aac -ar 44100 -ac 2 -b:a 128k -t "$seconds" "$out/ffmpeg.mp4"

field() { sed -n "s/.*\b$2=\([-0-9.]*\).*/\1/p" <<<"$1"; }
report() {  # name -> prints its line, sets dropped, cpu, rss, offset
  local name=$1 analysis times
  analysis=$("$bench" analyze "$out/$name.mp4" "$seconds" $fps || true)
  read -r _ user sys rss_kb <"$out/$name.time" || { user=0; sys=0; rss_kb=0; }
  # CPU seconds per recorded second, by the length of the file's video.
  recorded=$(field "$analysis" video_s)
  cpu=$(awk -v u="$user" -v s="$sys" -v t="${recorded:-$seconds}" \
    'BEGIN { printf "%.3f", (t > 0 ? (u + s) / t : 0) }')
  rss=$(( rss_kb / 1024 ))
  dropped=$(field "$analysis" dropped)
  offset=$(field "$analysis" av_offset_ms)
  echo "$name: $analysis cpu_s_per_s=$cpu peak_rss_mb=$rss"
}
report ffmpeg
ff_cpu=$cpu ff_rss=$rss
report ours
ratio=$(awk -v a="$cpu" -v b="$ff_cpu" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')
echo "recording: dropped=${dropped:-$((seconds * fps))} cpu_ratio=$ratio rss_mb=$rss ffmpeg_rss_mb=$ff_rss av_offset_ms=${offset:--1}"
