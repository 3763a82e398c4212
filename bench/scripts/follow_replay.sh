#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The rows of a kept follow matrix run (FOLLOW_MATRIX_KEEP=DIR) replayed through this tree's
# follow session offline, from the words the recogniser heard then, and measured as the matrix
# measures them. A change to the matcher or the session is seen on real recognition in seconds;
# what the recogniser itself would hear differently needs the matrix again.
#
#   follow_replay.sh build-dir kept-dir out-dir [row ...]
#
# FOLLOW_REPLAY_TRACE=1 adds each result heard, with the position before it, to out-dir's .out.
set -euo pipefail
build=${1:?usage: follow_replay.sh build-dir kept-dir out-dir [row ...]}
kept=${2:?}
out=${3:?}
shift 3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
python3 - "$here" "$build" "$kept" "$out" "$@" <<'PY'
import os, shutil, subprocess, sys
here, build, kept, out, wanted = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], set(sys.argv[5:])
sys.path.insert(0, here)
import follow_matrix
trace = ['--trace'] if os.environ.get('FOLLOW_REPLAY_TRACE') == '1' else []
for row in follow_matrix.rows():
    name = row['name']
    if (wanted and name not in wanted) or not os.path.exists(f'{kept}/{name}.out'):
        continue
    script = f'{out}/{name}.txt'
    open(script, 'w').write(row['script'])
    with open(f'{out}/{name}.out', 'w') as f:
        subprocess.run([f'{build}/bench/follow_replay', '--script', script, '--in',
                        f'{kept}/{name}.out', *trace], check=True, stdout=f)
    shutil.copy(f'{kept}/{name}.json', f'{out}/{name}.json')
PY
exec python3 "$here/follow_matrix.py" --from "$out" "$@"
