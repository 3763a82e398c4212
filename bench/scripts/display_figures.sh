#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Display mode's figures: the prompter full screen on a 1920 × 1080 monitor beside a 1512 × 982
# one (one wide Xvfb screen split by RandR monitors), plain and flipped both ways. Prints two
# tables and writes them to <build>/display_figures.md (CPU, memory, pacing) and
# <build>/display_cadence.md (frames against refreshes). Usage:
# bench/scripts/display_figures.sh BUILD_DIR (about 8 minutes)
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$build/quillmere" ]; then
  echo "display_figures: no $build/quillmere; build it first" >&2
  exit 1
fi
out=$(cd "$build" && pwd)/display_figures.md
export E2E_SCREEN=3432x1080x24
# shellcheck source=../../tests/e2e/lib.sh
source "$here/../../tests/e2e/lib.sh"
e2e_setup "$build/quillmere"
split_screen() {
  xrandr --setmonitor A 1512/400x982/260+0+0 screen >/dev/null 2>&1 || true
  xrandr --setmonitor B 1920/500x1080/280+1512+0 none >/dev/null 2>&1 || true
  xrandr --listmonitors | grep -q '^Monitors: 2'
}
e2e_wait 10 "RandR monitors" split_screen
python3 "$here/app_figures.py" --bin "$QM_BIN" --tmp "$E2E_TMP" --out "$out" --only display ${APP_FIGURES_SECONDS:+--seconds "$APP_FIGURES_SECONDS"}
echo "written to $out"
# The frames against the refreshes of the output's own window, as cadence.sh does for the panel.
python3 "$here/cadence.py" --only display --bin "$QM_BIN" --tmp "$E2E_TMP" --out "$(cd "$build" && pwd)/display_cadence.md" ${APP_FIGURES_SECONDS:+--seconds "$APP_FIGURES_SECONDS"}
echo "written to $(cd "$build" && pwd)/display_cadence.md"
