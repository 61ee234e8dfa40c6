#!/usr/bin/env bash
# Stream player benchmark: plays one 1080p30 file of 60 s with our player
# (zovi_player_bench, release build) and then with Debian's ffplay, each into a
# 1280 x 720 window on a private X server with the sound on a private PulseAudio, both
# through SDL's software renderer. Reports each one's CPU share of one core, our
# picture clock's lead over the sound clock over the last 5 s, and the median time from
# a paused seek to its picture; and how many thumbnails per second the thumbnail grabber
# (zovi_thumbs_bench) makes of the same file for the cut view's picture ruler.
# Last line: "player: cpu_pct=<n> ffplay_cpu_pct=<n> av_drift_ms=<n> seek_ms=<n> thumbs_per_s=<n>".
# Goals: cpu_pct at or below ffplay_cpu_pct, av_drift_ms under 40, seek_ms under 150.
# ZOVI_BENCH_BUILD: the build folder (default <repo>/build-bench); the file is kept in
# ZOVI_BENCH_MEDIA (default /tmp/zovi-bench-media).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOVI_BENCH_BUILD:-$repo/build-bench}
media=${ZOVI_BENCH_MEDIA:-/tmp/zovi-bench-media}
cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOVI_BUILD_BENCH=ON \
  -DZOVI_BUILD_TESTS=OFF -DZOVI_SANITIZE= >/dev/null
cmake --build "$build" -j4 --target zovi_player_bench zovi_thumbs_bench >/dev/null

mkdir -p "$media"
file="$media/player-1080p30-60s.mp4"
if [ ! -s "$file" ]; then
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=s=1920x1080:r=30:d=60" \
    -f lavfi -i "sine=f=440:sample_rate=48000:d=60" \
    -c:v libx264 -preset veryfast -g 60 -pix_fmt yuv420p -c:a aac -b:a 128k \
    -movflags +faststart -f mp4 "$file.tmp"
  mv "$file.tmp" "$file"
fi

thumbs=$("$build/bin/zovi_thumbs_bench" "$file" 60 | tail -1 | sed -n 's/^thumbs_per_s=//p')
export ZOVI_PLAYER_BENCH="$build/bin/zovi_player_bench" ZOVI_PLAYER_FILE="$file" ZOVI_THUMBS_PER_S="$thumbs"
"$repo/scripts/with-servers.sh" bash -c '
  set -euo pipefail
  export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=pulseaudio SDL_RENDER_DRIVER=software
  ours=$("$ZOVI_PLAYER_BENCH" "$ZOVI_PLAYER_FILE" | tail -1)
  echo "zovi: $ours"
  start=$(date +%s.%N)
  # The subshell'"'"'s "times" reports its children'"'"'s user and system seconds.
  cpu=$( (ffplay -autoexit -loglevel error -x 1280 -y 720 "$ZOVI_PLAYER_FILE" </dev/null >/dev/null 2>&1; times) |
        tail -1 | awk "{ split(\$1, u, \"m\"); split(\$2, s, \"m\"); print u[1] * 60 + u[2] + s[1] * 60 + s[2] }")
  ffplay_pct=$(awk -v cpu="$cpu" -v start="$start" -v end="$(date +%s.%N)" \
    "BEGIN { printf \"%.1f\", cpu * 100 / (end - start) }")
  echo "ffplay: cpu_pct=$ffplay_pct"
  get() { echo "$ours" | tr " " "\n" | sed -n "s/^$1=//p"; }
  echo "player: cpu_pct=$(get cpu_pct) ffplay_cpu_pct=$ffplay_pct av_drift_ms=$(get av_drift_ms) seek_ms=$(get seek_ms) thumbs_per_s=$ZOVI_THUMBS_PER_S"
'
