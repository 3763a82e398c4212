#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The voice monitor on the real capture backend, end to end: a private sound server whose
# default source is a pipe, fed synthetic speech between stretches of silence at real time.
#
#   mic_voice.sh path/to/mic_probe
#
# The pipe source passes on exactly the samples written to it, so the probe's block count is a
# position in the fed file. The exact checks (when speaking starts and how long it is held)
# use that position as the monitor's clock and cannot be shifted by a busy machine; a second
# run on the wall clock drives the prompter engine in voice mode and checks what moves when.
set -euo pipefail

probe=${1:?usage: mic_voice.sh path/to/mic_probe}
for tool in pulseaudio pactl espeak-ng sox python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  local rc=$?
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  if [ "$rc" -ne 0 ] && [ -f "$tmp/pulse.log" ]; then
    echo "--- sound server log (last lines)"
    tail -n 20 "$tmp/pulse.log"
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  exit 1
}

# A sound-server world of our own: nothing from the user's session leaks in.
mkdir -p "$tmp/run" "$tmp/home" "$tmp/nothing"
chmod 700 "$tmp/run" "$tmp/nothing"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE PULSE_COOKIE
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run PULSE_RUNTIME_PATH=$tmp/run/pulse
printf 'autospawn = no\n' >"$tmp/client.conf"
export PULSE_CLIENTCONFIG=$tmp/client.conf

fifo=$tmp/mic.fifo
server_pid=
start_server() {
  rm -f "$fifo"
  # --system=no lets it run as root (CI); -n skips the system's default modules.
  pulseaudio -n --daemonize=no --system=no --disallow-exit --exit-idle-time=-1 \
    --log-target=stderr \
    --load="module-native-protocol-unix" \
    --load="module-pipe-source source_name=mic file=$fifo format=float32le rate=48000 channels=1" \
    >>"$tmp/pulse.log" 2>&1 &
  server_pid=$!
  pids+=("$server_pid")
  local i
  for i in $(seq 1 200); do
    if pactl info >/dev/null 2>&1 && [ -p "$fifo" ]; then
      pactl set-default-source mic
      return 0
    fi
    kill -0 "$server_pid" 2>/dev/null || fail "the sound server exited at start"
    sleep 0.1
  done
  fail "the sound server did not come up"
}

# Waits (generously) until the probe has printed a line starting with $2.
wait_for_line() {
  local file=$1 prefix=$2 pid=$3 i
  for i in $(seq 1 600); do
    grep -q "^$prefix" "$file" && return 0
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  grep -q "^$prefix" "$file" || { cat "$file"; fail "no '$prefix' line from the probe"; }
}

# Runs the probe to the end and checks it exited cleanly (sanitizers report through the code).
finish_probe() {
  local pid=$1 out=$2
  local rc=0
  wait "$pid" || rc=$?
  if [ "$rc" -ne 0 ]; then
    cat "$out"
    cat "$out.err"
    fail "the probe exited with $rc"
  fi
  grep -q '^stopped ' "$out" || { cat "$out"; fail "the probe did not get through its teardown"; }
}

# --- the feed: 2 s of silence, a sentence, 2.5 s of silence; float32, 48 kHz, mono
espeak-ng -s 160 -w "$tmp/speech.wav" \
  "good evening and welcome to the show tonight we talk about the weather and the news"
sox "$tmp/speech.wav" -r 48000 -c 1 -e floating-point -b 32 -t raw "$tmp/feed.raw" \
  norm -3 pad 2 2.5

