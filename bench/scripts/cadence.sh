#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The prompter's frames against the display's refreshes, under Xvfb + openbox (Xvfb's refresh
# clock runs at 60 Hz): a cadence table per scenario and the CPU of a shown prompter that does
# not move. Writes <build>/cadence.md. Usage: bench/scripts/cadence.sh BUILD_DIR (about 6 min;
# CADENCE_SECONDS shortens the playing runs; CADENCE_ONLY=play runs the playing scenarios alone).
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$build/quillmere" ]; then
  echo "cadence: no $build/quillmere; build it first" >&2
  exit 1
fi
out=$(cd "$build" && pwd)/cadence.md
# shellcheck source=../../tests/e2e/lib.sh
source "$here/../../tests/e2e/lib.sh"
e2e_setup "$build/quillmere"
python3 "$here/cadence.py" --bin "$QM_BIN" --tmp "$E2E_TMP" --out "$out" ${CADENCE_SECONDS:+--seconds "$CADENCE_SECONDS"} ${CADENCE_ONLY:+--only "$CADENCE_ONLY"}
echo "written to $out"
