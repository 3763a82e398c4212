#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang into build/fuzz and runs each for FUZZ_SECONDS (60 by
# default) on a copy of the seed corpus. Prints one line of figures per target.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=$root/build/fuzz
seconds=${FUZZ_SECONDS:-60}
if ! command -v clang++ >/dev/null; then
  echo "fuzz: skipped, clang++ is not installed"; exit 0
fi
CXX=clang++ cmake -S "$root/tests/fuzz" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$out" -j "${JOBS:-2}" >/dev/null
for target in remote_command osc_packet; do
  work=$out/corpus-$target
  mkdir -p "$work"
  cp -n "$root/tests/fuzz/corpus/$target/"* "$work/" 2>/dev/null || true
  log=$out/$target.log
  if ! "$out/fuzz_$target" -max_total_time="$seconds" -max_len=4096 -timeout=5 "$work" >"$log" 2>&1; then
    echo "fuzz_$target: FAILED, see $log"; tail -n 30 "$log"; exit 1
  fi
  echo "fuzz_$target: $(grep -E '^Done [0-9]+ runs' "$log" | tail -n1), corpus $(ls "$work" | wc -l) inputs"
done
