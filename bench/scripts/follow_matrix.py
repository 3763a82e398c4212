#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Follow mode measured on the real recogniser over a matrix of voices, reading rates, rooms,
scripts and reader behaviours. Each row synthesises a reading (espeak-ng, festival, flite),
optionally adds pink noise, other voices talking or reverb (sox), plays it in real time into a
private sound server's pipe source while follow_probe runs the engine on the script, and
compares what the probe did with the synthesiser's word times.

    follow_matrix.py BUILD_DIR [ROW ...]

Rows are named; with none given every default row runs (about a quarter of an hour).
FOLLOW_LONG=1 adds a 30-minute reading in a room of other voices, for memory over time.
FOLLOW_MATRIX_KEEP=DIR keeps each row's probe output (with what the recogniser heard, and
when) and word times there.
"""
import difflib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RATE = 48000

STORY = """Good evening and welcome to the program. Tonight we look at how a small town by the sea
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
"""

DEMO = """Thanks for joining this demo of Trellisync, our new sync service for small teams.
Version 2 ships on March 3rd, and it has been in testing since 2019 with 40 companies.
Uploads are now 3 times faster, and the desktop client uses under 50 megabytes of memory.
Every file is encrypted on your laptop before it leaves, with keys only you hold.
Let me open the dashboard. On the left you see the folders, on the right the activity feed.
When Priya edits the budget spreadsheet, her changes appear here within 2 seconds.
If two people edit the same file offline, Trellisync keeps both versions and shows the
differences side by side, so nobody loses work.
Pricing starts at 8 dollars per user per month, and teams under 5 people pay nothing.
Admins get single sign-on, audit logs and a command line tool for scripting backups.
We also built a plugin for the most popular code editors, so developers can share snippets
without leaving the keyboard.
That is the tour. Questions are welcome, and the beta opens to everyone next week.
"""

CHORUS = """# Opening
Welcome back, everyone, to the evening show.
Tonight we sing for the river and the road.
# Chorus
Carry me home by the river, carry me home by the road,
carry me home when the lanterns are lit and the long day is done.
# Verse one
My grandfather built a boat from the pine behind the barn,
and every spring he sailed it down to trade for seed and yarn.
# Chorus
Carry me home by the river, carry me home by the road,
carry me home when the lanterns are lit and the long day is done.
# Verse two
My mother kept the ledger and she counted every coin,
she said a family is a rope where many threads must join.
# Chorus
Carry me home by the river, carry me home by the road,
carry me home when the lanterns are lit and the long day is done.
# Closing
Thank you all for singing with us tonight.
"""

TALK = """Good morning.
I want to talk about sleep.
Not the sleep you get,
but the sleep you lose.
Most of us sleep
an hour less than we need.
We call it busy.
Our bodies call it debt.
And debt is paid,
one way or another.
It is paid in mistakes,
in short tempers,
in slow thinking,
in colds that never quite leave.
So here is my proposal.
Treat sleep like a meeting.
Put it in the calendar.
Protect it from the phone.
Guard the last hour of the evening
the way you guard the first hour of work.
Try it for two weeks.
Write down how you feel each morning.
I think you will be surprised
how much of your life comes back.
Thank you.
"""

BABBLE_TEXT = ("So I told him the recipe needs more garlic and he just laughed at me. "
               "Did you see the match last night, the keeper was unbelievable in the second half. "
               "We should book the flights before the prices go up again in the summer. "
               "My sister moved to a new flat and the kitchen is tiny but the view is lovely. "
               "Honestly the traffic on the bridge was terrible this morning, it took an hour. ")

ADLIB = ("anyway honestly I forgot my glasses so please forgive me if I squint slightly "
         "during my little speech okay folks")


def tokens_of(text):
    """Body tokens as the program counts them: runs of non-space holding a letter or digit,
    cue lines (a first character '#') left out."""
    out = []
    for line in text.splitlines():
        if line.startswith('#'):
            continue
        out += [w for w in line.split() if re.search(r'\w', w)]
    return out


def sentences_of(text):
    """Sentences with the index of their first token: split at . ! ? and, for short-line
    scripts, at line ends."""
    sents, tok = [], 0
    for line in text.splitlines():
        if line.startswith('#') or not line.strip():
            continue
        for part in re.findall(r'[^.!?]+[.!?]?', line):
            words = [w for w in part.split() if re.search(r'\w', w)]
            if words:
                sents.append((tok, words))
                tok += len(words)
    return sents


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


class Voices:
    """Synthesises one stretch of text at a rate in words a minute; returns float32 48 kHz mono
    samples with the synthesiser's own silence trimmed at both ends."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.n = 0
        self.stretch = {}

    def raw(self, wav):
        raw = wav + '.raw'
        run(['sox', wav, '-r', str(RATE), '-c', '1', '-e', 'floating-point', '-b', '32', '-t', 'raw',
             raw, 'norm', '-3', 'silence', '1', '0.02', '0.5%', 'reverse', 'silence', '1', '0.02',
             '0.5%', 'reverse'])
        data = open(raw, 'rb').read()
        os.remove(raw)
        os.remove(wav)
        return data

    def synth_once(self, voice, text, stretch, wpm):
        self.n += 1
        wav = f'{self.tmp}/v{self.n}.wav'
        if voice.startswith('espeak'):
            variant = voice.split(':', 1)[1]
            run(['espeak-ng', '-v', variant, '-s', str(wpm), '-w', wav, text])
        elif voice == 'festival':
            scm = f'{self.tmp}/v{self.n}.scm'
            open(scm, 'w').write(f"(Parameter.set 'Duration_Stretch {stretch:.3f})\n")
            run(['text2wave', '-eval', scm, '-o', wav], input=text.encode())
        elif voice.startswith('flite'):
            run(['flite', '-voice', voice.split(':', 1)[1], '--setf', f'duration_stretch={stretch:.3f}',
                 '-t', text, '-o', wav])
        return self.raw(wav)

    def calibrate(self, voice, wpm):
        """The duration stretch that makes festival or flite read at `wpm`."""
        key = (voice, wpm)
        if voice.startswith('espeak') or key in self.stretch:
            return self.stretch.get(key, 1.0)
        sample = ' '.join(tokens_of(STORY)[:60])
        stretch = 1.0
        for _ in range(2):
            seconds = len(self.synth_once(voice, sample, stretch, wpm)) / 4 / RATE
            actual = 60 * 60 / seconds
            stretch *= actual / wpm
        self.stretch[key] = stretch
        return stretch

    def say(self, voice, text, wpm):
        return self.synth_once(voice, text, self.calibrate(voice, wpm), wpm)


