#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The application shell on a real desktop: --start, closing the main window without quitting,
# remote commands handed to the running instance (or starting it), and quitting from the tray
# menu, which writes both files at once.
source "$QM_E2E_LIB"
e2e_setup "$1"

processes() { app_count; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# --start: the prompter opens by itself shortly after launch.
started=$(now_ms)
app_start --start
check "main window appears" e2e_wait 30 "main window" main_shown "$APP_PID"
check "--start shows the prompter" e2e_wait 30 "panel" panel_shown
e2e_log "prompter shown $(($(now_ms) - started)) ms after the launch command (0.8 s after start-up)"
check "the main window is 1180 x 740" test "$(window_geometry "$(main_window_id "$APP_PID")" | cut -d' ' -f3-)" = "1180 740"

# A remote command from a second process acts on the first and leaves one process.
"$QM_BIN" --play-pause >>"$E2E_TMP/app.log" 2>&1
check "--play-pause from a second process exits 0" test $? -eq 0
check "one process" test "$(processes)" -eq 1
"$QM_BIN" --toggle >>"$E2E_TMP/app.log" 2>&1
check "--toggle from a second process hides the prompter" e2e_wait 30 "panel hidden" panel_gone
"$QM_BIN" --faster >>"$E2E_TMP/app.log" 2>&1
check "--faster changes the speed in settings.json" e2e_wait 30 "speed 40" \
  bash -c "[ -e '$DATA_DIR/settings.json' ] && grep -q '\"speed\":40' '$DATA_DIR/settings.json'"

# Closing the main window leaves the program running; a second launch brings it back.
focus_main() {
  local w
  w=$(main_window_id "$APP_PID") || return 1
  click_at $(window_point "$w" 8 81)
  e2e_wait 30 "main window active" window_active "$w"
}
# The window manager acts on the focused window; a click right after another window closed can
# be lost, so focusing and pressing are retried a few times.
close_with_alt_f4() {
  local attempt
  for attempt in 1 2 3; do
    xdotool windowactivate --sync "$(main_window_id "$APP_PID")" 2>/dev/null || true
    focus_main || true
    xdotool key alt+F4
    e2e_wait 4 "main window closed" main_gone "$APP_PID" && return 0
  done
  return 1
}
# Without a tray, closing the main window quits unless the prompter is on screen.
"$QM_BIN" --toggle >>"$E2E_TMP/app.log" 2>&1
check "the prompter is shown again" e2e_wait 30 "panel" panel_shown
check "Alt+F4 closes the main window" close_with_alt_f4
# Nothing marks a program that stays: give a wrong quit the time to happen.
sleep 1
check "the program keeps running while the prompter is shown" app_running
"$QM_BIN" --show-window >>"$E2E_TMP/app.log" 2>&1
check "--show-window brings it back" e2e_wait 30 "main window" main_shown "$APP_PID"
check "closed again" close_with_alt_f4
"$QM_BIN" >>"$E2E_TMP/app.log" 2>&1
check "a plain second launch brings it back too" e2e_wait 30 "main window" main_shown "$APP_PID"
check "still one process" test "$(processes)" -eq 1

"$QM_BIN" --list-shortcuts >"$E2E_TMP/list.txt"
check "--list-shortcuts answers with seven lines" test "$(wc -l <"$E2E_TMP/list.txt")" -eq 7
check "SIGTERM ends it" app_stop TERM

# With nothing running, a remote command starts the program and is performed after start-up.
"$QM_BIN" --toggle >>"$E2E_TMP/app.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
check "--toggle with no instance starts the program" e2e_wait 30 "main window" main_shown "$APP_PID"
check "and shows the prompter" e2e_wait 30 "panel" panel_shown
check "SIGTERM ends it" app_stop TERM

# Quitting from the tray menu.
tray_start
rm -f "$DATA_DIR/settings.json" "$DATA_DIR/scripts.json"
app_start
check "main window appears" e2e_wait 30 "main window" main_shown "$APP_PID"
check "the icon docks in the tray" e2e_wait 30 "tray icon" tray_docked
tray_menu
check "a right-click opens the tray menu" e2e_wait 30 "menu" menu_open
import -window root "$E2E_TMP/tray-menu.png" 2>/dev/null || true
# Change a setting while the menu is open and choose "Quit Quillmere" (the last item) at once,
# well inside the 0.4 s the store waits before saving.
"$QM_BIN" --slower >>"$E2E_TMP/app.log" 2>&1
xdotool key Up Return
check "Quit Quillmere ends the program" e2e_wait 30 "exit" bash -c "! kill -0 $APP_PID 2>/dev/null"
check "scripts.json written" json_valid "$DATA_DIR/scripts.json"
check "settings.json written" json_valid "$DATA_DIR/settings.json"
check "the change made just before quitting is saved" \
  bash -c "json_get() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[\"speed\"])' \"\$1\"; }; [ \"\$(json_get '$DATA_DIR/settings.json')\" = 32 ]"

e2e_pass
