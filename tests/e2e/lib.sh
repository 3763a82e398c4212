# SPDX-License-Identifier: GPL-3.0-or-later
# Shared helpers for the end-to-end checks: a private X server with a window manager, a private
# data folder and runtime dir, the program under test, and clean-up of everything started.
# Usage in a check:  source "$QM_E2E_LIB"; e2e_setup "$1"; ...; e2e_pass
set -euo pipefail

E2E_PIDS=()
E2E_FAILS=0
E2E_CHECKS=0

e2e_log() { printf '[e2e %s] %s\n' "$(date +%H:%M:%S.%N | cut -c1-12)" "$*"; }

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    kill -TERM "$pid" 2>/dev/null || true
  done
  sleep 0.3
  for pid in "${E2E_PIDS[@]}"; do
    kill -KILL "$pid" 2>/dev/null || true
  done
  if [ -n "${E2E_TMP:-}" ] && [ -z "${E2E_KEEP:-}" ]; then
    rm -rf "$E2E_TMP"
  fi
}

# e2e_setup QUILLMERE_BINARY: starts Xvfb (1512 x 982, like a laptop screen, unless E2E_SCREEN
# says otherwise) and openbox.
e2e_setup() {
  QM_BIN=$(readlink -f "$1")
  E2E_TMP=$(mktemp -d /tmp/qm-e2e.XXXXXX)
  trap e2e_cleanup EXIT
  export XDG_DATA_HOME="$E2E_TMP/data"
  export XDG_RUNTIME_DIR="$E2E_TMP/run"
  export XDG_CONFIG_HOME="$E2E_TMP/config"
  export XDG_CACHE_HOME="$E2E_TMP/cache"
  mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset WAYLAND_DISPLAY QT_QPA_PLATFORM SESSION_MANAGER
  export QT_LOGGING_RULES="qt.qpa.*=false"
  DATA_DIR="$XDG_DATA_HOME/Quillmere"

  local fdfile="$E2E_TMP/display"
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1512x982x24}" -nolisten tcp -noreset 3>"$fdfile" \
    >"$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  local i
  for i in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  [ -s "$fdfile" ] || { echo "Xvfb did not start"; cat "$E2E_TMP/xvfb.log"; exit 1; }
  export DISPLAY=":$(head -n1 "$fdfile")"
  openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait 10 "window manager" wm_running
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# e2e_wait SECONDS WHAT COMMAND...: polls COMMAND every 50 ms until it succeeds.
e2e_wait() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$(($(date +%s%N) + seconds * 1000000000))
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    if "$@"; then return 0; fi
    sleep 0.05
  done
  e2e_log "timed out after ${seconds}s waiting for: $what"
  return 1
}

# app_count: how many copies of the program run on this check's data folder. Other checks (and
# other builds) may run the same binary at the same time on folders of their own.
app_count() {
  local pid n=0
  for pid in $(pgrep -f "^$QM_BIN" || true); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "XDG_DATA_HOME=$XDG_DATA_HOME"; then
      n=$((n + 1))
    fi
  done
  echo "$n"
}

# app_start ARGS...: starts the program in the background; APP_PID is its pid.
app_start() {
  "$QM_BIN" "$@" >>"$E2E_TMP/app.log" 2>&1 &
  APP_PID=$!
  E2E_PIDS+=("$APP_PID")
}

# Waits until a window titled exactly "Quillmere" is mapped.
app_wait_window() {
  e2e_wait "${1:-20}" "main window" main_window_id >/dev/null
}
# Reads the whole list before picking one, so no writer dies of SIGPIPE under pipefail.
main_window_id() {
  local ids
  ids=$(xdotool search --onlyvisible --name '^Quillmere$' 2>/dev/null) || return 1
  ids=${ids%%$'\n'*}
  [ -n "$ids" ] && echo "$ids"
}

# window_origin ID: prints the absolute top-left corner of a window's client area ("x y").
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}
# window_geometry ID: prints "x y width height" of a window's client area.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

app_running() { kill -0 "$APP_PID" 2>/dev/null; }

# app_stop [SIGNAL]: sends the signal (TERM by default) and waits for the exit.
app_stop() {
  local sig=${1:-TERM}
  kill -"$sig" "$APP_PID" 2>/dev/null || true
  local i
  for i in $(seq 1 200); do
    app_running || break
    sleep 0.05
  done
  ! app_running
}

json_valid() { python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding="utf-8"))' "$1" 2>/dev/null; }
# json_get FILE PYTHON-EXPR: prints an expression over the parsed file `d`.
json_get() { python3 -c 'import json,sys; d=json.load(open(sys.argv[1], encoding="utf-8")); print(eval(sys.argv[2]))' "$1" "$2"; }

check() {
  local what=$1
  shift
  E2E_CHECKS=$((E2E_CHECKS + 1))
  if "$@"; then
    e2e_log "ok: $what"
  else
    E2E_FAILS=$((E2E_FAILS + 1))
    e2e_log "FAILED: $what"
  fi
}

e2e_pass() {
  local passed=$((E2E_CHECKS - E2E_FAILS))
  echo "$passed passed, $E2E_FAILS failed"
  if [ "$E2E_FAILS" -ne 0 ]; then
    echo "--- app.log"; tail -n 60 "$E2E_TMP/app.log" 2>/dev/null || true
    exit 1
  fi
}
