#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The prompter draws on the display's refreshes and on nothing else: while it plays, every frame
# follows a refresh notification; once paused and settled, nothing is drawn at all, and playing
# again brings the frames back. Run with QT_SCALE_FACTOR set (2 in the suite), the frames also
# show the display server moving the text itself.
source "$QM_E2E_LIB"
e2e_setup "$1"

e2e_trace
trace=$E2E_TRACE
mkdir -p "$DATA_DIR"
printf '{"countdown": false, "speed": 47}' >"$DATA_DIR/settings.json"
python3 - "$DATA_DIR/scripts.json" <<'PY'
import json, sys
text = "\n".join(f"Line {i} of a script long enough to scroll for a while." for i in range(400))
json.dump([{"id": "6F1C2A4E-0000-4000-8000-0000000000C1", "title": "Pacing", "text": text}],
          open(sys.argv[1], "w"))
PY

# trace_check WHAT [ARG]: questions about the trace, answered by exit status.
trace_check() {
  python3 - "$trace" "$@" <<'PY'
import sys, time
path, what = sys.argv[1], sys.argv[2]
arg = int(sys.argv[3]) if len(sys.argv) > 3 else 0
lines = []
try:
    with open(path) as f:
        lines = [l.split() for l in f if l.strip()]
except FileNotFoundError:
    sys.exit(1)
# (kind, time or None, index): frame lines carry CLOCK_MONOTONIC ns, refresh lines the server's.
events = [(l[0], int(l[-1]) if l[0] != "msc" else None, i) for i, l in enumerate(lines)]
def frames_after(ns):
    return [e for e in events if e[0] == "frame" and e[1] >= ns]
if what == "shown":
    sys.exit(0 if any(e[0] == "show-painted" for e in events) else 1)
if what == "refreshes":
    sys.exit(0 if sum(1 for e in events if e[0] == "msc") >= arg else 1)
if what == "quiet-since":
    # Nothing drawn and no refresh asked for over the last 2 s, all of it after `arg`.
    now = time.monotonic_ns()
    last_frame = max((e for e in events if e[0] == "frame"), key=lambda e: e[2], default=None)
    if now - arg < 2_000_000_000:
        sys.exit(1)
    if last_frame and last_frame[1] > now - 2_000_000_000:
        sys.exit(1)
    # No refresh stepped on either: the frame clock stood still. (Refresh lines carry the X
    # server's microseconds, CLOCK_MONOTONIC's on Xvfb.)
    last_refresh = max((int(l[2]) * 1000 for l in lines if l[0] == "msc"), default=0)
    sys.exit(0 if last_refresh < now - 2_000_000_000 else 1)
if what == "moved":
    # Frames whose text the server moved, rather than the program sending it again.
    sys.exit(0 if sum(1 for e in events if e[0] == "moved") >= arg else 1)
if what == "frames-since":
    sys.exit(0 if len(frames_after(arg)) >= 60 else 1)
if what == "each-on-a-refresh":
    # From half a second after playing resumed: between any two frames, a refresh came.
    frames = frames_after(arg + 500_000_000)
    prev = None
    bad = 0
    for e in frames:
        if prev is not None and not any(x[0] == "msc" for x in events[prev[2] + 1:e[2]]):
            bad += 1
        prev = e
    print(f"{len(frames)} frames, {bad} without a refresh of their own", file=sys.stderr)
    sys.exit(0 if frames and bad == 0 else 1)
sys.exit(2)
PY
}
now_ns() { python3 -c 'import time; print(time.monotonic_ns())'; }

xdotool mousemove 2 980
app_start --start
check "prompter shown" e2e_wait 30 "first prompter paint" trace_check shown
check "frames on refreshes while playing" e2e_wait 30 "refresh lines" trace_check refreshes 60

paused=$(now_ns)
"$QM_BIN" --play-pause >>"$E2E_TMP/app.log" 2>&1
check "paused and settled: no frame for 2 s" e2e_wait 30 "a quiet trace" trace_check quiet-since "$paused"

played=$(now_ns)
"$QM_BIN" --play-pause >>"$E2E_TMP/app.log" 2>&1
check "playing again draws frames" e2e_wait 30 "frames after play" trace_check frames-since "$played"
check "each frame follows a refresh notification" trace_check each-on-a-refresh "$played"
if [ -n "${QT_SCALE_FACTOR:-}" ]; then
  check "the server moves the text at scale $QT_SCALE_FACTOR" trace_check moved 30
fi
check "still running" app_running
check "SIGTERM ends the program" app_stop TERM
e2e_pass
