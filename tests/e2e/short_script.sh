#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A script that fits on the screen plays and ends in every mode (notch, floating, and display on
# a second monitor), read through the media player's position on a private session bus. The
# pointer resting where a prompter window appears does not pause it: the text moves until the
# pointer itself moves. A new floating panel opens clear of the resting pointer. A studio
# monitor plugged back in while the prompter is shown takes the output back.
if [ -z "${QM_E2E_OWN_BUS:-}" ]; then
  QM_E2E_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
E2E_SCREEN=3432x1080x24
source "$QM_E2E_LIB"
e2e_setup "$1"

split_screen() {
  xrandr --setmonitor A 1512/400x982/260+0+0 screen >/dev/null 2>&1 || true
  xrandr --setmonitor B 1920/500x1080/280+1512+0 none >/dev/null 2>&1 || true
  xrandr --listmonitors | grep -q '^Monitors: 2'
}
check "two monitors" e2e_wait 30 "RandR monitors" split_screen

pc() { playerctl -p quillmere "$@" 2>/dev/null; }
listed() { playerctl -l 2>/dev/null | grep -qx 'quillmere'; }
status_is() { [ "$(pc status)" = "$1" ]; }
position() { pc position; }
near() { python3 -c "import sys; sys.exit(0 if abs(float('$1') - float('$2')) < 0.001 else 1)"; }
above() { python3 -c "import sys; sys.exit(0 if float('$1') > float('$2') + 0.01 else 1)"; }
position_above() { above "$(position || echo 0)" "$1"; }
# The position has stopped: two readings 0.3 s apart agree. Prints it.
position_still() {
  local a b
  a=$(position) || return 1
  sleep 0.3 # the time over which a held text must not move
  b=$(position) || return 1
  near "$a" "$b" && echo "$b"
}
wait_still() {
  local i p
  for i in $(seq 1 60); do
    if p=$(position_still); then echo "$p"; return 0; fi
  done
  return 1
}
length_seconds() { python3 -c "print(int('${1:-0}') / 1e6)"; }
# pointer_outside ID: the pointer is not within the window.
pointer_outside() {
  local x y w h px py
  read -r x y w h <<<"$(window_geometry "$1")"
  eval "$(xdotool getmouselocation --shell)"
  px=$X py=$Y
  [ "$px" -lt "$x" ] || [ "$px" -ge $((x + w)) ] || [ "$py" -lt "$y" ] || [ "$py" -ge $((y + h)) ]
}

write_script() {
  python3 - "$DATA_DIR/scripts.json" "$1" <<'PY'
import json, sys
lines = int(sys.argv[2])
text = "\n".join(f"Line {i} of a script." for i in range(1, lines + 1))
json.dump([{"id": "6F1C2A4E-0000-4000-8000-000000000027", "title": "Short", "text": text}],
          open(sys.argv[1], "w"))
PY
}
mkdir -p "$DATA_DIR"

# Two lines: shorter than the reading area in every mode. The pointer rests where the panel
# appears (the notch at the top centre, the floating panel's usual place, the studio monitor).
write_script 2
for mode in notch floating display; do
  case $mode in
    notch) xdotool mousemove 756 20 ;;
    floating) xdotool mousemove 756 200 ;;
    display) xdotool mousemove 2472 540 ;;
  esac
  settings_merge "{\"mode\":\"$mode\",\"displayName\":\"B\",\"countdown\":false,\"speed\":100,\"pauseOnHover\":true}"
  app_start --start
  check "$mode: main window appears" app_wait_window 30
  check "$mode: the player is listed" e2e_wait 30 "player" listed
  check "$mode: the short script plays to its end" e2e_wait 60 "Paused" status_is Paused
  length=$(pc metadata mpris:length || echo 0)
  e2e_log "$mode: length $length µs, ended at $(position) s"
  check "$mode: it had somewhere to go" test "${length:-0}" -gt 0
  check "$mode: it ended at its end" near "$(position || echo 0)" "$(length_seconds "$length")"
  if [ "$mode" = floating ]; then
    check "floating: the new panel keeps clear of the pointer" pointer_outside "$(panel_id || echo 0)"
  fi
  check "$mode: the program ends" app_stop TERM
done

# A long script: the pointer resting on the panel as it appears leaves the text moving; the
# pointer moving on it holds the text; leaving lets it go on.
write_script 60
for mode in notch display; do
  case $mode in
    notch) rest=(756 20) moved=(760 24) ;;
    display) rest=(2472 540) moved=(2480 548) ;;
  esac
  xdotool mousemove "${rest[@]}"
  settings_merge "{\"mode\":\"$mode\",\"speed\":36}"
  app_start --start
  check "$mode: the player is listed" e2e_wait 30 "player" listed
  check "$mode: under a resting pointer, the text moves" e2e_wait 30 "moving" position_above 0.5
  xdotool mousemove "${moved[@]}"
  held=$(wait_still || echo none)
  check "$mode: the pointer moving on it holds the text" test "$held" != none
  check "$mode: still playing while held" status_is Playing
  xdotool mousemove 20 960
  check "$mode: the pointer leaving lets it go on" e2e_wait 30 "moving again" position_above "${held/none/0}"
  check "$mode: the program ends" app_stop TERM
done

# The studio monitor is unplugged and comes back at another resolution while the prompter is
# shown: the floating panel stands in, then the output takes the monitor back at its new size.
output_id() { xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Quillmere Prompter Display$' 2>/dev/null | first_line; }
output_on() { local id; id=$(output_id) || return 1; geometry_is "$id" "$1"; }
xdotool mousemove 20 960
settings_merge '{"mode":"display","speed":36}'
app_start --start
check "display: the output covers monitor B" e2e_wait 30 "output on B" output_on "1512 0 1920 1080"
xrandr --delmonitor B >/dev/null 2>&1 || true
check "display: the panel stands in" e2e_wait 30 "panel" panel_shown
xrandr --setmonitor B 1600/420x900/236+1512+0 none >/dev/null 2>&1 || true
check "display: the output takes monitor B back, 1600 × 900" e2e_wait 30 "output back" output_on "1512 0 1600 900"
check "display: the panel is gone" e2e_wait 30 "panel gone" panel_gone
check "display: still shown and playing" status_is Playing
check "display: the program ends" app_stop TERM
e2e_pass