def silence(seconds):
    return b'\0' * (4 * int(seconds * RATE))


def build_reading(voices, row):
    """The feed and its word times. A plan is a list of steps: ('read', first, last) reads
    sentences first..last, ('pause', s), ('adlib',), ('reread',) the sentence just read, and
    ('skip', n) about n words forward (or back when negative)."""
    text = row['script']
    sents = sentences_of(text)
    feed = bytearray(silence(1.0))
    speech = bytearray()
    timeline = []  # [start, end, token] with token -1 for words off the script
    events = []    # (kind, time of the first word after it, its token)
    gap = silence(0.25)

    def say(words, first_token):
        audio = voices.say(row['voice'], ' '.join(words), row['wpm'])
        t0 = len(feed) / 4 / RATE
        dur = len(audio) / 4 / RATE
        # Word times spread over the sentence by the letters of each word (digits said as
        # several words count more).
        weights = [sum(5 if c.isdigit() else 1 for c in w) + 1 for w in words]
        total, acc = sum(weights), 0
        for i, (w, wt) in enumerate(zip(words, weights)):
            start = t0 + dur * acc / total
            acc += wt
            timeline.append([start, t0 + dur * acc / total,
                             -1 if first_token < 0 else first_token + i])
        feed.extend(audio)
        feed.extend(gap)
        speech.extend(audio)
        return t0

    cur = 0
    pending = None
    for step in row['plan']:
        kind = step[0]
        if kind == 'read':
            for i in range(step[1], min(step[2], len(sents) - 1) + 1):
                t = say(sents[i][1], sents[i][0])
                if pending:
                    events.append((pending, t, sents[i][0]))
                    pending = None
                cur = i
        elif kind == 'pause':
            t = len(feed) / 4 / RATE
            feed.extend(silence(step[1]))
            events.append(('pause', t, step[1]))
        elif kind == 'adlib':
            say(ADLIB.split(), -1)
            pending = 'adlib'
        elif kind == 'reread':
            t = say(sents[cur][1], sents[cur][0])
            events.append(('reread', t, sents[cur][0]))
        elif kind == 'skip':
            pending = f'skip {step[1]:+d}'
    speech_end = len(feed) / 4 / RATE
    feed.extend(silence(5.0))
    return feed, speech, timeline, events, speech_end


