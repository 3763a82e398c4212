#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The network remote's figures on loopback under Xvfb + openbox: command-to-frame latency, the
# server's CPU with a phone connected, and a follower's lag. Prints a table and writes it to
# <build>/remote_figures.md. Usage: bench/scripts/remote_figures.sh BUILD_DIR   (about a minute)
set -euo pipefail
build=${1:-build/release}
here=$(cd "$(dirname "$0")" && pwd)
if [ ! -x "$build/quillmere" ]; then
  echo "remote_figures: no $build/quillmere; build it first" >&2
  exit 1
fi
out=$(cd "$build" && pwd)/remote_figures.md
# shellcheck source=../../tests/e2e/lib.sh
source "$here/../../tests/e2e/lib.sh"
e2e_setup "$build/quillmere"
python3 "$here/remote_figures.py" --bin "$QM_BIN" --tmp "$E2E_TMP" --out "$out"
echo "written to $out"
