#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The playing prompter's cost to the program and to the X server at scale 1, 1.5 and 2 (the
# floating panel, 1220 × 728 points, on a screen of 1512 × 982 points) and full screen on a
# 1920 × 1080 and a 3840 × 2160 monitor, at 60 Hz (Present) and 144 Hz (deadline clock): frames
# as before the server moved the text (QUILLMERE_PLAIN_FRAMES=1) beside frames as now, in the
# same run. Prints a table and writes it to <build>/scale_figures.md. Usage:
# bench/scripts/scale_figures.sh BUILD_DIR (about 9 minutes; SCALE_FIGURES_RUNS=n runs each
# scenario n times and gives the median, SCALE_FIGURES_SECONDS the playing time measured)
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$build/quillmere" ]; then
  echo "scale_figures: no $build/quillmere; build it first" >&2
  exit 1
fi
out=$(cd "$build" && pwd)/scale_figures.md
results=$(mktemp /tmp/qm-scale.XXXXXX)
started=$(date +%s)

# measure LABEL KIND SCALE SCREEN [MONITOR]: one screen layout on an X server of its own, with
# no compositing manager (as on Xvfb with openbox, or any X11 window manager that has none), or
# with picom when COMPOSITOR=picom: then its CPU counts with the X server's.
measure() {
  (
    export E2E_SCREEN=$4
    # shellcheck source=../../tests/e2e/lib.sh
    source "$here/../../tests/e2e/lib.sh"
    e2e_setup "$build/quillmere"
    shown=("--xpid" "${E2E_PIDS[0]}")
    if [ "${COMPOSITOR:-}" = picom ]; then
      picom --backend xrender --no-vsync >"$E2E_TMP/picom.log" 2>&1 &
      E2E_PIDS+=($!)
      shown+=("--xpid" "$!")
      # picom names the window that holds its selection after itself.
      composited() { xwininfo -root -children | grep -q '"picom"'; }
      e2e_wait 10 "the compositing manager" composited
    fi
    monitor=${5:-}
    if [ -n "$monitor" ]; then
      split_screen() {
        xrandr --setmonitor A 1512/400x982/260+0+0 screen >/dev/null 2>&1 || true
        xrandr --setmonitor B "$monitor" none >/dev/null 2>&1 || true
        xrandr --listmonitors | grep -q '^Monitors: 2'
      }
      e2e_wait 10 "RandR monitors" split_screen
    fi
    python3 "$here/scale_figures.py" --bin "$QM_BIN" --tmp "$E2E_TMP" "${shown[@]}" \
      --label "$1" --kind "$2" --scale "$3" --out "$results" \
      --runs "${SCALE_FIGURES_RUNS:-1}" ${SCALE_FIGURES_SECONDS:+--seconds "$SCALE_FIGURES_SECONDS"}
  )
}

measure "floating, scale 1" floating 1 1512x982x24
measure "floating, scale 1.5" floating 1.5 2268x1473x24
measure "floating, scale 2" floating 2 3024x1964x24
measure "display 1920 × 1080" display 1 3432x1080x24 1920/500x1080/280+1512+0
measure "display 3840 × 2160" display 1 5352x2160x24 3840/1000x2160/560+1512+0
# With a compositing manager the panel keeps its alpha channel, and the compositor its own work.
COMPOSITOR=picom measure "floating, scale 2, picom" floating 2 3024x1964x24

python3 - "$results" "$out" "$started" <<'PY'
import json, os, statistics, sys, time
rows = [json.loads(l) for l in open(sys.argv[1]) if l.strip()]
groups = {}
for r in rows:
    groups.setdefault((r["label"], r["clock"]), {}).setdefault(r["way"], []).append(r)
def med(runs, key):
    return statistics.median(r[key] for r in runs)
lines = [
    "| playing at 47 pt/s | clock | program before → after | X server before → after | "
    "sum before → after | still refreshes before → after (of) | frames moved by the server |",
    "|---|---|---|---|---|---|---|",
]
for (label, clock), ways in groups.items():
    b, a = ways.get("before", []), ways.get("after", [])
    if not b or not a:
        continue
    sb = med(b, "program") + med(b, "server")
    sa = med(a, "program") + med(a, "server")
    lines.append(
        f"| {label} | {clock} | {med(b, 'program'):.1f} % → {med(a, 'program'):.1f} % | "
        f"{med(b, 'server'):.1f} % → {med(a, 'server'):.1f} % | {sb:.1f} % → {sa:.1f} % "
        f"({sa / sb:.2f}×) | {med(b, 'still'):.0f} → {med(a, 'still'):.0f} "
        f"({med(a, 'refreshes'):.0f}) | {med(a, 'moved'):.0f} |")
took = time.time() - float(sys.argv[3])
note = (f"Xvfb + openbox, a screen of its own per row, with no compositing manager (the "
        f"floating panel an opaque window after, translucent before) but in the picom row "
        f"(picom --backend xrender, the panel translucent both times); CPU is a share of one "
        f"core over the measured seconds (utime + stime of the program, and of Xvfb plus picom "
        f"where it runs); 'before' is QUILLMERE_PLAIN_FRAMES=1, run right before 'after'. {os.cpu_count()} CPUs, load "
        f"average {os.getloadavg()[0]:.2f} at the end. Took {took:.0f} s.")
table = "\n".join(lines)
print(table)
print()
print(note)
with open(sys.argv[2], "w", encoding="utf-8") as f:
    f.write(f"# Cost of a playing prompter by scale and output\n\n{table}\n\n{note}\n")
PY
rm -f "$results"
echo "written to $out"
