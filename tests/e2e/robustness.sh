#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Damaged data files never stop the program and their bytes are kept; kill -9 while typing
# never leaves invalid files nor loses more than the last half second; nothing is written
# outside the data folder and no network socket is opened.
#
# The kill loop runs up to QM_KILL_ITERATIONS times (50) but stops starting new rounds once
# QM_KILL_BUDGET seconds (150) have gone, after at least QM_KILL_MINIMUM rounds (10): on a busy
# machine it does fewer rounds rather than run into the test's time limit.
source "$QM_E2E_LIB"
e2e_setup "$1"
# Stopped from outside (a time limit, Ctrl+C), it still clears away its folders and processes.
trap 'exit 143' TERM
trap 'exit 130' INT
ITERATIONS=${QM_KILL_ITERATIONS:-50}
KILL_BUDGET=${QM_KILL_BUDGET:-150}
KILL_MINIMUM=${QM_KILL_MINIMUM:-10}

mkdir -p "$DATA_DIR"

scripts_load() {
  python3 - "$1" <<'PY'
import json, re, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert isinstance(d, list) and d
for s in d:
    assert set(("id", "title", "text")) <= set(s)
    assert re.fullmatch(r"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}", s["id"])
    assert isinstance(s["title"], str) and isinstance(s["text"], str)
PY
}

# --- malformed files -------------------------------------------------------------------------
make_bad() {
  local kind=$1 path=$2
  case $kind in
  truncated) printf '[{"id":"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F","title":"My talk","text":"# Op' >"$path" ;;
  random) head -c 4096 /dev/urandom >"$path" ;;
  invalid-utf8) printf '[{"id":"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F","title":"\xff\xfe","text":"\xc3\x28"}]' >"$path" ;;
  huge) python3 -c 'import sys; sys.stdout.write("[" + ",".join(["{\"id\":\"6F1C2A4E-9B7D-4C3A-8E21-0A1B2C3D4E5F\",\"title\":\"x\",\"text\":" + "\"" + "a" * 1000 + "\"}"] * 52000) + ",{}]")' >"$path" ;;
  nested) python3 -c 'print("[" * 100000 + "]" * 100000)' >"$path" ;;
  wrong-types) printf '[{"id":5,"title":[],"text":{}}]' >"$path" ;;
  esac
}

for kind in truncated random invalid-utf8 huge nested wrong-types; do
  rm -rf "$DATA_DIR" && mkdir -p "$DATA_DIR"
  make_bad "$kind" "$DATA_DIR/scripts.json"
  make_bad "$kind" "$DATA_DIR/settings.json"
  [ "$kind" = wrong-types ] && printf '{"mode":1,"speed":"fast","floatingFrame":"x"}' >"$DATA_DIR/settings.json"
  cp "$DATA_DIR/scripts.json" "$E2E_TMP/original-scripts"
  cp "$DATA_DIR/settings.json" "$E2E_TMP/original-settings"
  app_start
  check "$kind: starts" app_wait_window 60
  check "$kind: keeps running" app_running
  check "$kind: quits cleanly" app_stop TERM
  check "$kind: writes loadable scripts" scripts_load "$DATA_DIR/scripts.json"
  check "$kind: writes valid settings" json_valid "$DATA_DIR/settings.json"
  aside=$(ls "$DATA_DIR"/scripts.json.unreadable-* 2>/dev/null | head -n1)
  check "$kind: keeps the original scripts bytes" cmp -s "$E2E_TMP/original-scripts" "${aside:-/nonexistent}"
  if [ "$kind" != wrong-types ]; then
    aside=$(ls "$DATA_DIR"/settings.json.unreadable-* 2>/dev/null | head -n1)
    check "$kind: keeps the original settings bytes" cmp -s "$E2E_TMP/original-settings" "${aside:-/nonexistent}"
  fi
done