# Where the feed is loud enough to count as speech at the default sensitivity (0.5: a block
# RMS above -27 dBFS), in 1024-frame blocks from the start of the feed.
read -r total first_loud last_loud longest_gap < <(python3 - "$tmp/feed.raw" <<'EOF'
import math, struct, sys
data = open(sys.argv[1], 'rb').read()
n = len(data) // 4
x = struct.unpack('<%df' % n, data[:n * 4])
loud = []
for b in range(n // 1024):
    block = x[b * 1024:(b + 1) * 1024]
    rms = math.sqrt(sum(v * v for v in block) / 1024)
    loud.append(rms > 10 ** (-27 / 20))
idx = [i for i, l in enumerate(loud) if l]
gap = max([b - a for a, b in zip(idx, idx[1:])] + [0])
print(len(loud), idx[0], idx[-1], gap)
EOF
)
echo "feed: $total blocks, loud from block $first_loud to $last_loud, longest quiet gap $longest_gap blocks"
# 0.5 s is 23.4 blocks: the checks below expect one continuous stretch of speech.
[ "$longest_gap" -lt 20 ] || fail "the synthetic speech has a pause of $longest_gap blocks"
[ "$first_loud" -gt 80 ] || fail "the feed starts loud at block $first_loud"

# Writes the feed into the pipe at real time, one block at a time on an absolute schedule.
feed() {
  python3 - "$tmp/feed.raw" "$fifo" <<'EOF'
import os, sys, time
data = open(sys.argv[1], 'rb').read()
fd = os.open(sys.argv[2], os.O_WRONLY)
chunk = 1024 * 4
start = time.monotonic()
for i in range(0, len(data), chunk):
    delay = start + (i // 4) / 48000.0 - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    os.write(fd, data[i:i + chunk])
os.close(fd)
EOF
}

start_server

# --- 1. stream clock: speaking starts on the first loud block and is held 0.5 s after the last
out=$tmp/stream.out
"$probe" --clock audio --blocks "$total" --seconds 120 >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
wait_for_line "$out" ready "$probe_pid"
grep -q '^ready running=1 denied=0' "$out" || { cat "$out"; fail "the monitor did not start on the private server"; }
feed
finish_probe "$probe_pid" "$out"
cat "$out"
python3 - "$out" "$total" "$first_loud" "$last_loud" <<'EOF' || fail "stream-clock run"
import re, sys
lines = open(sys.argv[1]).read().splitlines()
total, first, last = map(int, sys.argv[2:5])
block = 1024 / 48000
events = [(int(m[1]), int(m[2]) - 1) for m in
          (re.match(r'speaking (\d) block=(\d+)', l) for l in lines) if m]
end = [l for l in lines if l.startswith('end ')]
def check(ok, what):
    if not ok:
        print('FAIL:', what)
        sys.exit(1)
check(end and f'blocks={total}' in end[0], f'all {total} blocks arrived')
check([v for v, _ in events] == [1, 0], f'one stretch of speech, got {events}')
(_, on), (_, off) = events
check(first - 1 <= on <= first + 1, f'speaking starts at block {on}, the first loud one is {first}')
held = (off - last) * block
check(0.5 <= held <= 0.5 + 2 * block,
      f'speaking ends {held:.3f} s of stream after the last loud block (0.5 s plus a block)')
print(f'ok: speaking from block {on} to {off}, held {held:.3f} s after the last loud block')
EOF

# --- 2. wall clock, prompter engine in voice mode: the text moves only while speaking
out=$tmp/engine.out
"$probe" --clock wall --voice-mode --blocks "$total" --seconds 120 >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
wait_for_line "$out" ready "$probe_pid"
grep -q '^ready running=1 denied=0' "$out" || { cat "$out"; fail "voice mode did not start the monitor"; }
feed
finish_probe "$probe_pid" "$out"
cat "$out"
python3 - "$out" "$total" "$first_loud" "$last_loud" <<'EOF' || fail "voice-mode run"
import re, sys
lines = open(sys.argv[1]).read().splitlines()
total, first, last = map(int, sys.argv[2:5])
events = [(int(m[1]), int(m[2]) - 1, float(m[3])) for m in
          (re.match(r'speaking (\d) block=(\d+) t=\S+ offset=(\S+)', l) for l in lines) if m]
end = [re.match(r'end blocks=(\d+) .* offset=(\S+)', l) for l in lines if l.startswith('end ')]
def check(ok, what):
    if not ok:
        print('FAIL:', what)
        sys.exit(1)
check(end and end[0] and int(end[0][1]) == total, f'all {total} blocks arrived')
final_offset = float(end[0][2])
check(events and events[0][0] == 1 and events[-1][0] == 0, f'speech starts and ends: {events}')
check(all(a[0] != b[0] for a, b in zip(events, events[1:])), 'transitions alternate')
check(first - 1 <= events[0][1] <= first + 1,
      f'speaking starts at block {events[0][1]}, the first loud one is {first}')
check(events[-1][1] > last, 'speaking ends after the last loud block')
check(events[0][2] == 0, f'the text moved {events[0][2]} pt during the silence before speech')
for (v0, _, at0), (v1, _, at1) in zip(events, events[1:]):
    if v0 == 0:
        check(at1 == at0, f'the text moved from {at0} to {at1} pt during a pause')
check(events[-1][2] > 0, 'the text moved while speaking')
check(final_offset == events[-1][2],
      f'the text moved from {events[-1][2]} to {final_offset} pt in the silence after speech')
print(f'ok: moved {events[-1][2]} pt while speaking, not at all in the silence around it')
EOF

# --- 3. quitting while listening to a source that delivers nothing
out=$tmp/silent.out
"$probe" --seconds 2 >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
finish_probe "$probe_pid" "$out"
cat "$out"
grep -q '^ready running=1 denied=0' "$out" || fail "the monitor did not start on the silent source"
grep -q '^end blocks=0 .*running=1' "$out" || fail "the silent source delivered blocks or stopped"

# --- 4. the server goes away while the monitor listens
out=$tmp/lost.out
"$probe" --seconds 60 >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
wait_for_line "$out" ready "$probe_pid"
grep -q '^ready running=1 denied=0' "$out" || { cat "$out"; fail "the monitor did not start"; }
kill -KILL "$server_pid"
wait "$server_pid" 2>/dev/null || true
finish_probe "$probe_pid" "$out"
cat "$out"
grep -q '^denied 1' "$out" || fail "losing the server mid-stream did not set denied"
grep -q '^end .*running=0' "$out" || fail "the monitor still counts as listening"

# --- 5. no sound server at all
out=$tmp/none.out
XDG_RUNTIME_DIR=$tmp/nothing PULSE_RUNTIME_PATH=$tmp/nothing/pulse \
  "$probe" --seconds 30 >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
finish_probe "$probe_pid" "$out"
cat "$out"
grep -q '^denied 1' "$out" || fail "no server did not set denied"

# --- 6. a server that accepts the connection and never answers: start returns at once, the
# main thread's 50 ms timer keeps firing while the connection waits, and after the deadline
# denied is set
python3 - "$tmp/mute.sock" <<'EOF' &
import socket, sys, time
s = socket.socket(socket.AF_UNIX)
s.bind(sys.argv[1])
s.listen(8)
held = []
s.settimeout(0.2)
deadline = time.monotonic() + 120
while time.monotonic() < deadline:
    try:
        held.append(s.accept()[0])
    except socket.timeout:
        pass
EOF
pids+=("$!")
for i in $(seq 1 100); do [ -S "$tmp/mute.sock" ] && break; sleep 0.05; done
out=$tmp/mute.out
PULSE_SERVER=unix:$tmp/mute.sock "$probe" --seconds 30 >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
finish_probe "$probe_pid" "$out"
cat "$out"
grep -q '^ready running=1 denied=0' "$out" || fail "start waited for a server that never answers"
grep -q '^denied 1' "$out" || fail "a server that never answers did not set denied"
ticks=$(sed -n 's/^denied 1 .*ticks=\([0-9]*\).*/\1/p' "$out" | head -n 1)
[ "${ticks:-0}" -ge 2 ] || fail "the main thread stood still while connecting (ticks=$ticks)"

echo "PASS: mic_voice"
