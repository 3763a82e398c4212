#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Follow mode end to end: a private sound server whose default source is a pipe, synthetic
# speech reading the first part of a script into it, and the engine (without a window, the
# script laid out as the prompter lays it out) on the real recogniser.
#
#   follow_voice.sh path/to/follow_probe [path/to/recognizer_stop_probe]
#
# Checks: nothing moves before the speech; the reader is placed well into the part read and
# never moves back; the text scrolled toward it; in the silence after the speech nothing moves.
set -euo pipefail

probe=${1:?usage: follow_voice.sh path/to/follow_probe [path/to/recognizer_stop_probe]}
stop_probe=${2:-}
for tool in pulseaudio pactl espeak-ng sox python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done
[ -f /usr/share/pocketsphinx/model/en-us/en-us/mdef ] || { echo "FAIL: pocketsphinx-en-us is not installed (scripts/install-deps)"; exit 1; }

tmp=$(mktemp -d)
pids=()
cleanup() {
  local rc=$?
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ "$rc" -ne 0 ] && [ -f "$tmp/pulse.log" ]; then
    echo "--- sound server log (last lines)"
    tail -n 20 "$tmp/pulse.log"
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$tmp/run" "$tmp/home"
chmod 700 "$tmp/run"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE PULSE_COOKIE
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run PULSE_RUNTIME_PATH=$tmp/run/pulse
printf 'autospawn = no\n' >"$tmp/client.conf"
export PULSE_CLIENTCONFIG=$tmp/client.conf

fifo=$tmp/mic.fifo
pulseaudio -n --daemonize=no --system=no --disallow-exit --exit-idle-time=-1 --log-target=stderr \
  --load="module-native-protocol-unix" \
  --load="module-pipe-source source_name=mic file=$fifo format=float32le rate=48000 channels=1" \
  >>"$tmp/pulse.log" 2>&1 &
pids+=("$!")
for i in $(seq 1 200); do
  if pactl info >/dev/null 2>&1 && [ -p "$fifo" ]; then pactl set-default-source mic; break; fi
  sleep 0.1
done
[ -p "$fifo" ] || fail "the sound server did not come up"

cat >"$tmp/script.txt" <<'TEXT'
Good evening and welcome to the show. Tonight we talk about the weather in the north and the
rain that fell all week on the farms near the river.
# News
Then the news from the city council, where the members voted to build a new bridge over the
water before the end of next summer.
Finally a story about a dog who learned to swim in the cold sea and became a friend to every
child in the small town by the harbour.
TEXT
# Read aloud: the first two paragraphs, 44 tokens of the body.
spoken="Good evening and welcome to the show. Tonight we talk about the weather in the north and the rain that fell all week on the farms near the river. Then the news from the city council, where the members voted to build a new bridge"
espeak-ng -s 150 -w "$tmp/speech.wav" "$spoken"
sox "$tmp/speech.wav" -r 48000 -c 1 -e floating-point -b 32 -t raw "$tmp/feed.raw" norm -3 pad 1.5 8

feed() {
  python3 - "$tmp/feed.raw" "$fifo" <<'PY'
import os, sys, time
data = open(sys.argv[1], 'rb').read()
fd = os.open(sys.argv[2], os.O_WRONLY)
chunk = 1024 * 4
start = time.monotonic()
print('feed-start', flush=True)
for i in range(0, len(data), chunk):
    delay = start + (i // 4) / 48000.0 - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    os.write(fd, data[i:i + chunk])
os.close(fd)
PY
}

feed_seconds=$(python3 -c "import os; print(os.path.getsize('$tmp/feed.raw') / 4 / 48000)")
speech_seconds=$(sox --i -D "$tmp/speech.wav")
out=$tmp/probe.out
"$probe" --script "$tmp/script.txt" --seconds 200 --stop-file "$tmp/stop" >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
for i in $(seq 1 600); do
  grep -q '^model ' "$out" && break
  kill -0 "$probe_pid" 2>/dev/null || { cat "$out" "$out.err"; fail "the probe exited before its model loaded"; }
  sleep 0.05
done
grep -q '^model ' "$out" || { cat "$out"; fail "the recogniser did not load a model"; }
grep '^ready\|^model' "$out"
# The loudness monitor and the recogniser (open by now: it opens the microphone before it takes
# a model) share one record stream.
streams=$(pactl list short source-outputs | wc -l)
[ "$streams" -eq 1 ] || { pactl list short source-outputs; fail "$streams record streams open, not one"; }
start_frames=$(grep -c '^frame' "$out" || true)
feed
# The feed has ended: its last 8 s were silence. Stop the probe and look.
touch "$tmp/stop"
rc=0
wait "$probe_pid" || rc=$?
[ "$rc" -eq 0 ] || { tail -n 5 "$out"; cat "$out.err"; fail "the probe exited with $rc"; }
python3 - "$out" "$start_frames" "$feed_seconds" "$speech_seconds" <<'PY' || fail "following"
import re, sys
lines = open(sys.argv[1]).read().splitlines()
start_frames, feed_s, speech_s = int(sys.argv[2]), float(sys.argv[3]), float(sys.argv[4])
frames = [(float(m[1]), float(m[2]), int(m[3])) for m in
          (re.match(r'frame t=(\S+) offset=(\S+) token=(\d+)', l) for l in lines) if m]
poss = [(float(m[1]), int(m[2])) for m in
        (re.match(r'pos t=(\S+) word=\d+ token=(\d+)', l) for l in lines) if m]
def check(ok, what):
    if not ok:
        print('FAIL:', what)
        sys.exit(1)
feed_t0 = frames[start_frames][0] if len(frames) > start_frames else None
check(feed_t0 is not None, 'frames were printed through the feed')
speech_t0 = feed_t0 + 1.5
silence_t0 = speech_t0 + speech_s
end_t = feed_t0 + feed_s
before = [f for f in frames if f[0] < speech_t0]
check(all(f[1] == 0 and f[2] == 0 for f in before), 'nothing moved before the speech')
tokens = [p for _, p in poss]
check(tokens, 'the reader was placed at all')
check(all(b >= a for a, b in zip(tokens, tokens[1:])), f'the reader moved back: {tokens}')
final = tokens[-1]
check(final >= 30, f'the reader reached token {final} of the 44 read')
check(final <= 50, f'the reader ran ahead to token {final}; 44 were read')
# The text settles within a few seconds of the last move; the last 3 s of silence must be still.
tail = [f for f in frames if f[0] >= end_t - 3 and f[0] <= end_t]
check(len(tail) >= 10, 'frames through the silence')
check(max(f[1] for f in tail) == min(f[1] for f in tail),
      f'the text moved in the silence: {tail[0][1]} → {tail[-1][1]}')
check(tail[-1][1] > 0, 'the text scrolled toward the reader')
late = [p for p in poss if p[0] > silence_t0 + 2.5]
check(not late, f'the reader moved in the silence: {late}')
print(f'ok: reader at token {final} of 44, text at {tail[-1][1]:.1f} pt, still in the silence')
PY
grep -q '^stopped ' "$out" || { cat "$out.err"; fail "the probe did not get through its teardown"; }
# Stopping while a script's model is being built returns at once instead of waiting for it.
if [ -n "$stop_probe" ]; then
  ASAN_OPTIONS=detect_leaks=0 "$stop_probe" >"$tmp/stop.out" 2>&1 || { cat "$tmp/stop.out"; fail "stopping during a model build"; }
  echo "ok: $(tail -n1 "$tmp/stop.out")"
fi
echo "PASS: follow_voice"
