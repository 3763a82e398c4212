#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Display mode on a real X server with two monitors (one wide screen split by RandR monitors,
# which the toolkit reports as two screens): the prompter covers the chosen monitor exactly,
# above everything and without the focus, drawn flipped; when that monitor goes, the floating
# panel carries on on the main one; when it comes back, the next show goes there again.
E2E_SCREEN=3432x1080x24
source "$QM_E2E_LIB"
e2e_setup "$1"
e2e_trace

split_screen() {
  xrandr --setmonitor A 1512/400x982/260+0+0 screen >/dev/null 2>&1 || true
  xrandr --setmonitor B 1920/500x1080/280+1512+0 none >/dev/null 2>&1 || true
  xrandr --listmonitors | grep -q '^Monitors: 2'
}
output_id() { xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Quillmere Prompter Display$' 2>/dev/null | first_line; }
output_shown() { output_id >/dev/null; }
output_gone() { ! output_shown; }
# inside_a ID: the window lies wholly on monitor A (0, 0, 1512 x 982).
inside_a() {
  local x y w h
  read -r x y w h <<<"$(window_geometry "$1")"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1512 ] && [ $((y + h)) -le 982 ]
}
# tally_at DX DY: the output window's pixel at window_at DX DY is the accent's red.
tally_at() {
  local x y
  read -r x y < <(window_at "$(output_id || echo 0)" "$1" "$2")
  tally_pixel "$x" "$y"
}
# tally_pixel X Y: the screen's pixel there is the accent's red.
tally_pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null \
    | python3 -c 'import re,sys; r,g,b=map(int,re.search(r"\((\d+),(\d+),(\d+)",sys.stdin.read().split("\n")[1]).groups()); sys.exit(0 if r>200 and g<130 and b<100 else 1)'
}

check "two monitors" e2e_wait 30 "RandR monitors" split_screen

# Mirrored left to right and upside down, marker on: the marker sits at the right edge, a third
# of the way up the reading area (4 below the top, 10 above the bottom).
mkdir -p "$DATA_DIR"
cat >"$DATA_DIR/settings.json" <<'JSON'
{"mode":"display","displayName":"B","countdown":false,"mirror":true,"flipVertical":true,"fontSize":40}
JSON
xdotool mousemove 700 500
app_start --start
check "main window appears" app_wait_window 30
check "output appears" e2e_wait 30 "output window" output_shown
out=$(output_id || echo 0)
check "output covers monitor B exactly" geometry_is "$out" "1512 0 1920 1080"
check "output bypasses the window manager" override_redirect "$out"
check "output did not take the focus" not_active "$out"
check "eye-line marker, flipped both ways" e2e_wait 30 "marker" tally_at -3 $((-(4 + 1066 / 3)))

# Monitor B goes: the floating panel takes over on A.
xrandr --delmonitor B
check "output goes with its monitor" e2e_wait 30 "output gone" output_gone
check "floating panel takes over" e2e_wait 30 "panel" panel_shown
check "panel on the main monitor" inside_a "$(panel_id || echo 0)"
check "display mode is still the setting" \
  [ "$(json_get "$DATA_DIR/settings.json" 'd["mode"]')" = display ]

# B returns: the next show puts the prompter back on it.
added=$(trace_count screen-added)
check "monitor B back" e2e_wait 30 "RandR monitors" split_screen
e2e_wait 30 "the program to see monitor B" trace_reaches screen-added $((added + 1)) || true
xdotool key ctrl+alt+p
check "hidden" e2e_wait 30 "panel gone" bash -c '! xdotool search --onlyvisible --name "^Quillmere Prompter" >/dev/null 2>&1'
xdotool key ctrl+alt+p
check "output back on monitor B" e2e_wait 30 "output window" output_shown
check "covering it exactly" geometry_is "$(output_id || echo 0)" "1512 0 1920 1080"
check "still running" app_running
check "SIGTERM ends the program" app_stop TERM
e2e_pass
