#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The X server's CPU for the pixels a playing frame changes, with nothing drawn in a program:
# Xvfb alone, one copy and one shared-memory image a frame at 60 Hz (bench/x_floor.cpp). The
# megabytes are those scale_figures logs for the floating panel at scale 2 (moved and sent a
# frame), and none at all for the cost of the frames' round trips alone.
#
#   x_floor.sh [build-dir]
set -euo pipefail
build=${1:-build/release}
[ -x "$build/bench/x_floor" ] || { echo "x_floor: no $build/bench/x_floor, skipped"; exit 0; }
command -v Xvfb >/dev/null || { echo "x_floor: Xvfb missing, skipped"; exit 0; }
tick=$(getconf CLK_TCK)
run() { # label W H COPY_MB SEND_MB
  local fd display xpid before after t0 t1
  exec {fd}<> <(:)
  Xvfb -displayfd "$fd" -screen 0 3840x2160x24 -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  read -r -t 10 display <&"$fd" || { echo "x_floor: Xvfb did not start"; kill "$xpid"; return 1; }
  exec {fd}<&-
  before=$(awk '{print $14 + $15}' "/proc/$xpid/stat")
  t0=$(date +%s.%N)
  DISPLAY=":$display" "$build/bench/x_floor" "$2" "$3" "$4" "$5" 10
  t1=$(date +%s.%N)
  after=$(awk '{print $14 + $15}' "/proc/$xpid/stat")
  kill "$xpid"
  wait "$xpid" 2>/dev/null || true
  python3 -c "print(f'| $1 | {100 * ($after - $before) / $tick / ($t1 - $t0):.1f} % |')"
}
echo "| 60 Hz, 10 s, Xvfb alone | X server CPU |"
echo "|---|---|"
run "round trips only" 2440 1456 0 0
run "scale 2 floating: 3.0 MB moved + 4.1 MB sent a frame" 2440 1456 3.0 4.1
echo
echo "load average $(cut -d' ' -f1 /proc/loadavg) at the end"
