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
  e2e_wait 5 "the started processes to end" none_running "${E2E_PIDS[@]}" || true
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
  e2e_wait 30 "window manager" wm_running
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

# none_running PID...: none of these processes is alive.
none_running() {
  local pid
  for pid in "$@"; do
    kill -0 "$pid" 2>/dev/null && return 1
  done
  return 0
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

# The first line of the input, failing on none. Reads it all: with pipefail, a reader that stops
# early (head, grep -q) can fail the pipeline by killing the writer with SIGPIPE.
first_line() { awk 'NR == 1 { print; found = 1 } END { exit !found }'; }

# main_window_id [PID]: the main window, the large visible "Quillmere" window (the tray icon and
# its menus share the name); with PID, only that process's windows count.
main_window_id() {
  local ids w
  if [ -n "${1:-}" ]; then
    ids=$(xdotool search --all --onlyvisible --pid "$1" --name '^Quillmere$' 2>/dev/null) || return 1
  else
    ids=$(xdotool search --onlyvisible --name '^Quillmere$' 2>/dev/null) || return 1
  fi
  for w in $ids; do
    [ "$(xwininfo -id "$w" 2>/dev/null | awk '/Width:/{print $2}')" -ge 900 ] 2>/dev/null && { echo "$w"; return 0; }
  done
  return 1
}
main_shown() { main_window_id "$@" >/dev/null; }
main_gone() { ! main_shown "$@"; }
# app_wait_window [SECONDS]: waits until the main window is mapped.
app_wait_window() {
  e2e_wait "${1:-20}" "main window" main_shown
}

# panel_id [PID]: the prompter panel of the program under test (of PID when given).
panel_id() {
  xdotool search --all --onlyvisible --pid "${1:-$APP_PID}" --name '^Quillmere Prompter$' 2>/dev/null | first_line
}
panel_shown() { panel_id "$@" >/dev/null; }
panel_gone() { ! panel_shown "$@"; }

# window_origin ID: prints the absolute top-left corner of a window's client area ("x y").
window_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}
# window_geometry ID: prints "x y width height" of a window's client area.
window_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}

geometry_is() { [ "$(window_geometry "$1")" = "$2" ]; }
override_redirect() { xwininfo -id "$1" | grep -q 'Override Redirect State: yes'; }
window_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
not_active() { ! window_active "$1"; }

# window_point ID PX PY: the screen point ("x y") PX and PY percent into a window's client area,
# so that a check aims at the program's windows wherever they are and however large.
window_point() {
  local x y w h
  read -r x y w h < <(window_geometry "$1")
  echo $((x + w * $2 / 100)) $((y + h * $3 / 100))
}

# window_at ID DX DY: the screen point DX, DY from a window's top-left corner; a negative DX or
# DY counts from its right or bottom edge.
window_at() {
  local x y w h
  read -r x y w h < <(window_geometry "$1")
  [ "$2" -lt 0 ] && x=$((x + w))
  [ "$3" -lt 0 ] && y=$((y + h))
  echo $((x + $2)) $((y + $3))
}

# click_at X Y [BUTTON]: moves the pointer to a screen point and clicks there.
click_at() {
  xdotool mousemove "$1" "$2"
  sleep 0.2 # pacing: the window sees the pointer arrive before the press, as from a hand
  xdotool click "${3:-1}"
}

# drag X Y DX DY: presses the left button at (X, Y), moves by (DX, DY) in steps, releases.
# The pauses pace the injected events as a hand does: the window manager and the toolkit take
# a press that comes with the move for a click, and a release right after the last step for a
# drag that never moved.
drag() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  local i
  for i in 1 2 3 4 5; do
    xdotool mousemove_relative -- $(($3 / 5)) $(($4 / 5))
    sleep 0.05
  done
  sleep 0.2
  xdotool mouseup 1
}

# editor_takes_keys MARKER: makes sure the editor has the keyboard before a check types into it
# (a window that has just been mapped can miss the first click): clicks into the editor, goes
# to the end and types MARKER, until MARKER reaches scripts.json. Fails after five tries.
editor_takes_keys() {
  local attempt win
  for attempt in 1 2 3 4 5; do
    win=$(main_window_id) || { app_wait_window 30; continue; }
    xdotool windowactivate --sync "$win" 2>/dev/null || true
    click_at $(editor_point "$win")
    xdotool key --clearmodifiers ctrl+End
    xdotool type --delay 10 "$1"
    e2e_wait 10 "$1 on disk" grep -q "$1" "$DATA_DIR/scripts.json" 2>/dev/null && return 0
  done
  return 1
}
# editor_point [ID]: a point in the middle of the editor of the main window.
editor_point() { window_point "${1:-$(main_window_id)}" 51 54; }

# settings_is PYTHON-EXPR VALUE: settings.json exists and the expression over it (`d`) prints
# VALUE.
settings_is() { [ -e "$DATA_DIR/settings.json" ] && [ "$(json_get "$DATA_DIR/settings.json" "$1")" = "$2" ]; }
# settings_merge JSON-OBJECT: sets these keys in settings.json (made when missing or unreadable);
# a key set to null is removed.
settings_merge() {
  mkdir -p "$DATA_DIR"
  python3 - "$DATA_DIR/settings.json" "$1" <<'PY'
import json, sys
path = sys.argv[1]
try:
    d = json.load(open(path, encoding="utf-8"))
except (OSError, ValueError):
    d = {}
for key, value in json.loads(sys.argv[2]).items():
    if value is None:
        d.pop(key, None)
    else:
        d[key] = value
json.dump(d, open(path, "w", encoding="utf-8"))
PY
}

