#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Figures of the running program on an X server the caller has started (DISPLAY set).

Each scenario starts the program with a fresh data folder, reads its CPU time from
/proc/PID/stat, its peak RSS from /proc/PID/status and its own timestamps from the file named
by QUILLMERE_TRACE (CLOCK_MONOTONIC ns, the clock time.monotonic_ns() reads). Every figure is
the median of three runs; the table goes to stdout and to the given markdown file.
"""

import argparse
import os
import random
import signal
import statistics
import subprocess
import sys
import time

SCREEN_HEIGHT = 982
CLK_TCK = os.sysconf("SC_CLK_TCK")
RUNS = 3

WORDS = (
    "the a and of to in we our this that with for on is are it as be by at from you your "
    "camera light lens frame studio morning people story market season river garden city "
    "little every often never always really simply quietly carefully together between "
    "build write speak listen remember explain notice follow improve begin finish share "
    "question answer moment reason number problem project result change history future"
).split()


def script_text(target_bytes=None, words=None, seed=7):
    """Prose in paragraphs of sentences, a cue line every few paragraphs."""
    rng = random.Random(seed)
    parts, size, count, paragraph = [], 0, 0, 0
    while True:
        if paragraph % 6 == 0:
            cue = f"# Part {paragraph // 6 + 1}"
            parts.append(cue)
            size += len(cue) + 1
        sentences = []
        for _ in range(rng.randint(3, 6)):
            n = rng.randint(8, 18)
            if words is not None:
                n = min(n, words - count)
            if n <= 0:
                break
            ws = [rng.choice(WORDS) for _ in range(n)]
            count += n
            sentences.append(" ".join(ws).capitalize() + ".")
        line = " ".join(sentences)
        if line:
            parts.append(line)
            size += len(line) + 1
        paragraph += 1
        if target_bytes is not None and size >= target_bytes:
            break
        if words is not None and count >= words:
            break
    text = "\n".join(parts)
    if target_bytes is not None:
        text = text[:target_bytes]
    return text, count


def write_data(data_home, settings, text):
    folder = os.path.join(data_home, "Quillmere")
    os.makedirs(folder, exist_ok=True)
    import json

    with open(os.path.join(folder, "settings.json"), "w", encoding="utf-8") as f:
        json.dump(settings, f)
    with open(os.path.join(folder, "scripts.json"), "w", encoding="utf-8") as f:
        json.dump(
            [{"id": "6F1C2A4E-0000-4000-8000-0000000000B1", "title": "Bench", "text": text}], f
        )


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    # utime and stime are fields 14 and 15; fields[0] is field 3.
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def peak_rss_mb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def read_trace(path):
    events = []
    try:
        with open(path) as f:
            for line in f:
                name, _, ns = line.strip().rpartition(" ")
                if name and ns.isdigit():
                    events.append((name, int(ns)))
    except FileNotFoundError:
        pass
    return events


def first(events, name, after=0):
    for n, t in events:
        if n == name and t >= after:
            return t
    return None


class Run:
    def __init__(self, binary, root, index, settings, text, args=(), env=None):
        self.dir = os.path.join(root, f"run{index}")
        os.makedirs(self.dir, exist_ok=True)
        self.trace = os.path.join(self.dir, "trace.txt")
        data_home = os.path.join(self.dir, "data")
        write_data(data_home, settings, text)
        e = dict(os.environ)
        e["XDG_DATA_HOME"] = data_home
        e["QUILLMERE_TRACE"] = self.trace
        e.update(env or {})
        self.log = open(os.path.join(self.dir, "app.log"), "w")
        self.launched = time.monotonic_ns()
        self.proc = subprocess.Popen(
            [binary, *args], env=e, stdout=self.log, stderr=subprocess.STDOUT
        )

    def wait_for(self, name, timeout, after=0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            t = first(read_trace(self.trace), name, after)
            if t is not None:
                return t
            if self.proc.poll() is not None:
                raise RuntimeError(f"the program exited ({self.proc.returncode}) before {name}")
            time.sleep(0.02)
        raise RuntimeError(f"no {name} within {timeout} s")

    def cpu_over(self, seconds):
        """Share of one core over the next `seconds`, and the monotonic window measured."""
        c0, t0 = cpu_seconds(self.proc.pid), time.monotonic_ns()
        time.sleep(seconds)
        c1, t1 = cpu_seconds(self.proc.pid), time.monotonic_ns()
        return 100 * (c1 - c0) / ((t1 - t0) / 1e9), (t0, t1)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()


def percentile(sorted_values, p):
    if not sorted_values:
        return float("nan")
    k = (len(sorted_values) - 1) * p / 100
    lo = int(k)
    hi = min(lo + 1, len(sorted_values) - 1)
    return sorted_values[lo] + (sorted_values[hi] - sorted_values[lo]) * (k - lo)


def frame_gaps(events, window):
    t0, t1 = window
    times = [t for n, t in events if n == "frame" and t0 <= t <= t1]
    gaps = sorted((b - a) / 1e6 for a, b in zip(times, times[1:]))
    return {
        "frames": len(times),
        "p50": percentile(gaps, 50),
        "p95": percentile(gaps, 95),
        "p99": percentile(gaps, 99),
        "max": gaps[-1] if gaps else float("nan"),
        "over25": sum(1 for g in gaps if g > 25),
    }


def park_pointer():
    # The panel pauses while the pointer is over it; keep the pointer in a far corner.
    subprocess.run(["xdotool", "mousemove", "2", str(SCREEN_HEIGHT - 2)], check=False)


def publish(path, title, table, note):
    """Prints a figures table with its note and writes both, under a title, to path."""
    print(table)
    print()
    print(note)
    with open(path, "w", encoding="utf-8") as f:
        f.write(f"# {title}\n\n{table}\n\n{note}\n")


def base_settings(**changes):
    s = {"speed": 47, "countdown": False}
    s.update(changes)
    return s


def floating_settings():
    w, h = 1220, 728
    x = (1512 - w) // 2
    top = (SCREEN_HEIGHT - h) // 2
    # Stored frames have their origin at the bottom-left of the screen, y up.
    return base_settings(mode="floating", floatingFrame=[x, SCREEN_HEIGHT - top - h, w, h])


def display_settings(**changes):
    # Full screen on monitor B (1920 × 1080) of the split screen display_figures.sh sets up.
    return base_settings(mode="display", displayName="B", fontSize=64, **changes)


def display_table(binary, root, text, seconds):
    """Display mode as it comes and as a studio rig has it (mirrored and upside down)."""
    plain = prompting_scenario(binary, root, "display", display_settings(), text, seconds)
    glass = prompting_scenario(
        binary, root, "display-flipped", display_settings(mirror=True, flipVertical=True), text,
        seconds)
    s = int(seconds)
    lines = ["| figure | median | runs | target | met? |", "|---|---|---|---|---|"]
    for label, (cpu, rss, pacing) in (("display 1920 × 1080", plain),
                                      ("display 1920 × 1080, flipped both ways", glass)):
        lines.append(row(f"prompting, {label}, font 64 at 47 pt/s, 39 KB: CPU over {s} s",
                         cpu, "%", 10))
        for key in ("p50", "p99", "max"):
            lines.append(row(f"frame gap {key}, {label}", [p[key] for p in pacing], "ms", None,
                             "–"))
        # Compare with the floating panel's count measured under the same load.
        lines.append(row(f"frame gaps over 25 ms in {s} s, {label}",
                         [p["over25"] for p in pacing], "count", None, "–"))
        lines.append(row(f"peak RSS, {label}", rss, "MB", None, "–"))
    return "\n".join(lines)


def log(*a):
    print("[app_figures]", *a, file=sys.stderr, flush=True)


def idle_scenario(binary, root, text):
    """Start-up to first paint, then 10 s of an open main window with nothing happening."""
    startup, cpu, rss = [], [], []
    for i in range(RUNS):
        park_pointer()
        r = Run(binary, root, f"idle{i}", {}, text)
        try:
            painted = r.wait_for("first-paint", 30)
            startup.append((painted - r.launched) / 1e6)
            time.sleep(2)  # let the window settle: fonts, tray, first save timers
            share, _ = r.cpu_over(10)
            cpu.append(share)
            rss.append(peak_rss_mb(r.proc.pid))
        finally:
            r.stop()
        log(f"idle run {i + 1}: start-up {startup[-1]:.0f} ms, cpu {cpu[-1]:.2f} %, rss {rss[-1]:.1f} MB")
    return startup, cpu, rss


def prompting_scenario(binary, root, name, settings, text, seconds=30):
    cpu, rss, pacing = [], [], []
    for i in range(RUNS):
        park_pointer()
        r = Run(binary, root, f"{name}{i}", settings, text, args=["--start"])
        try:
            shown = r.wait_for("show-painted", 30)
            # Past the opening animation, before measuring steady playback.
            time.sleep(max(0.0, 1.0 - (time.monotonic_ns() - shown) / 1e9))
            share, window = r.cpu_over(seconds)
            cpu.append(share)
            rss.append(peak_rss_mb(r.proc.pid))
        finally:
            r.stop()
        pacing.append(frame_gaps(read_trace(r.trace), window))
        p = pacing[-1]
        log(
            f"{name} run {i + 1}: cpu {cpu[-1]:.2f} %, rss {rss[-1]:.1f} MB, {p['frames']} frames, "
            f"gaps p50 {p['p50']:.1f} p95 {p['p95']:.1f} p99 {p['p99']:.1f} max {p['max']:.1f} ms, "
            f"{p['over25']} over 25 ms"
        )
    return cpu, rss, pacing


def big_script_scenario(binary, root, text, font_step_after=4.0):
    show, relayout, rss, whole_show, whole_relayout = [], [], [], [], []
    for i in range(RUNS):
        park_pointer()
        r = Run(
            binary, root, f"big{i}", floating_settings(), text, args=["--start"],
            env={"QUILLMERE_TRACE_FONT_STEP": str(font_step_after)},
        )
        try:
            painted = r.wait_for("show-painted", 60)
            begun = first(read_trace(r.trace), "show-begin")
            show.append((painted - begun) / 1e6)
            # The part in view is laid out first; the rest of the script follows between frames.
            whole_show.append((r.wait_for("layout-complete", 60, after=begun) - begun) / 1e6)
            done = r.wait_for("relayout-done", 60)
            begun = first(read_trace(r.trace), "relayout-begin")
            relayout.append((done - begun) / 1e6)
            whole_relayout.append((r.wait_for("layout-complete", 60, after=begun) - begun) / 1e6)
            time.sleep(1)
            rss.append(peak_rss_mb(r.proc.pid))
        finally:
            r.stop()
        log(
            f"100k run {i + 1}: show {show[-1]:.0f} ms (whole script laid out {whole_show[-1]:.0f} ms), "
            f"relayout {relayout[-1]:.0f} ms (whole {whole_relayout[-1]:.0f} ms), rss {rss[-1]:.1f} MB"
        )
    return show, relayout, rss, whole_show, whole_relayout


def fmt(v, unit):
    if unit == "%":
        return f"{v:.2f} %"
    if unit == "MB":
        return f"{v:.1f} MB"
    if unit == "count":
        return f"{v:.0f}"
    return f"{v:.1f} ms" if v < 100 else f"{v:.0f} ms"


def row(figure, values, unit, limit, target_text=None):
    med = statistics.median(values)
    runs = ", ".join(fmt(v, unit).split(" ")[0] for v in values)
    target = target_text or f"< {fmt(limit, unit)}"
    if limit is None:
        met = "–"
    elif unit == "count":
        met = "yes" if med <= limit else "no"
    else:
        met = "yes" if med < limit else "no"
    return f"| {figure} | {fmt(med, unit)} | {runs} | {target} | {met} |"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--tmp", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--seconds", type=float, default=30)
    # For a quick look at one figure while working on it: --only floating (or notch, big).
    ap.add_argument("--only", choices=["floating", "notch", "big", "display"])
    a = ap.parse_args()

    prose, _ = script_text(target_bytes=39 * 1024)
    big, big_words = script_text(words=100_000)
    log(f"scripts: {len(prose.encode())} bytes; {big_words} words, {len(big.encode())} bytes")

    started = time.monotonic()
    if a.only == "floating":
        prompting_scenario(a.bin, a.tmp, "floating", floating_settings(), prose, a.seconds)
        return
    if a.only == "notch":
        prompting_scenario(a.bin, a.tmp, "notch", base_settings(), prose, a.seconds)
        return
    if a.only == "big":
        big_script_scenario(a.bin, a.tmp, big)
        return
    if a.only == "display":
        table = display_table(a.bin, a.tmp, prose, a.seconds)
        note = (f"Median of {RUNS} runs on Xvfb 3432 × 1080 split into RandR monitors A "
                f"(1512 × 982) and B (1920 × 1080) + openbox, {os.cpu_count()} CPUs, load "
                f"average {os.getloadavg()[0]:.2f} at the end. Took "
                f"{time.monotonic() - started:.0f} s.")
        publish(a.out, "Measured figures of display mode", table, note)
        return
    startup, idle_cpu, idle_rss = idle_scenario(a.bin, a.tmp, prose)
    fl_cpu, fl_rss, fl_pace = prompting_scenario(
        a.bin, a.tmp, "floating", floating_settings(), prose, a.seconds)
    no_cpu, no_rss, no_pace = prompting_scenario(
        a.bin, a.tmp, "notch", base_settings(), prose, a.seconds)
    show, relayout, big_rss, whole_show, whole_relayout = big_script_scenario(a.bin, a.tmp, big)

    def pace(runs, key):
        return [p[key] for p in runs]

    s = int(a.seconds)
    lines = [
        "| figure | median | runs | target | met? |",
        "|---|---|---|---|---|",
        row("start-up: exec → main window's first paint", startup, "ms", 250),
        row("idle: CPU over 10 s, main window open", idle_cpu, "%", 0.5),
        row(f"prompting, floating 1220 × 728 at 47 pt/s, 39 KB: CPU over {s} s", fl_cpu, "%", 8),
        row(f"prompting, default notch at 47 pt/s, 39 KB: CPU over {s} s", no_cpu, "%", 3),
    ]
    for label, runs in (("floating", fl_pace), ("notch", no_pace)):
        for key in ("p50", "p95", "p99", "max"):
            lines.append(row(f"frame gap {key}, {label}", pace(runs, key), "ms", None, "–"))
        lines.append(
            row(f"frame gaps over 25 ms in {s} s, {label}", pace(runs, "over25"), "count", 0, "0"))
    lines += [
        row("peak RSS, idle", idle_rss, "MB", 80),
        row("peak RSS, prompting floating", fl_rss, "MB", 80),
        row("peak RSS, prompting notch", no_rss, "MB", 80),
        row("peak RSS, 100,000-word script", big_rss, "MB", 80),
        row("100,000 words: show → first panel paint", show, "ms", 100),
        row("100,000 words: font size +1 → re-laid out and painted", relayout, "ms", 150),
        row("100,000 words: show → whole script laid out (between frames)", whole_show, "ms", None, "–"),
        row("100,000 words: font size +1 → whole script laid out", whole_relayout, "ms", None, "–"),
    ]
    frames = ", ".join(str(p["frames"]) for p in fl_pace)
    note = (
        f"Median of {RUNS} runs on Xvfb 1512 × 982 + openbox, {os.cpu_count()} CPUs, "
        f"load average {os.getloadavg()[0]:.2f} at the end; CPU is the program's own "
        f"(utime + stime, {1000 // CLK_TCK} ms ticks), not the X server's. Floating frames "
        f"painted per run: {frames}. Took {time.monotonic() - started:.0f} s."
    )
    table = "\n".join(lines)
    publish(a.out, "Measured figures of the running program", table, note)


if __name__ == "__main__":
    main()