def expand_plan(row):
    """Turns ('from', k) markers left by skips into concrete read ranges."""
    plan, at = [], 0
    sents = sentences_of(row['script'])
    for step in row['plan']:
        if step[0] == 'read_n':
            plan.append(('read', at, at + step[1] - 1))
            at += step[1]
        elif step[0] == 'skip':
            here = sents[min(at, len(sents)) - 1]
            end = here[0] + len(here[1])
            at = min(range(len(sents)), key=lambda i: abs(sents[i][0] - (end + step[1])))
            plan.append(step)
        elif step[0] == 'rest':
            plan.append(('read', at, len(sents) - 1))
            at = len(sents)
        else:
            plan.append(step)
    row['plan'] = plan
    return row


def rms(path):
    out = subprocess.run(['sox', '-t', 'raw', '-r', str(RATE), '-e', 'floating-point', '-b', '32',
                          '-c', '1', path, '-n', 'stat'], capture_output=True, text=True).stderr
    return float(re.search(r'RMS\s+amplitude:\s+(\S+)', out)[1])


def raw_args(path):
    return ['-t', 'raw', '-r', str(RATE), '-e', 'floating-point', '-b', '32', '-c', '1', path]


def apply_room(tmp, voices, row, feed_path, speech_path, seconds):
    room = row['room']
    if room == 'clean':
        return feed_path
    out = f'{tmp}/room.raw'
    level = rms(speech_path)
    if room.startswith('pink'):
        snr = float(room[4:])
        noise = f'{tmp}/noise.raw'
        run(['sox', '-n', *raw_args(noise)[:-1], noise, 'synth', f'{seconds:.3f}', 'pinknoise'])
        gain = level * 10 ** (-snr / 20) / rms(noise)
        run(['sox', '-m', '-v', '1', *raw_args(feed_path), '-v', f'{gain:.6f}', *raw_args(noise),
             *raw_args(out), 'trim', '0', f'{seconds:.3f}'])
    elif room.startswith('babble'):
        snr = float(room[6:])
        talkers = []
        for i, v in enumerate(['espeak:en-us+m3', 'espeak:en-gb+f3', 'espeak:en-us+f4']):
            words = BABBLE_TEXT.split()
            rotated = ' '.join(words[i * 17:] + words[:i * 17])
            audio = bytearray(silence(0.3 * i))
            while len(audio) / 4 / RATE < seconds:
                audio.extend(voices.say(v, rotated, 160 + 10 * i))
                audio.extend(silence(0.4))
            p = f'{tmp}/talker{i}.raw'
            open(p, 'wb').write(bytes(audio[:4 * int(seconds * RATE)]))
            talkers.append(p)
        babble = f'{tmp}/babble.raw'
        run(['sox', '-m', *raw_args(talkers[0]), *raw_args(talkers[1]), *raw_args(talkers[2]),
             *raw_args(babble)])
        gain = level * 10 ** (-snr / 20) / rms(babble)
        run(['sox', '-m', '-v', '1', *raw_args(feed_path), '-v', f'{gain:.6f}', *raw_args(babble),
             *raw_args(out), 'trim', '0', f'{seconds:.3f}'])
    elif room == 'reverb':
        run(['sox', *raw_args(feed_path), *raw_args(out), 'reverb', '50', '50', '100', 'trim', '0',
             f'{seconds:.3f}'])
    return out


