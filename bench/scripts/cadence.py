#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How the prompter's frames meet the display's refreshes, on an X server the caller started.

Playing scenarios: refreshes seen (the span of refresh counters the program stepped on), frames
drawn, refreshes that showed no new frame ("still"), refreshes that got two or more frames,
the spread of the text's displacement per refresh, and the program's CPU. Resting scenarios
(paused, hovered, voice mode in silence): CPU and frames drawn once settled. Everything comes
from the program's own trace (QUILLMERE_TRACE): a "msc <counter> <µs>" line per refresh the
prompter stepped on and a "frame <ns>" line per frame painted.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import app_figures as af  # noqa: E402

SPEED = 47.0


def read_lines(path):
    out = []
    try:
        with open(path) as f:
            for line in f:
                p = line.split()
                if len(p) == 3 and p[0] == "msc":
                    out.append(("msc", int(p[1]), int(p[2])))
                elif len(p) == 2 and p[1].isdigit():
                    out.append((p[0], int(p[1]), None))
    except FileNotFoundError:
        pass
    return out


def cadence(lines, window):
    """Figures over the part of the trace between two monotonic instants (ns)."""
    t0, t1 = window
    idx = [i for i, l in enumerate(lines) if l[0] == "frame" and t0 <= l[1] <= t1]
    if not idx:
        return None
    part = lines[idx[0]: idx[-1] + 1]
    frames = sum(1 for l in part if l[0] == "frame")
    # Frames after each refresh line, up to the next one.
    per = {}
    order = []
    current = None
    for l in part:
        if l[0] == "msc":
            current = l[1]
            order.append((l[1], l[2]))
            per.setdefault(current, 0)
        elif l[0] in ("frame", "same") and current is not None:
            # "same": the refresh's frame was the one already shown (the text had not reached
            # the next device pixel and nothing else moved), so nothing was drawn.
            per[current] += 1
    if len(order) < 2:
        return replayed(part, frames)
    first, last = order[0][0], order[-1][0]
    refreshes = last - first + 1
    still = sum(1 for m in range(first, last + 1) if per.get(m, 0) == 0)
    doubles = sum(1 for v in per.values() if v >= 2)
    # What the text moved on each refresh: the engine steps by the time between the refresh
    # timestamps it is given, spread over the refreshes between them.
    steps = []
    for (m0, u0), (m1, u1) in zip(order, order[1:]):
        if m1 > m0:
            steps.extend([SPEED * (u1 - u0) / 1e6 / (m1 - m0)] * (m1 - m0))
    period = (order[-1][1] - order[0][1]) / 1e6 / (last - first)
    ideal = SPEED * period
    return {
        "frames": frames,
        "refreshes": refreshes,
        "ticks": len(order),
        "still": still,
        "doubles": doubles,
        "rate": 1 / period,
        "ideal": ideal,
        "dmin": min(steps) / ideal - 1,
        "dmax": max(steps) / ideal - 1,
        "dsd": statistics.pstdev(steps) / ideal,
    }


