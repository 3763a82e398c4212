#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""What a playing prompter costs the program and the X server, frames as they were before the
server moved the text (QUILLMERE_PLAIN_FRAMES=1) and as they are now, one beside the other in
the same run, on an X server the caller started for one screen layout.

Writes one JSON object a scenario (clock × way) to --out: program CPU, X server CPU (Xvfb's own
utime + stime over the same window, and the compositing manager's where one runs), refreshes, still refreshes (no frame drawn and no frame
found identical to the one shown), frames the server moved.
"""

import argparse
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import app_figures as af  # noqa: E402
import cadence as cd  # noqa: E402




def scenario(a, settings, text, name, env):
    af.park_pointer()
    r = af.Run(a.bin, a.tmp, name, settings, text, args=["--start"], env=env)
    try:
        shown = r.wait_for("show-painted", 60)
        time.sleep(max(0.0, 1.5 - (time.monotonic_ns() - shown) / 1e9))
        x0 = sum(af.cpu_seconds(pid) for pid in a.xpid)
        share, window = r.cpu_over(a.seconds)
        x1 = sum(af.cpu_seconds(pid) for pid in a.xpid)
    finally:
        r.stop()
    # cadence() counts a refresh whose frame was found unchanged ("same") as drawn.
    c = cd.cadence(cd.read_lines(r.trace), window) or {}
    moved = sum(1 for kind, t, _ in cd.read_lines(r.trace)
                if kind == "moved" and window[0] <= t <= window[1])
    seconds = (window[1] - window[0]) / 1e9
    # The device pixels the frames sent to the server and had it move (4 bytes each).
    pixels = {"sent": 0, "copied": 0}
    with open(r.trace, encoding="utf-8") as f:
        for line in f:
            p = line.split()
            if len(p) == 3 and p[0] in pixels and window[0] <= int(p[1]) <= window[1]:
                pixels[p[0]] += int(p[2])
    out = {
        "program": share,
        "server": 100 * (x1 - x0) / seconds,
        "refreshes": c.get("refreshes", 0),
        "still": c.get("still", 0),
        "moved": moved,
        "sent MB/s": 4 * pixels["sent"] / seconds / 1e6,
        "moved MB/s": 4 * pixels["copied"] / seconds / 1e6,
    }
    af.log(f"{name}: " + ", ".join(f"{k} {v:.4g}" for k, v in out.items()))
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", required=True)
    ap.add_argument("--tmp", required=True)
    # The X server, and the compositing manager where one runs: what shows the frames.
    ap.add_argument("--xpid", type=int, action="append", required=True)
    ap.add_argument("--label", required=True)
    ap.add_argument("--kind", choices=["floating", "display"], required=True)
    ap.add_argument("--scale", default="1")
    ap.add_argument("--seconds", type=float, default=12)
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()
    prose, _ = af.script_text(target_bytes=39 * 1024)
    settings = af.floating_settings() if a.kind == "floating" else af.display_settings()
    results = []
    for clock, clock_env in (("60 Hz Present", {}), ("144 Hz deadline", {"QUILLMERE_FRAME_RATE": "144"})):
        for i in range(a.runs):
            # Before and after back to back, so that both meet the same load.
            for way, way_env in (("before", {"QUILLMERE_PLAIN_FRAMES": "1"}), ("after", {})):
                env = {"QT_SCALE_FACTOR": a.scale, **clock_env, **way_env}
                name = f"{a.label}-{clock.split()[0]}-{way}-{i}".replace(" ", "_")
                r = scenario(a, settings, prose, name, env)
                r.update({"label": a.label, "clock": clock, "way": way})
                results.append(r)
    with open(a.out, "a", encoding="utf-8") as f:
        for r in results:
            f.write(json.dumps(r) + "\n")


if __name__ == "__main__":
    main()