def start_server(tmp):
    env = dict(os.environ)
    for k in ('PULSE_SERVER', 'PULSE_SINK', 'PULSE_SOURCE', 'PULSE_COOKIE'):
        env.pop(k, None)
    run_dir = f'{tmp}/run'
    os.makedirs(run_dir, exist_ok=True)
    os.makedirs(f'{tmp}/home', exist_ok=True)
    os.chmod(run_dir, 0o700)
    open(f'{tmp}/client.conf', 'w').write('autospawn = no\n')
    env.update(HOME=f'{tmp}/home', XDG_RUNTIME_DIR=run_dir, PULSE_RUNTIME_PATH=f'{run_dir}/pulse',
               PULSE_CLIENTCONFIG=f'{tmp}/client.conf', QT_QPA_PLATFORM='offscreen')
    fifo = f'{tmp}/mic.fifo'
    log = open(f'{tmp}/pulse.log', 'ab')
    server = subprocess.Popen(
        ['pulseaudio', '-n', '--daemonize=no', '--system=no', '--disallow-exit',
         '--exit-idle-time=-1', '--log-target=stderr', '--load=module-native-protocol-unix',
         f'--load=module-pipe-source source_name=mic file={fifo} format=float32le rate={RATE} '
         'channels=1'], stdout=log, stderr=log, env=env)
    for _ in range(200):
        if os.path.exists(fifo) and subprocess.run(['pactl', 'info'], env=env, capture_output=True).returncode == 0:
            subprocess.run(['pactl', 'set-default-source', 'mic'], env=env, capture_output=True)
            break
        time.sleep(0.1)
    return server, env, fifo


