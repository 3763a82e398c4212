#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program starts on an empty data folder, snapshots its window, saves on SIGTERM right after
# a change, and a second launch hands over to the first instead of running twice.
source "$QM_E2E_LIB"
e2e_setup "$1"
e2e_trace

shots="$E2E_TMP/shots"
mkdir -p "$shots"
app_start --snapshot "$shots"
check "main window appears" app_wait_window 30
check "a first run writes nothing before a change" test ! -e "$DATA_DIR/scripts.json"
check "snapshot written about 6 s after launch" e2e_wait 30 "windows.txt" test -s "$shots/windows.txt"
check "main window listed in windows.txt" grep -q '^Quillmere visible=true mini=false frame=(.*, .*, 1180.0, 740.0)$' "$shots/windows.txt"
check "window1-1180x740.png written" e2e_wait 30 png test -s "$shots/window1-1180x740.png"
check "still running after the snapshot" app_running

# The frame is in bottom-left, y-up coordinates: y = 982 - top - 740.
read -r x y < <(window_origin "$(main_window_id)")
expected_y=$((982 - y - 740))
check "frame y is measured from the bottom of the screen" grep -q "frame=(${x}.0, ${expected_y}.0, " "$shots/windows.txt"

# A second launch leaves one process and exits 0.
"$QM_BIN" --show-window >>"$E2E_TMP/app.log" 2>&1
second=$?
check "second launch exits 0" test "$second" -eq 0
check "one process per data folder" test "$(app_count)" -eq 1

# Type into the editor, then SIGTERM within the debounce: the change is on disk.
# First make sure the editor has the keyboard: a marker typed into it must reach the disk. Then
# the timed change follows; SIGTERM goes as soon as the program has taken its last key.
editor_takes_keys "focus" || true
edits=$(trace_count scripts-changed)
typed="SAVED ON TERM"
xdotool type --delay 5 "$typed"
e2e_wait 30 "the typed keys in the program" trace_reaches scripts-changed $((edits + ${#typed})) || true
check "SIGTERM ends the program" app_stop TERM
check "scripts.json is valid JSON" json_valid "$DATA_DIR/scripts.json"
check "settings.json is valid JSON" json_valid "$DATA_DIR/settings.json"
check "the change made just before SIGTERM was saved" grep -q "SAVED ON TERM" "$DATA_DIR/scripts.json"
check "files are private" test "$(stat -c %a "$DATA_DIR/scripts.json")" = 600

# A lock left by a killed process does not block the next start.
app_start
check "starts again" app_wait_window 30
app_stop KILL || true
app_start
check "starts after a kill -9" app_wait_window 30
check "the script is still there" grep -q "SAVED ON TERM" "$DATA_DIR/scripts.json"
app_stop TERM || true

e2e_pass
