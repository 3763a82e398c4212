#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Follow mode measured on the real recogniser over a matrix of voices (espeak-ng, festival,
# flite), reading rates, rooms (clean, pink noise, other voices talking, reverb), scripts and
# reader behaviours (pauses, ad-libs, re-reads, skips). Prints one table row per reading; see
# follow_matrix.py for what each column means.
#
#   follow_figures.sh [build-dir] [row ...]
#
# Any build folder with a follow_probe will do, so the matrix can be run on any tree.
# FOLLOW_LONG=1 adds a 30-minute reading for memory over time.
set -euo pipefail
build=${1:-build/release}
shift || true
here=$(cd "$(dirname "$0")" && pwd)
command -v python3 >/dev/null || { echo "follow_figures: python3 missing, skipped"; exit 0; }
exec python3 "$here/follow_matrix.py" "$build" "$@"