def play(feed_path, fifo, mark):
    data = open(feed_path, 'rb').read()
    fd = os.open(fifo, os.O_WRONLY)
    open(mark, 'w').close()
    chunk = 1024 * 4
    start = time.monotonic()
    for i in range(0, len(data), chunk):
        delay = start + (i // 4) / RATE - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        os.write(fd, data[i:i + chunk])
    os.close(fd)


def measure_row(probe, row, voices, keep):
    tmp = tempfile.mkdtemp(prefix='qm-follow-')
    server = probe_proc = None
    try:
        feed, speech, timeline, events, speech_end = build_reading(voices, row)
        feed_path, speech_path = f'{tmp}/feed.raw', f'{tmp}/speech.raw'
        open(feed_path, 'wb').write(feed)
        open(speech_path, 'wb').write(speech)
        feed_end = len(feed) / 4 / RATE
        feed_path = apply_room(tmp, voices, row, feed_path, speech_path, feed_end)
        script = f'{tmp}/script.txt'
        open(script, 'w').write(row['script'])
        server, env, fifo = start_server(tmp)
        out = open(f'{tmp}/probe.out', 'w')
        probe_proc = subprocess.Popen([probe, '--script', script, '--seconds', str(feed_end + 120),
                                       '--mark-file', f'{tmp}/mark', '--stop-file', f'{tmp}/stop'],
                                      stdout=out, stderr=subprocess.DEVNULL, env=env)
        for _ in range(1200):
            if '\nmodel ' in '\n' + open(f'{tmp}/probe.out').read() or probe_proc.poll() is not None:
                break
            time.sleep(0.05)
        play(feed_path, fifo, f'{tmp}/mark')
        open(f'{tmp}/stop', 'w').close()
        probe_proc.wait(timeout=60)
        lines = open(f'{tmp}/probe.out').read().splitlines()
        if keep:
            os.makedirs(keep, exist_ok=True)
            shutil.copy(f'{tmp}/probe.out', f"{keep}/{row['name']}.out")
            json.dump({'timeline': timeline, 'events': events, 'speech_end': speech_end,
                       'feed_end': feed_end}, open(f"{keep}/{row['name']}.json", 'w'))
        return figures(lines, timeline, events, speech_end, feed_end, tokens_of(row['script']))
    finally:
        for p in (probe_proc, server):
            if p and p.poll() is None:
                p.send_signal(signal.SIGTERM)
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
        shutil.rmtree(tmp, ignore_errors=True)


def heard_share(lines, timeline, tokens):
    """The share of the script words said that the recogniser's results hold, in order: the
    words of each final result, and of the last partial of an utterance never ended."""
    norm = lambda w: re.sub(r"[^a-z0-9']", '', w.lower())
    heard, last = [], []
    for m in (re.match(r'heard t=\S+ final=(\d) words=(.*)', l) for l in lines):
        if not m:
            continue
        if m[1] == '1':
            heard += m[2].split()
            last = []
        else:
            last = m[2].split()
    heard = [norm(w) for w in heard + last]
    said = [norm(tokens[k]) if k >= 0 else '' for _, _, k in timeline]
    blocks = difflib.SequenceMatcher(None, said, heard, autojunk=False).get_matching_blocks()
    matched = sum(1 for a, _, n in blocks for i in range(n) if timeline[a + i][2] >= 0)
    return 100.0 * matched / max(sum(1 for w in timeline if w[2] >= 0), 1)


def figures(lines, timeline, events, speech_end, feed_end, tokens=None):
    def grab(pattern):
        return [m for m in (re.match(pattern, l) for l in lines) if m]
    if not grab(r'model '):
        return {'error': 'the recogniser did not load'}
    viewport = 150.0
    layout = [(int(m[1]), float(m[2]), float(m[3])) for m in grab(r'line token=(\d+) y=(\S+) h=(\S+)')]
    mark = grab(r'mark t=(\S+) rss_kb=(\d+) cpu_s=(\S+)')[0]
    end = grab(r'end t=(\S+) offset=\S+ rss_kb=(\d+) cpu_s=(\S+)')[0]
    t0 = float(mark[1]) - 0.05
    frames = [(float(m[1]) - t0, float(m[2]), int(m[3]))
              for m in grab(r'frame t=(\S+) offset=(\S+) token=(\d+)')]
    moves = [(float(m[1]) - t0, int(m[2])) for m in grab(r'pos t=(\S+) word=\d+ token=(\d+)')]
    usage = [(float(m[1]) - t0, int(m[2])) for m in grab(r'usage t=(\S+) rss_kb=(\d+)')]
    usage = [u for u in usage if u[0] >= 0]

    starts = [l[0] for l in layout]

    def line_of_token(k):
        idx = 0
        for i, first in enumerate(starts):
            if first <= k:
                idx = i
        return idx

    def line_at(y):
        return min(range(len(layout)), key=lambda i: abs(layout[i][1] + layout[i][2] / 2 - y))

    script_words = [w for w in timeline if w[2] >= 0]

    def spoken_at(t):
        """The script token being said at t, or the last one said."""
        k = script_words[0][2]
        for s, e, tok in timeline:
            if s > t:
                break
            if tok >= 0:
                k = tok
        return k

    first_t, last_t = script_words[0][0], script_words[-1][1]
    checked = [(t, off) for t, off, _ in frames if first_t <= t <= last_t]
    within = [abs(line_at(off + viewport / 3) - line_of_token(spoken_at(t))) <= 1 for t, off in checked]
    accuracy = 100.0 * sum(within) / max(len(within), 1)

    # Moves onto words not yet said, more than two ahead of the one being said. A word read
    # before a re-read or a skip back was said: a move onto it, heard late, is lag.
    def unsaid(t, tok):
        return not any(s <= t and k == tok for s, _, k in timeline)
    ahead = sum(1 for t, tok in moves if first_t <= t <= last_t + 1 and tok > spoken_at(t) + 2
                and unsaid(t, tok))
    far_ahead = sum(1 for t, tok in moves if first_t <= t <= last_t + 1
                    and tok >= spoken_at(t) + 6 and unsaid(t, tok))
    minutes = (last_t - first_t) / 60

    def found_again(t_from, back=None):
        """Seconds from t_from until the reader is within four words of the one being said
        (and, for a re-read from word `back`, has gone back to get there: three words behind the
        farthest the reader was put since, which may be after t_from when the first reading's
        last words are recognised late. A reader that never got three words past the re-read's
        first word has nothing to go back from: within a word of that first word will do)."""
        peak = next((tok for t, _, tok in reversed(frames) if t <= t_from), 0)
        for t, _, tok in frames:
            if t < t_from:
                continue
            peak = max(peak, tok)
            if abs(tok - spoken_at(t)) <= 4 and (back is None or tok <= max(peak - 3, back + 1)):
                return t - t_from
        return None

    recoveries = {}
    for kind, t, arg in events:
        if kind == 'pause':
            moved = [off for ft, off, _ in frames if t + 0.5 <= ft <= t + arg]
            recoveries.setdefault('pause', []).append(max(moved) - min(moved) if moved else 0.0)
        else:
            recoveries.setdefault(kind, []).append(found_again(t, back=arg if kind == 'reread' else None))
    silence = [off for t, off, _ in frames if speech_end + 1.5 <= t <= feed_end]
    cpu = (float(end[3]) - float(mark[3])) / (float(end[1]) - float(mark[1])) * 100
    rss_start = usage[0][1] / 1024 if usage else int(mark[2]) / 1024
    rss_end = int(end[2]) / 1024
    model = grab(r'model t=(\S+) unknown=(.*)')[0]
    return {
        'within': accuracy, 'ahead_per_2min': ahead / minutes * 2 if minutes > 0 else 0,
        'far_ahead_per_2min': far_ahead / minutes * 2 if minutes > 0 else 0,
        'recoveries': recoveries, 'cpu': cpu, 'rss_start': rss_start, 'rss_end': rss_end,
        'rss_max': max([u[1] for u in usage] + [int(end[2])]) / 1024,
        'settle_drift': max(silence) - min(silence) if silence else 0.0,
        'unknown': model[2], 'minutes': minutes, 'model_ready': float(model[1]),
        'rss_series': [(round(t), round(r / 1024)) for t, r in usage[::60]],
        'heard': heard_share(lines, timeline, tokens) if tokens and grab(r'heard ') else None,
    }


def rows():
    story_half = len(sentences_of(STORY)) // 2
    base = [
        # Voices and rates, each on its own script, with an ad-lib and a 4 s pause.
        dict(name='espeak-us-150-story', voice='espeak:en-us', wpm=150, room='clean', script=STORY,
             plan=[('read_n', story_half), ('adlib',), ('pause', 4), ('rest',)]),
        dict(name='espeak-gb-190-demo', voice='espeak:en-gb+f3', wpm=190, room='clean', script=DEMO,
             plan=[('read_n', 5), ('pause', 4), ('rest',)]),
        dict(name='festival-140-talk', voice='festival', wpm=140, room='clean', script=TALK,
             plan=[('read_n', 12), ('adlib',), ('rest',)]),
        dict(name='flite-120-chorus', voice='flite:slt', wpm=120, room='clean', script=CHORUS,
             plan=[('read_n', 5), ('pause', 4), ('rest',)]),
        # Rooms: the story's first half read at 160 words a minute.
        dict(name='pink20-story', voice='espeak:en-us', wpm=160, room='pink20', script=STORY,
             plan=[('read_n', story_half), ('adlib',), ('read_n', 3)]),
        dict(name='pink10-story', voice='espeak:en-us', wpm=160, room='pink10', script=STORY,
             plan=[('read_n', story_half), ('adlib',), ('read_n', 3)]),
        # Other voices all through a whole reading: where one endless utterance used to stall.
        dict(name='babble10-story', voice='espeak:en-us', wpm=160, room='babble10', script=STORY,
             plan=[('read_n', story_half), ('adlib',), ('rest',)]),
        dict(name='reverb-talk', voice='espeak:en-us', wpm=170, room='reverb', script=TALK,
             plan=[('rest',)]),
        # Reader behaviours on the clean voice.
        dict(name='reread-story', voice='espeak:en-us', wpm=160, room='clean', script=STORY,
             plan=[('read_n', 3), ('reread',), ('read_n', 3), ('reread',), ('read_n', 3), ('reread',),
                   ('read_n', 2)]),
        dict(name='skips', voice='espeak:en-us', wpm=170, room='clean', script=STORY + DEMO + TALK,
             plan=[('read_n', 2), ('skip', 60), ('read_n', 2), ('skip', 120), ('read_n', 2),
                   ('skip', -200), ('read_n', 2), ('skip', 200), ('read_n', 2), ('skip', -120),
                   ('read_n', 2), ('skip', -60), ('read_n', 2)]),
    ]
    if os.environ.get('FOLLOW_LONG') == '1':
        # About 30 minutes: the talk read over and over, other voices talking all along.
        base.append(dict(name='babble10-30min', voice='espeak:en-us', wpm=160, room='babble10',
                         script=TALK, plan=[('read', 0, 10 ** 6)] * 44))
    return base


def kept_figures(folder, name, script):
    """A row's figures again from what FOLLOW_MATRIX_KEEP kept."""
    lines = open(f'{folder}/{name}.out').read().splitlines()
    kept = json.load(open(f'{folder}/{name}.json'))
    speech_end = kept.get('speech_end', kept['timeline'][-1][1] + 0.25)
    return figures(lines, kept['timeline'], kept['events'], speech_end,
                   kept.get('feed_end', speech_end + 5), tokens_of(script))


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else 'build/release'
    wanted = set(sys.argv[2:])
    # --from DIR: the table again from a kept run, without playing anything.
    kept_run = sys.argv[2] if build == '--from' and len(sys.argv) > 2 else None
    if kept_run:
        wanted = set(sys.argv[3:])
    probe = next((p for p in (f'{build}/bench/follow_probe', f'{build}/tests/e2e/follow_probe')
                  if os.access(p, os.X_OK)), None)
    if not probe and not kept_run:
        print(f'follow_matrix: no follow_probe in {build}')
        return
    for tool in ('pulseaudio', 'pactl', 'espeak-ng', 'sox'):
        if not shutil.which(tool):
            print(f'follow_matrix: {tool} missing, skipped')
            return
    keep = os.environ.get('FOLLOW_MATRIX_KEEP')
    tmp = tempfile.mkdtemp(prefix='qm-voices-')
    voices = Voices(tmp)
    header = ('| row | voice | wpm | room | within 1 line | ahead /2 min (>2, ≥6 words) | re-read back | '
              'skip found | ad-lib resume | pause drift | settle drift | CPU % | RSS MB start→end (max) | '
              'model s | words heard |')
    print(header)
    print('|' + '---|' * (header.count('|') - 1))
    try:
        for row in rows():
            if wanted and row['name'] not in wanted:
                continue
            needs = {'festival': 'text2wave', 'flite': 'flite'}.get(row['voice'].split(':')[0])
            if needs and not shutil.which(needs):
                print(f"| {row['name']} | {row['voice']} | skipped: {needs} missing |")
                continue
            expand_plan(row)
            if kept_run:
                if not os.path.exists(f"{kept_run}/{row['name']}.out"):
                    continue
                f = kept_figures(kept_run, row['name'], row['script'])
            else:
                f = measure_row(probe, row, voices, keep)
            if 'error' in f:
                print(f"| {row['name']} | {row['voice']} | {f['error']} |")
                continue

            def secs(kind):
                vals = f['recoveries'].get(kind)
                if vals is None:
                    return '-'
                return ' '.join('never' if v is None else f'{v:.1f}s' for v in vals)
            skips = ' '.join(f"{k.split()[1]}:{'never' if v[0] is None else f'{v[0]:.1f}s'}"
                             for k, v in f['recoveries'].items() if k.startswith('skip'))
            pause = f['recoveries'].get('pause')
            print(f"| {row['name']} | {row['voice']} | {row['wpm']} | {row['room']} | "
                  f"{f['within']:.1f} % | {f['ahead_per_2min']:.1f}, {f['far_ahead_per_2min']:.1f} | {secs('reread')} | "
                  f"{skips or '-'} | {secs('adlib')} | "
                  f"{'-' if not pause else ' '.join(f'{p:.0f}pt' for p in pause)} | "
                  f"{f['settle_drift']:.0f}pt | {f['cpu']:.1f} | "
                  f"{f['rss_start']:.0f}→{f['rss_end']:.0f} ({f['rss_max']:.0f}) | "
                  f"{f['model_ready']:.1f} | "
                  f"{'-' if f['heard'] is None else format(f['heard'], '.0f') + ' %'} |", flush=True)
            if row['name'].endswith('30min'):
                print('memory over time (s, MB): ' + ' '.join(f'{t}:{r}' for t, r in f['rss_series']))
            if f['unknown']:
                print(f"  ({row['name']}: words the recogniser cannot say: {f['unknown']})")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == '__main__':
    main()
