#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The application shell on a real desktop: --start, closing the main window without quitting,
# remote commands handed to the running instance (or starting it), and quitting from the tray
# menu, which writes both files at once.
source "$QM_E2E_LIB"
e2e_setup "$1"

# The first line of the input, failing on none. Reads it all: with pipefail, a reader that stops
# early (head, grep -q) can fail the pipeline by killing the writer with SIGPIPE.
first_line() { awk 'NR == 1 { print; found = 1 } END { exit !found }'; }

panel_id() { xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Quillmere Prompter' 2>/dev/null | first_line; }
panel_shown() { panel_id >/dev/null; }
panel_gone() { ! panel_shown; }
# The main window is the large "Quillmere" window (the tray icon and menus share the name).
main_id() {
  local w
  for w in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Quillmere$' 2>/dev/null); do
    [ "$(xwininfo -id "$w" | awk '/Width:/{print $2}')" -ge 900 ] && { echo "$w"; return 0; }
  done
  return 1
}
main_shown() { main_id >/dev/null; }
main_gone() { ! main_shown; }
processes() { app_count; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# --start: the prompter opens by itself shortly after launch.
started=$(now_ms)
app_start --start
check "main window appears" e2e_wait 30 "main window" main_shown
check "--start shows the prompter" e2e_wait 15 "panel" panel_shown
e2e_log "prompter shown $(($(now_ms) - started)) ms after the launch command (0.8 s after start-up)"
check "the main window is 1180 x 740" test "$(window_geometry "$(main_id)" | cut -d' ' -f3-)" = "1180 740"

# A remote command from a second process acts on the first and leaves one process.
"$QM_BIN" --play-pause >>"$E2E_TMP/app.log" 2>&1
check "--play-pause from a second process exits 0" test $? -eq 0
check "one process" test "$(processes)" -eq 1
"$QM_BIN" --toggle >>"$E2E_TMP/app.log" 2>&1
check "--toggle from a second process hides the prompter" e2e_wait 10 "panel hidden" panel_gone
"$QM_BIN" --faster >>"$E2E_TMP/app.log" 2>&1
check "--faster changes the speed in settings.json" e2e_wait 5 "speed 40" \
  bash -c "[ -e '$DATA_DIR/settings.json' ] && grep -q '\"speed\":40' '$DATA_DIR/settings.json'"

# Closing the main window leaves the program running; a second launch brings it back.
focus_main() {
  xdotool mousemove --window "$(main_id)" 100 600 click 1
  sleep 0.3
}
# The window manager acts on the focused window; a click right after another window closed can
# be lost, so focusing and pressing are retried a few times.
close_with_alt_f4() {
  local attempt
  for attempt in 1 2 3; do
    xdotool windowactivate --sync "$(main_id)" 2>/dev/null || true
    focus_main
    xdotool key alt+F4
    e2e_wait 4 "main window closed" main_gone && return 0
  done
  return 1
}
# Without a tray, closing the main window quits unless the prompter is on screen.
"$QM_BIN" --toggle >>"$E2E_TMP/app.log" 2>&1
check "the prompter is shown again" e2e_wait 15 "panel" panel_shown
check "Alt+F4 closes the main window" close_with_alt_f4
sleep 1
check "the program keeps running while the prompter is shown" app_running
"$QM_BIN" --show-window >>"$E2E_TMP/app.log" 2>&1
check "--show-window brings it back" e2e_wait 10 "main window" main_shown
check "closed again" close_with_alt_f4
"$QM_BIN" >>"$E2E_TMP/app.log" 2>&1
check "a plain second launch brings it back too" e2e_wait 10 "main window" main_shown
check "still one process" test "$(processes)" -eq 1

"$QM_BIN" --list-shortcuts >"$E2E_TMP/list.txt"
check "--list-shortcuts answers with seven lines" test "$(wc -l <"$E2E_TMP/list.txt")" -eq 7
check "SIGTERM ends it" app_stop TERM

# With nothing running, a remote command starts the program and is performed after start-up.
"$QM_BIN" --toggle >>"$E2E_TMP/app.log" 2>&1 &
APP_PID=$!
E2E_PIDS+=("$APP_PID")
check "--toggle with no instance starts the program" e2e_wait 30 "main window" main_shown
check "and shows the prompter" e2e_wait 15 "panel" panel_shown
check "SIGTERM ends it" app_stop TERM

# Quitting from the tray menu. Xvfb has no tray of its own: trayer provides an XEmbed one.
trayer --edge bottom --align right --widthtype pixel --width 120 --height 32 \
  >"$E2E_TMP/trayer.log" 2>&1 &
E2E_PIDS+=($!)
# The docked icon: a small "Quillmere" window of ours inside the tray's window tree. (awk reads
# to the end: an early exit would kill xwininfo with SIGPIPE and fail the pipeline.)
tray_icon() {
  xwininfo -root -tree | awk '/"Quillmere": \("quillmere" "quillmere"\)/ {
    split($5, size, "[x+]"); if (!found && size[1] <= 64 && size[2] <= 64) { print $1; found = 1 } }
    END { exit !found }'
}
rm -f "$DATA_DIR/settings.json" "$DATA_DIR/scripts.json"
app_start
check "main window appears" e2e_wait 30 "main window" main_shown
check "the icon docks in the tray" e2e_wait 30 "tray icon" eval "tray_icon >/dev/null"
# xwininfo gives up on the whole tree when a window goes away under it; ask again then.
icon=0
for _ in $(seq 1 20); do
  icon=$(tray_icon) && break
  sleep 0.1
done
read -r ix iy iw ih < <(window_geometry "$icon")
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2))
sleep 0.2
xdotool click 3
# The menu: a "Quillmere" window of ours bigger than the icon and smaller than the main window.
menu_open() {
  xwininfo -root -tree | awk '/"Quillmere": \("quillmere" "quillmere"\)/ {
    split($5, size, "[x+]"); if (size[1] > 64 && size[1] < 900) found = 1 }
    END { exit !found }'
}
check "a right-click opens the tray menu" e2e_wait 5 "menu" menu_open
import -window root "$E2E_TMP/tray-menu.png" 2>/dev/null || true
# Change a setting while the menu is open and choose "Quit Quillmere" (the last item) at once,
# well inside the 0.4 s the store waits before saving.
"$QM_BIN" --slower >>"$E2E_TMP/app.log" 2>&1
xdotool key Up Return
check "Quit Quillmere ends the program" e2e_wait 10 "exit" bash -c "! kill -0 $APP_PID 2>/dev/null"
check "scripts.json written" json_valid "$DATA_DIR/scripts.json"
check "settings.json written" json_valid "$DATA_DIR/settings.json"
check "the change made just before quitting is saved" \
  bash -c "json_get() { python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))[\"speed\"])' \"\$1\"; }; [ \"\$(json_get '$DATA_DIR/settings.json')\" = 32 ]"

e2e_pass