# --- kill -9 while typing --------------------------------------------------------------------
rm -rf "$DATA_DIR" && mkdir -p "$DATA_DIR"
DELAY_MS=40
worst_missing=0
rounds=0
loop_start=$SECONDS
for i in $(seq 1 "$ITERATIONS"); do
  if [ "$rounds" -ge "$KILL_MINIMUM" ] && [ $((SECONDS - loop_start)) -ge "$KILL_BUDGET" ]; then
    e2e_log "time budget of ${KILL_BUDGET}s used after $rounds kills"
    break
  fi
  rounds=$((rounds + 1))
  app_start
  if ! app_wait_window 60; then
    check "iteration $i: starts" false
    continue
  fi
  # The marker reaching the disk proves the editor has the keyboard; the timed typing follows.
  marker=$(printf 'k%02d' "$i")
  if ! editor_takes_keys "$marker"; then
    check "iteration $i: typing reaches the editor" false
    app_stop KILL || true
    continue
  fi
  text=$(printf ' %s' $(seq -f 'w%03g' 1 60))
  start_ns=$(date +%s%N)
  xdotool type --delay "$DELAY_MS" "$text" &
  typer=$!
  # A random moment between 0.3 s and 2.3 s into the typing: the moment is what is varied.
  sleep "$(python3 -c "import random; print(round(random.uniform(0.3, 2.3), 3))")"
  kill -KILL "$APP_PID"
  kill_ns=$(date +%s%N)
  kill "$typer" 2>/dev/null || true
  wait "$typer" 2>/dev/null || true
  # A typer killed between a key's press and its release leaves that key held down, repeating
  # into the next round (a held space presses whichever button has the focus): release them all.
  xdotool keyup space w 0 1 2 3 4 5 6 7 8 9
  wait "$APP_PID" 2>/dev/null || true
  [ -e "$DATA_DIR/scripts.json" ] || { check "iteration $i: scripts.json exists" false; continue; }
  check "iteration $i: scripts load" scripts_load "$DATA_DIR/scripts.json"
  check "iteration $i: settings valid" json_valid "$DATA_DIR/settings.json"
  # Characters xdotool had sent half a second before the kill (plus a frame of slack for the
  # X server and the event loop) must all be on disk.
  must=$(python3 -c "print(max(0, int(($kill_ns - $start_ns) / 1e6 - 500 - 100) // $DELAY_MS))")
  saved=$(python3 - "$DATA_DIR/scripts.json" "$marker" <<'PY'
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
text = "\n".join(s["text"] for s in d)
at = text.rfind(sys.argv[2])
print(0 if at < 0 else len(text) - at - len(sys.argv[2]))
PY
)
  missing=$((must - saved))
  [ "$missing" -gt "$worst_missing" ] && worst_missing=$missing
  check "iteration $i: at most the last half second missing (sent $must+, saved $saved)" test "$saved" -ge "$must"
done
e2e_log "worst shortfall over $rounds kills in $((SECONDS - loop_start))s: $worst_missing characters"

# --- no network, no files outside the data folder --------------------------------------------
rm -rf "$DATA_DIR" && mkdir -p "$DATA_DIR"
trace="$E2E_TMP/strace.log"
strace -f -qq -e trace=socket,open,openat,creat,rename,renameat,renameat2,mkdir,mkdirat,unlink,unlinkat \
  -o "$trace" "$QM_BIN" >>"$E2E_TMP/app.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
app_wait_window 90
editor_takes_keys "traced words" || true
# The program itself is told to quit (strace, told instead, would leave it behind); strace ends
# with it and writes out the rest of its log.
kill -TERM $(pgrep -P "$APP_PID") 2>/dev/null || true
e2e_wait 30 "strace to end" eval '! app_running' || true
check "no network sockets" sh -c "! grep -E 'socket\\((AF_INET|AF_INET6|PF_INET)' '$trace'"
outside=$(python3 - "$trace" "$DATA_DIR" "$XDG_RUNTIME_DIR" "$XDG_CACHE_HOME" <<'PY'
import re, sys
trace, data, runtime, cache = sys.argv[1:5]
allowed = (data, runtime, cache, "/dev/", "/proc/", "/tmp/.X11-unix/")
bad = set()
for line in open(trace, errors="replace"):
    m = re.search(r'(?:open|openat|creat)\((?:AT_FDCWD, |\d+, )?"([^"]+)", ([A-Z_|]+)', line)
    if m and "= -1" not in line and any(f in m.group(2) for f in ("O_WRONLY", "O_RDWR", "O_CREAT")):
        if not m.group(1).startswith(allowed):
            bad.add(m.group(1))
    for m in re.finditer(r'(?:rename|renameat2?|mkdir|mkdirat|unlink|unlinkat)\([^"]*"([^"]+)"', line):
        if "= -1" not in line and not m.group(1).startswith(allowed):
            bad.add(m.group(1))
print("\n".join(sorted(bad)))
PY
)
[ -n "$outside" ] && e2e_log "written outside the data folder: $outside"
check "writes nothing outside the data folder" test -z "$outside"
check "the traced session saved its words" grep -q "traced words" "$DATA_DIR/scripts.json"

e2e_pass