def replayed(part, frames, rate=60.0):
    """For a trace without refresh lines (a build before the frame clock): the frames set against
    an ideal display clock. A refresh shows a new frame when one was painted since the refresh
    before; displacement is speed × the time between the frames the refreshes show."""
    times = [l[1] for l in part if l[0] == "frame"]
    period = 1e9 / rate
    start = times[0]
    shown = {}
    for t in times:
        k = int((t - start) // period) + 1  # the first refresh at or after the frame
        shown[k] = t
    last = max(shown)
    still = sum(1 for k in range(1, last + 1) if k not in shown)
    doubles = len(times) - len(shown)
    steps = []
    prev = start
    for k in range(1, last + 1):
        t = shown.get(k, prev)
        steps.append(SPEED * (t - prev) / 1e9)
        prev = t
    ideal = SPEED / rate
    return {
        "frames": frames,
        "refreshes": last,
        "ticks": len(shown),
        "still": still,
        "doubles": doubles,
        "rate": rate,
        "ideal": ideal,
        "dmin": min(steps) / ideal - 1,
        "dmax": max(steps) / ideal - 1,
        "dsd": statistics.pstdev(steps) / ideal,
    }


def playing(binary, root, name, settings, text, seconds, env=None):
    runs = []
    for i in range(af.RUNS):
        af.park_pointer()
        r = af.Run(binary, root, f"{name}{i}", settings, text, args=["--start"], env=env)
        try:
            shown = r.wait_for("show-painted", 30)
            time.sleep(max(0.0, 1.0 - (time.monotonic_ns() - shown) / 1e9))
            share, window = r.cpu_over(seconds)
        finally:
            r.stop()
        c = cadence(read_lines(r.trace), window) or {}
        c["cpu"] = share
        runs.append(c)
        af.log(f"{name} run {i + 1}: " + ", ".join(
            f"{k} {v:.4g}" for k, v in c.items()))
    return runs


def resting(binary, root, name, settings, text, seconds, prepare):
    runs = []
    for i in range(af.RUNS):
        af.park_pointer()
        r = af.Run(binary, root, f"{name}{i}", settings, text, args=["--start"])
        try:
            r.wait_for("show-painted", 30)
            time.sleep(1.0)
            prepare(r)
            # The glow sinks to its faint line and the controls finish fading in.
            time.sleep(3.0)
            share, window = r.cpu_over(seconds)
        finally:
            r.stop()
        lines = read_lines(r.trace)
        frames = sum(1 for l in lines if l[0] == "frame" and window[0] <= l[1] <= window[1])
        runs.append({"cpu": share, "frames": frames})
        af.log(f"{name} run {i + 1}: cpu {share:.3f} %, {frames} frames over {seconds:.0f} s")
    return runs


def remote(binary, command, run):
    env = dict(os.environ)
    env["XDG_DATA_HOME"] = os.path.join(run.dir, "data")
    subprocess.run([binary, command], env=env, check=False, timeout=10)


def med(runs, key):
    vals = [r[key] for r in runs if key in r]
    return statistics.median(vals) if vals else float("nan")


def each(runs, key, form):
    return ", ".join(format(r[key], form) for r in runs if key in r)


def scenarios(a, notch, floating, prose):
    play = [
        ("notch 380 × 150, display clock", playing(a.bin, a.tmp, "notch", notch, prose, a.seconds)),
        ("floating 1220 × 728, display clock",
         playing(a.bin, a.tmp, "floating", floating, prose, a.seconds)),
        ("floating 1220 × 728, deadline clock forced to 144 Hz",
         playing(a.bin, a.tmp, "floating144", floating, prose, a.seconds,
                 env={"QUILLMERE_FRAME_RATE": "144"})),
    ]

    def hover(r):
        # Over the notch panel, which hangs from the top centre of the 1512-wide screen.
        subprocess.run(["xdotool", "mousemove", "756", "80"], check=False)

    rest = [
        ("notch, paused", resting(a.bin, a.tmp, "paused", notch, prose, a.rest_seconds,
                                  lambda r: remote(a.bin, "--play-pause", r))),
        ("notch, hovered (pause on hover)",
         resting(a.bin, a.tmp, "hovered", notch, prose, a.rest_seconds, hover)),
        ("notch, voice mode waiting in silence",
         resting(a.bin, a.tmp, "silence", af.base_settings(scrollMode="voice"), prose,
                 a.rest_seconds, lambda r: None)),
    ]
    af.park_pointer()
    return play, rest


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--tmp", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--seconds", type=float, default=30)
    ap.add_argument("--rest-seconds", type=float, default=10)
    # --only play: the playing scenarios alone (for a build without the frame clock, whose
    # trace is replayed against an ideal 60 Hz clock).
    # --only display: display mode on monitor B of display_figures.sh's split screen.
    ap.add_argument("--only", choices=["play", "display"])
    a = ap.parse_args()
    prose, _ = af.script_text(target_bytes=39 * 1024)
    notch = af.base_settings()
    floating = af.floating_settings()
    started = time.monotonic()

    if a.only == "play":
        play = [
            ("notch", playing(a.bin, a.tmp, "notch", notch, prose, a.seconds)),
            ("floating", playing(a.bin, a.tmp, "floating", floating, prose, a.seconds)),
        ]
        for label, runs in play:
            af.log(f"{label}: refreshes {med(runs, 'refreshes'):.0f}, frames "
                   f"{med(runs, 'frames'):.0f}, still {med(runs, 'still'):.0f}, two frames "
                   f"{med(runs, 'doubles'):.0f}, cpu {med(runs, 'cpu'):.2f} % "
                   f"({each(runs, 'cpu', '.2f')})")
        return

    if a.only == "display":
        play = [
            ("display 1920 × 1080, display clock",
             playing(a.bin, a.tmp, "display", af.display_settings(), prose, a.seconds)),
            ("display 1920 × 1080 flipped both ways, display clock",
             playing(a.bin, a.tmp, "display-flipped",
                     af.display_settings(mirror=True, flipVertical=True), prose, a.seconds)),
        ]
        rest = []
    else:
        play, rest = scenarios(a, notch, floating, prose)

    s = int(a.seconds)
    lines = [
        f"| playing {s} s at {SPEED:.0f} pt/s | refreshes | frames | still | two frames | "
        "displacement per refresh vs speed ÷ rate | CPU |",
        "|---|---|---|---|---|---|---|",
    ]
    for label, runs in play:
        lines.append(
            f"| {label} | {med(runs, 'refreshes'):.0f} | {med(runs, 'frames'):.0f} | "
            f"{med(runs, 'still'):.0f} | {med(runs, 'doubles'):.0f} | "
            f"{100 * med(runs, 'dmin'):+.2f} % … {100 * med(runs, 'dmax'):+.2f} % "
            f"(sd {100 * med(runs, 'dsd'):.2f} %, {med(runs, 'rate'):.2f} Hz) | "
            f"{med(runs, 'cpu'):.2f} % ({each(runs, 'cpu', '.2f')}) |")
    if rest:
        lines += [
            "",
            f"| shown, not moving ({a.rest_seconds:.0f} s once settled) | frames drawn | CPU |",
            "|---|---|---|",
        ]
    for label, runs in rest:
        lines.append(
            f"| {label} | {med(runs, 'frames'):.0f} ({each(runs, 'frames', '.0f')}) | "
            f"{med(runs, 'cpu'):.3f} % ({each(runs, 'cpu', '.3f')}) |")
    screen = ("3432 × 1080 split into RandR monitors 1512 × 982 and 1920 × 1080"
              if a.only == "display" else "1512 × 982")
    note = (
        f"Median of {af.RUNS} runs on Xvfb {screen} + openbox, {os.cpu_count()} CPUs, load "
        f"average {os.getloadavg()[0]:.2f} at the end; CPU is the program's own (utime + stime, "
        f"{1000 // af.CLK_TCK} ms ticks). Took {time.monotonic() - started:.0f} s."
    )
    table = "\n".join(lines)
    af.publish(a.out, "Frame cadence of the running program", table, note)


if __name__ == "__main__":
    main()
