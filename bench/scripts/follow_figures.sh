#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Follow mode measured on the real recogniser: espeak-ng reads a 300-word script at about 150
# words a minute into a private sound server's pipe source, with a 20-word ad-lib in the middle
# and 5 s of silence at the end, while follow_probe runs the engine on it. Prints a table.
#
#   follow_figures.sh [build-dir]
set -euo pipefail
build=${1:-build/release}
probe=
for p in "$build/bench/follow_probe" "$build/tests/e2e/follow_probe"; do
  [ -x "$p" ] && { probe=$p; break; }
done
[ -n "$probe" ] || { echo "follow_figures: no follow_probe in $build (configure with QM_BUILD_BENCH=ON)"; exit 0; }
for tool in pulseaudio pactl espeak-ng sox python3; do
  command -v "$tool" >/dev/null || { echo "follow_figures: $tool missing, skipped"; exit 0; }
done

tmp=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT

mkdir -p "$tmp/run" "$tmp/home"
chmod 700 "$tmp/run"
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE PULSE_COOKIE
export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run PULSE_RUNTIME_PATH=$tmp/run/pulse
printf 'autospawn = no\n' >"$tmp/client.conf"
export PULSE_CLIENTCONFIG=$tmp/client.conf QT_QPA_PLATFORM=offscreen
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

# The script: plain prose, two made-up names the dictionary cannot know.
cat >"$tmp/script.txt" <<'TEXT'
Good evening and welcome to the program. Tonight we look at how a small town by the sea
learned to live with the changing weather. For many years the harbour was the heart of the
town, and every family had someone working on the boats or in the market by the water.
When the storms grew stronger, the old wall that kept the waves away began to crack. The
council met every week for a whole winter to decide what to do. Some people wanted to build a
new wall, higher and wider than the first one. Others said the money would be better spent on
moving the market up the hill, away from the danger.
Our reporter Marvella Quintrook spent a month in the town, talking to fishermen, teachers,
shop owners and children. She found that most people cared less about the wall itself and
more about keeping the town together. An old captain told her that the sea has always taken
something from the town, and the town has always found a way to give something back.
In the end the council chose to do both. The new wall will be finished next spring, and the
market will open a second hall on the hill for the coldest months of the year. The school
has started a project where children measure the height of the tide every morning and write
the numbers on a large board in the square.
After the break we will hear from the people who built the first wall, nearly sixty years
ago, and from the young engineers who are building the new one. We will also visit the
bakery that has fed the harbour workers every morning since before the war. Stay with us,
because the story of this town is also the story of many places along the coast that face
the same hard choices. Thank you for watching, and see you after the break.
TEXT
adlib="anyway honestly I forgot my glasses so please forgive me if I squint slightly during my little speech okay folks"

python3 - "$tmp" "$adlib" <<'PY'
import os, re, subprocess, sys, json
tmp, adlib = sys.argv[1], sys.argv[2]
text = open(f'{tmp}/script.txt').read()
body = ' '.join(text.split())
sentences = re.findall(r'[^.!?]+[.!?]', body)
words_in_script = {re.sub(r"[^a-z']", '', w.lower()) for w in body.split()}
ad = adlib.split()
assert not [w for w in ad if w.lower() in words_in_script], 'ad-lib words must not be in the script'
rate = 48000
def synth(t, i):
    wav = f'{tmp}/s{i}.wav'
    raw = f'{tmp}/s{i}.raw'
    subprocess.run(['espeak-ng', '-s', '150', '-w', wav, t], check=True)
    # Trim the synthesiser's own silence at both ends, so that word times are interpolated
    # over speech only.
    subprocess.run(['sox', wav, '-r', str(rate), '-c', '1', '-e', 'floating-point', '-b', '32',
                    '-t', 'raw', raw, 'norm', '-3', 'silence', '1', '0.02', '0.5%', 'reverse',
                    'silence', '1', '0.02', '0.5%', 'reverse'], check=True)
    return open(raw, 'rb').read()
