#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The screen changes resolution in place while the prompter is shown (RandR on the X server's
# one output): the floating panel keeps its place in proportion, wholly on the screen, and the
# display output covers the screen at its new size.
source "$QM_E2E_LIB"
e2e_setup "$1"

# resolution W H: the output switched to a W × H mode (made the first time it is asked for).
resolution() {
  local mode="$1x$2"
  if ! xrandr | grep -q "^ *$mode "; then
    xrandr --newmode "$mode" 0 "$1" 0 0 0 "$2" 0 0 0
    xrandr --addmode screen "$mode"
  fi
  xrandr --output screen --mode "$mode"
}
# placed ID CX CY W H: the window's centre is at (CX, CY), give or take 2 pixels, and it lies
# wholly within (0, 0) W × H.
placed() {
  local x y w h
  read -r x y w h <<<"$(window_geometry "$1")"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$4" ] && [ $((y + h)) -le "$5" ] \
    && [ $((x + w / 2 - $2)) -ge -2 ] && [ $((x + w / 2 - $2)) -le 2 ] \
    && [ $((y + h / 2 - $3)) -ge -2 ] && [ $((y + h / 2 - $3)) -le 2 ]
}
output_id() { xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Quillmere Prompter Display$' 2>/dev/null | first_line; }
output_is() { local id; id=$(output_id) || return 1; geometry_is "$id" "$1"; }

# A floating panel where it was left, 400 × 200 with its centre at (1100, 200) of 1512 × 982.
# The screen shrinks to 1000 × 700 and grows back: it keeps its place in proportion.
xdotool mousemove 20 960
settings_merge '{"mode":"floating","countdown":false,"floatingFrame":[900,682,400,200]}'
app_start --start
check "floating panel shown" e2e_wait 30 "panel" panel_shown
check "where it was left" placed "$(panel_id || echo 0)" 1100 200 1512 982
check "down to 1000 × 700" resolution 1000 700
check "the panel keeps its place in proportion" e2e_wait 30 "panel followed" \
  placed "$(panel_id || echo 0)" 728 143 1000 700
check "up to 1512 × 982" resolution 1512 982
check "and back" e2e_wait 30 "panel followed" placed "$(panel_id || echo 0)" 1100 200 1512 982
check "the program ends" app_stop TERM

# The display output, alone on the one screen, covers it at each size.
settings_merge '{"mode":"display"}'
app_start --start
check "output covers the screen" e2e_wait 30 "output" output_is "0 0 1512 982"
check "down to 1000 × 700" resolution 1000 700
check "the output follows" e2e_wait 30 "output resized" output_is "0 0 1000 700"
check "the program ends" app_stop TERM
e2e_pass
