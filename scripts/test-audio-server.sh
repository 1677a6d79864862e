# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by test.sh: a private PulseAudio server whose source "scopein"
# carries a paced stereo test signal, like a sound card would.
start_test_audio_server() {
  export SIGM_TEST_PULSE_DIR
  SIGM_TEST_PULSE_DIR=$(mktemp -d)
  export XDG_RUNTIME_DIR="$SIGM_TEST_PULSE_DIR"
  export PULSE_RUNTIME_PATH="$SIGM_TEST_PULSE_DIR/pulse"
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  mkdir -p "$PULSE_RUNTIME_PATH"
  pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
    --load="module-native-protocol-unix socket=$PULSE_RUNTIME_PATH/native" \
    --load="module-null-sink sink_name=scope rate=48000 channels=2 norewinds=1" \
    --load="module-remap-source master=scope.monitor source_name=scopein" \
    </dev/null >"$SIGM_TEST_PULSE_DIR/server.log" 2>&1 &
  SIGM_TEST_PULSE_PID=$!
  for _ in $(seq 1 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
  done
  if ! pactl info >/dev/null 2>&1; then
    echo "test audio server did not start:" >&2
    cat "$SIGM_TEST_PULSE_DIR/server.log" >&2
    return 1
  fi
  pactl set-default-source scopein >/dev/null 2>&1 || true
  # The source behaves as a sound card's input does. Its pace is set by
  # whoever records from it: the feed keeps a long buffer (a feed asking for
  # low latency has the server hand every reader 5 ms blocks, whatever
  # fragments the reader asked for). And it passes each block on at once:
  # the monitor of a sink that can rewind holds back the last block for a
  # rewind (norewinds=1 above), one whole fragment more delay than a capture
  # input ever has.
  ( sox -q -n -r 48000 -c 2 -b 16 -e signed -t raw - synth 36000 sine 1000 sine 250 vol 0.5 | \
      pacat --playback --raw -d scope --rate=48000 --channels=2 --format=s16le --latency-msec=200 ) \
    >/dev/null 2>&1 &
  SIGM_TEST_FEED_PID=$!
  export SIGM_TEST_PULSE_SOURCE=scopein
}

stop_test_audio_server() {
  [ -n "${SIGM_TEST_FEED_PID:-}" ] && pkill -P "$SIGM_TEST_FEED_PID" 2>/dev/null; kill "${SIGM_TEST_FEED_PID:-}" 2>/dev/null || true
  [ -n "${SIGM_TEST_PULSE_PID:-}" ] && kill "$SIGM_TEST_PULSE_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  [ -n "${SIGM_TEST_PULSE_DIR:-}" ] && rm -rf "$SIGM_TEST_PULSE_DIR"
}