gap = b'\0' * (4 * int(0.25 * rate))
feed = bytearray(b'\0' * (4 * rate))  # 1 s of silence first
timeline = []
token = 0
half = len(sentences) // 2
order = sentences[:half] + [None] + sentences[half:]
for i, s in enumerate(order):
    toks = (ad if s is None else s.split())
    audio = synth(' '.join(toks), i)
    t0 = len(feed) / 4 / rate
    dur = len(audio) / 4 / rate
    weights = [len(w) + 1 for w in toks]
    total = sum(weights)
    acc = 0
    for w, wt in zip(toks, weights):
        start = t0 + dur * acc / total
        acc += wt
        end = t0 + dur * acc / total
        if s is None:
            timeline.append([start, end, -1])
        elif re.search(r'\w', w):
            timeline.append([start, end, token])
            token += 1
    feed += audio + gap
speech_end = len(feed) / 4 / rate
feed += b'\0' * (4 * 5 * rate)  # 5 s of silence at the end
open(f'{tmp}/feed.raw', 'wb').write(feed)
json.dump({'timeline': timeline, 'speech_end': speech_end, 'feed_end': len(feed) / 4 / rate,
           'tokens': token}, open(f'{tmp}/timeline.json', 'w'))
script_words = [t for t in timeline if t[2] >= 0]
minutes = (script_words[-1][1] - script_words[0][0] - len(ad) * 0.4) / 60
print(f'feed: {token} script words, {len(ad)} ad-lib words, {speech_end:.1f} s of speech, '
      f'{len(feed) / 4 / rate:.1f} s in all')
PY

# Baseline memory: the same probe with no model to load.
QUILLMERE_SPEECH_MODEL=$tmp/none "$probe" --script "$tmp/script.txt" --seconds 3 >"$tmp/base.out" 2>/dev/null || true

out=$tmp/probe.out
"$probe" --script "$tmp/script.txt" --seconds 600 --mark-file "$tmp/mark" --stop-file "$tmp/stop" \
  >"$out" 2>"$out.err" &
probe_pid=$!
pids+=("$probe_pid")
for i in $(seq 1 1200); do
  grep -q '^model ' "$out" && break
  kill -0 "$probe_pid" 2>/dev/null || break
  sleep 0.05
