#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Figures of the running program under Xvfb + openbox: start-up, idle and prompting CPU, frame
# pacing, peak memory and the 100,000-word script. Prints a table and writes it to
# <build>/app_figures.md. Usage: bench/scripts/app_figures.sh BUILD_DIR   (about 5 minutes;
# APP_FIGURES_ONLY=floating, notch or big runs that scenario alone and writes no table)
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$build/quillmere" ]; then
  echo "app_figures: no $build/quillmere; build it first" >&2
  exit 1
fi
out=$(cd "$build" && pwd)/app_figures.md
# shellcheck source=../../tests/e2e/lib.sh
source "$here/../../tests/e2e/lib.sh"
e2e_setup "$build/quillmere"
python3 "$here/app_figures.py" --bin "$QM_BIN" --tmp "$E2E_TMP" --out "$out" ${APP_FIGURES_SECONDS:+--seconds "$APP_FIGURES_SECONDS"} ${APP_FIGURES_ONLY:+--only "$APP_FIGURES_ONLY"}
[ -n "${APP_FIGURES_ONLY:-}" ] || echo "written to $out"
