#!/usr/bin/env bash
# with-servers.sh COMMAND...: runs COMMAND under a private X server (Xvfb 1920x1080x24)
# and a private PulseAudio daemon, then stops both whatever COMMAND's result.
#
# Exported to COMMAND:
#   DISPLAY, PULSE_SERVER, XDG_RUNTIME_DIR  the private servers and runtime folder
#   HOME, XDG_CONFIG_HOME                   a private home (settings, data folder)
#   ZOVI_SPEAKER_SINK                       the default sink ("system sound" = its monitor)
#   ZOVI_MIC_SINK, ZOVI_MIC_SOURCE          the microphone stand-in: play into the sink,
#                                           record from the source (the default source)
#   DBUS_SESSION_BUS_ADDRESS                "disabled:" (no session bus)
# Exits with COMMAND's status, or 90 when a server does not come up.
set -u
work=$(mktemp -d /tmp/zovi-servers.XXXXXX)
chmod 700 "$work"
mkdir -p "$work/run" "$work/home/.config"
chmod 700 "$work/run"
xpid="" ; keepalive=()

stop_servers() {
  for p in "${keepalive[@]}"; do kill "$p" 2>/dev/null; done
  if [ -f "$work/run/pulse/pid" ]; then kill "$(cat "$work/run/pulse/pid")" 2>/dev/null; fi
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap stop_servers EXIT
trap 'exit 130' INT TERM

fail() {
  echo "with-servers: $1" >&2
  [ -f "$2" ] && sed 's/^/  | /' "$2" >&2
  exit 90
}

# --- X server: Xvfb picks a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
  +extension MIT-SHM +extension RANDR +extension XFIXES +extension XTEST \
  +extension DAMAGE +extension Composite \
  3>"$work/display" >"$work/xvfb.log" 2>&1 &
xpid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xpid" 2>/dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || fail "the X server did not start" "$work/xvfb.log"
export DISPLAY=":$(tr -d '\n' <"$work/display")"
# Ctrl+Alt+F1..F12 must reach clients, not switch consoles.
setxkbmap -option srvrkeys:none 2>/dev/null || true

# --- Sound server: two null sinks (speakers = default sink; the microphone stand-in is
# a real source remapped from the second sink's monitor), anonymous auth, no D-Bus.
export XDG_RUNTIME_DIR="$work/run"
# No session bus: libdbus (in SDL) must not fork a launcher from a threaded test process,
# which can hang; tests that need a bus start their own.
export DBUS_SESSION_BUS_ADDRESS=disabled:
export ZOVI_SPEAKER_SINK=zovi_speakers ZOVI_MIC_SINK=zovi_mic_in ZOVI_MIC_SOURCE=zovi_mic
cat >"$work/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1
load-module module-null-sink sink_name=$ZOVI_SPEAKER_SINK rate=48000 channels=2 sink_properties=device.description=Speakers
load-module module-null-sink sink_name=$ZOVI_MIC_SINK rate=48000 channels=2 sink_properties=device.description=MicrophoneFeed
load-module module-remap-source master=$ZOVI_MIC_SINK.monitor source_name=$ZOVI_MIC_SOURCE source_properties=device.description=Microphone
set-default-sink $ZOVI_SPEAKER_SINK
set-default-source $ZOVI_MIC_SOURCE
PA
(
  unset DISPLAY
  export HOME="$work/home" DBUS_SESSION_BUS_ADDRESS=disabled:
  pulseaudio -n -F "$work/pulse.pa" --daemonize=yes --exit-idle-time=-1 \
    --use-pid-file=yes --log-target=file:"$work/pulse.log" >/dev/null 2>&1
)
export PULSE_SERVER="unix:$work/run/pulse/native"
ok=""
for _ in $(seq 100); do
  if pactl info >/dev/null 2>&1; then ok=1; break; fi
  sleep 0.1
done
[ -n "$ok" ] || fail "the sound server did not start" "$work/pulse.log"

# An idle null sink renders in 2 s blocks; a silent player per sink keeps it live.
for sink in "$ZOVI_SPEAKER_SINK" "$ZOVI_MIC_SINK"; do
  pacat --playback --raw --latency-msec=20 -d "$sink" </dev/zero >/dev/null 2>&1 &
  keepalive+=($!)
done
# A new sink starts with ~2 s of buffered latency; wait until both have drained it, so
# sound played from now on reaches the monitors at once.
live=""
for _ in $(seq 100); do
  worst=$(pactl list sinks | awk '/^[ \t]*Latency:/ {if ($2 > max) max = $2} END {print max + 0}')
  if [ "$worst" -lt 100000 ]; then live=1; break; fi
  sleep 0.1
done
[ -n "$live" ] || fail "the sound server's sinks did not go live" "$work/pulse.log"

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
"$@"
status=$?
exit $status