# Screenshots of a part of a window, to tell whether the text in it moves.
# window_shot ID FILE LEFT TOP RIGHT BOTTOM: the window's client area less these margins.
window_shot() {
  local x y w h
  read -r x y w h < <(window_geometry "$1")
  import -window root -crop "$((w - $3 - $5))x$((h - $4 - $6))+$((x + $3))+$((y + $4))" +repage "$2" 2>/dev/null
}
same_image() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
different_image() { ! same_image "$1" "$2"; }
# settled SHOT-COMMAND FILE [AWAY-FROM]: waits (E2E_SETTLE_SECONDS, 30 s unless set) until two
# shots half a second apart are equal, and unlike the image AWAY-FROM when given: the text came
# to rest (somewhere else). FILE holds the last shot; SHOT-COMMAND FILE takes one.
settled() {
  local shoot=$1 file=$2 away=${3:-} seconds=${E2E_SETTLE_SECONDS:-30}
  local deadline=$(($(date +%s%N) + seconds * 1000000000))
  "$shoot" "$file.prev"
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    sleep 0.5 # the time over which a text at rest must not change
    "$shoot" "$file"
    if same_image "$file.prev" "$file" && { [ -z "$away" ] || different_image "$away" "$file"; }; then
      return 0
    fi
    mv -f "$file" "$file.prev"
  done
  e2e_log "timed out after ${seconds}s waiting for the text to come to rest${away:+ away from $away}"
  return 1
}
# settled_as SHOT-COMMAND FILE EXPECTED: waits (30 s at most) until a shot equals the image
# EXPECTED: the text came back to rest where it was then. FILE holds the last shot.
settled_as() {
  local deadline=$(($(date +%s%N) + 30000000000))
  while [ "$(date +%s%N)" -lt "$deadline" ]; do
    "$1" "$2"
    same_image "$2" "$3" && return 0
    sleep 0.1
  done
  e2e_log "timed out after 30s waiting for the text to come to rest as in $3"
  return 1
}

# Another program's window, to hold the focus: an xmessage window at GEOMETRY.
other_start() {
  xmessage -geometry "$1" "another program" >/dev/null 2>&1 &
  E2E_PIDS+=($!)
  e2e_wait 30 "xmessage" eval "other_window >/dev/null"
}
other_window() { xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | first_line; }
other_has_focus() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(other_window)" ]; }
other_focus() {
  xdotool windowactivate --sync "$(other_window || echo 0)" 2>/dev/null || true
  e2e_wait 30 "focus" other_has_focus
}

# A tray: Xvfb has none of its own, trayer provides an XEmbed one.
tray_start() {
  trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
    >"$E2E_TMP/trayer.log" 2>&1 &
  E2E_PIDS+=($!)
}
# The docked icon: a small "Quillmere" window of ours inside the tray's window tree. (awk reads
# to the end: an early exit would kill xwininfo with SIGPIPE and fail the pipeline.)
tray_icon() {
  xwininfo -root -tree | awk '/"Quillmere": \("quillmere" "quillmere"\)/ {
    split($5, size, "[x+]"); if (!found && size[1] <= 64 && size[2] <= 64) { print $1; found = 1 } }
    END { exit !found }'
}
tray_docked() { tray_icon >/dev/null; }
# A menu: a "Quillmere" window of ours bigger than the icon and smaller than the main window.
menu_open() {
  xwininfo -root -tree | awk '/"Quillmere": \("quillmere" "quillmere"\)/ {
    split($5, size, "[x+]"); if (size[1] > 64 && size[1] < 900) found = 1 }
    END { exit !found }'
}
# tray_menu: right-clicks the docked icon; the caller waits for the menu (menu_open).
tray_menu() {
  local icon=0 ix iy iw ih
  # xwininfo gives up on the whole tree when a window goes away under it; ask again then.
  for _ in $(seq 1 100); do
    icon=$(tray_icon) && break
    icon=0
    sleep 0.1
  done
  read -r ix iy iw ih < <(window_geometry "$icon")
  click_at $((ix + iw / 2)) $((iy + ih / 2)) 3
}

# The program's trace (QUILLMERE_TRACE), where it marks events a check can wait for.
# e2e_trace: turns it on for the programs started from here on.
e2e_trace() {
  E2E_TRACE=$E2E_TMP/trace.txt
  export QUILLMERE_TRACE=$E2E_TRACE
}
# trace_count EVENT: how many EVENT lines the trace holds so far.
trace_count() {
  if [ -e "$E2E_TRACE" ]; then awk -v e="$1" '$1 == e { n++ } END { print n + 0 }' "$E2E_TRACE"; else echo 0; fi
}
# trace_reaches EVENT N: the trace holds at least N EVENT lines.
trace_reaches() { [ "$(trace_count "$1")" -ge "$2" ]; }
# trace_after EVENT N LATER: a LATER line follows the Nth EVENT line.
trace_after() {
  [ -e "$E2E_TRACE" ] && awk -v e="$1" -v n="$2" -v later="$3" '
    $1 == e { seen++ } seen >= n && $1 == later && !($1 == e && seen == n) { found = 1 }
    END { exit !found }' "$E2E_TRACE"
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