done
grep -q '^model ' "$out" || { echo "follow_figures: the recogniser did not load"; cat "$out.err"; exit 0; }
python3 - "$tmp/feed.raw" "$fifo" "$tmp/mark" <<'PY'
import os, sys, time
data = open(sys.argv[1], 'rb').read()
fd = os.open(sys.argv[2], os.O_WRONLY)
open(sys.argv[3], 'w').close()
chunk = 1024 * 4
start = time.monotonic()
for i in range(0, len(data), chunk):
    delay = start + (i // 4) / 48000.0 - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    os.write(fd, data[i:i + chunk])
os.close(fd)
PY
touch "$tmp/stop"
wait "$probe_pid" || true

# FOLLOW_FIGURES_KEEP=<folder> keeps the probe's output and the feed's word times there.
if [ -n "${FOLLOW_FIGURES_KEEP:-}" ]; then
  cp "$out" "$tmp/timeline.json" "$tmp/base.out" "$FOLLOW_FIGURES_KEEP"/
fi
python3 - "$out" "$tmp/base.out" "$tmp/timeline.json" <<'PY'
import json, re, statistics, sys
lines = open(sys.argv[1]).read().splitlines()
base = open(sys.argv[2]).read().splitlines()
tl = json.load(open(sys.argv[3]))
timeline, speech_end, feed_end = tl['timeline'], tl['speech_end'], tl['feed_end']
def grab(pattern, src=lines):
    return [m for m in (re.match(pattern, l) for l in src) if m]
viewport = 150.0
layout = [(int(m[1]), float(m[2]), float(m[3])) for m in grab(r'line token=(\d+) y=(\S+) h=(\S+)')]
ready_t = 0.0
model = grab(r'model t=(\S+) unknown=(.*)')[0]
mark = grab(r'mark t=(\S+) rss_kb=(\d+) cpu_s=(\S+)')[0]
end = grab(r'end t=(\S+) offset=\S+ rss_kb=(\d+) cpu_s=(\S+)')[0]
base_end = grab(r'end t=\S+ offset=\S+ rss_kb=(\d+)', base)
t0 = float(mark[1]) - 0.05  # the mark is seen on the first 100 ms frame after the feed starts
frames = [(float(m[1]) - t0, float(m[2]), int(m[3])) for m in
          grab(r'frame t=(\S+) offset=(\S+) token=(\d+)')]
moves = [(float(m[1]) - t0, int(m[2])) for m in grab(r'pos t=(\S+) word=\d+ token=(\d+)')]

def line_of_token(k):
    idx = 0
    for i, (first, _, _) in enumerate(layout):
        if first <= k:
            idx = i
    return idx
def line_at(y):
    return min(range(len(layout)), key=lambda i: abs(layout[i][1] + layout[i][2] / 2 - y))
def spoken_at(t):
    k = 0
    for s, e, tok in timeline:
        if s > t:
            break
        if tok >= 0:
            k = tok
    return k

script_times = [w for w in timeline if w[2] >= 0]
first_t, last_t = script_times[0][0], script_times[-1][1]
within = [abs(line_at(off + viewport / 3) - line_of_token(spoken_at(t))) <= 1
          for t, off, _ in frames if first_t <= t <= last_t]
accuracy = 100.0 * sum(within) / max(len(within), 1)

ends = {tok: e for s, e, tok in timeline if tok >= 0}
best = -1
latencies = []
for t, tok in moves:
    if tok > best:
        best = tok
        latencies.append(t - ends[tok])
back = sum(1 for (_, a), (_, b) in zip(moves, moves[1:]) if b < a)

adlib = [w for w in timeline if w[2] < 0]
resume_tok = next(w[2] for w in timeline if w[2] >= 0 and w[0] > adlib[-1][1])
resume_t = next(w[0] for w in timeline if w[2] == resume_tok)
during = [tok for t, tok in moves if adlib[0][0] <= t <= resume_t]
before_adlib = max([tok for t, tok in moves if t < adlib[0][0]] or [0])
recovered = next((t for t, tok in moves if t >= resume_t and tok >= resume_tok), None)
recovery = recovered - resume_t - (ends[resume_tok] - resume_t) if recovered is not None else None
recovery_from_start = recovered - resume_t if recovered is not None else None

silence = [off for t, off, _ in frames if speech_end <= t <= feed_end]
still = [off for t, off, _ in frames if speech_end + 2 <= t <= feed_end]

cpu = (float(end[3]) - float(mark[3])) / (float(end[1]) - float(mark[1])) * 100
rss = int(end[2]) / 1024
base_rss = int(base_end[0][1]) / 1024 if base_end else float('nan')

rows = [
    ('CPU of capture + recognition + matching + engine, speech playing', f'{cpu:.1f} % of one core'),
    ('Memory added (resident, probe with model - probe without)', f'{rss - base_rss:.1f} MB ({rss:.0f} vs {base_rss:.0f} MB)'),
    ('Model ready after start (decoder, dictionary, script model)', f'{float(model[1]) - ready_t:.1f} s'),
    ('Latency, end of a word -> reader placed on it: median / 90th pct',
     f'{statistics.median(latencies):.2f} s / {sorted(latencies)[int(0.9 * (len(latencies) - 1))]:.2f} s ({len(latencies)} moves)'),
    ('Reading line within one line of the spoken word', f'{accuracy:.1f} % of {len(within)} frames'),
    ('Reader moved back (whole run)', f'{back} times'),
    ('During the 20-word ad-lib', f'{len(during)} moves, reader {before_adlib} -> {max(during + [before_adlib])}'),
    ('Followed again after the ad-lib (from the first script word back)',
     f'{recovery_from_start:.2f} s' if recovery_from_start is not None else 'never'),
    ('Text moved in 5 s of silence: all / after the first 2 s',
     f'{max(silence) - min(silence):.2f} pt / {max(still) - min(still):.2f} pt'),
    ('Script words the dictionary lacks (left out, skipped by the matcher)', model[2] or 'none'),
    ('Reader reached', f'token {max(t for _, t in moves)} of {tl["tokens"]}'),
]
w = max(len(a) for a, _ in rows)
print(f'| {"Follow mode (espeak-ng, 150 wpm)".ljust(w)} | Figure |')
print(f'| {"-" * w} | --- |')
for a, b in rows:
    print(f'| {a.ljust(w)} | {b} |')
PY
