#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The prompter panel on a real X server: the notch panel hangs override-redirect from the top
# centre without taking the focus, its right-click menu reaches the commands, and the floating
# panel is dragged and resized through the window manager and remembers where it was left.
source "$QM_E2E_LIB"
e2e_setup "$1"

# stored_frame_is VALUE: the floatingFrame in settings.json, None when absent (or no file yet).
stored_frame_is() {
  local value=None
  if [ -e "$DATA_DIR/settings.json" ]; then
    value=$(json_get "$DATA_DIR/settings.json" 'd.get("floatingFrame")')
  fi
  [ "$value" = "$1" ]
}
panel_at() { window_at "$(panel_id || echo 0)" "$@"; }

# Notch mode, the default: --start opens it 0.8 s after launch.
app_start --start
check "main window appears" app_wait_window 30
check "prompter panel appears" e2e_wait 30 "prompter panel" panel_shown
panel=$(panel_id || echo 0)
check "notch panel bypasses the window manager" override_redirect "$panel"
check "notch panel at the top centre, 380 x 150" geometry_is "$panel" "566 0 380 150"
check "notch panel did not take the focus" not_active "$panel"
check "still running" app_running

# The first item of its context menu is "Hide Prompter".
click_at $(window_point "$panel" 50 47) 3
e2e_wait 30 "menu" menu_open || true
xdotool key Down Return
check "hidden from its right-click menu" e2e_wait 30 "panel hidden" panel_gone
check "the prompter's frame is not stored in notch mode" stored_frame_is None
check "SIGTERM ends the program" app_stop TERM

# Floating mode. The first panel keeps clear of the main window and the pointer: with both
# out of the way it takes its usual place.
settings_merge '{"mode": "floating", "countdown": false, "floatingFrame": null}'
app_start
check "main window appears" app_wait_window 30
main=$(main_window_id || echo 0)
xdotool windowsize "$main" 900 560 windowmove "$main" 600 400
main_low() { local x y w h; read -r x y w h <<<"$(window_geometry "$main")"; [ "$y" -ge 380 ]; }
check "main window moved below the panel's place" e2e_wait 30 "main window moved" main_low
xdotool mousemove 20 960
"$QM_BIN" --toggle
check "floating panel appears" e2e_wait 30 "prompter panel" panel_shown
panel=$(panel_id || echo 0)
check "floating panel is managed" eval "! override_redirect $panel"
check "floating panel centred 60 below the top, 560 x 240" geometry_is "$panel" "476 60 560 240"

drag $(panel_at 84 80) 100 50
check "dragging the background moves it" e2e_wait 30 "moved" geometry_is "$panel" "576 110 560 240"
# Stored with the origin at the bottom-left: y = 982 - 110 - 240.
check "the new frame is stored" e2e_wait 30 "stored frame" stored_frame_is "[576, 632, 560, 240]"

drag $(panel_at -2 90) 60 0
check "dragging the right edge resizes it" e2e_wait 30 "resized" geometry_is "$panel" "576 110 620 240"
check "the resized frame is stored" e2e_wait 30 "stored frame" stored_frame_is "[576, 632, 620, 240]"

drag $(panel_at -2 -2) -800 -800
check "never smaller than 260 x 120" e2e_wait 30 "minimum" geometry_is "$panel" "576 110 260 120"
check "the smallest frame is stored" e2e_wait 30 "stored frame" stored_frame_is "[576, 752, 260, 120]"
check "SIGTERM ends the program" app_stop TERM

# The next start puts it back where it was left.
app_start --start
check "floating panel appears again" e2e_wait 30 "prompter panel" panel_shown
panel=$(panel_id || echo 0)
check "at the stored frame" e2e_wait 30 "placed" geometry_is "$panel" "576 110 260 120"
app_stop TERM || true

e2e_pass
