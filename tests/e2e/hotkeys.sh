#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The seven system-wide hot keys on a real X server: they reach the program through its key
# grabs whatever has the focus, with CapsLock or NumLock on; held keys repeat only the speed
# keys; a chord another client already holds is reported as refused.
source "$QM_E2E_LIB"
e2e_setup "$1"

# The first line of the input, failing on none. Reads it all: with pipefail, a reader that stops
# early (head, grep -q) can fail the pipeline by killing the writer with SIGPIPE.
first_line() { awk 'NR == 1 { print; found = 1 } END { exit !found }'; }

panel_id() { xdotool search --all --onlyvisible --pid "$APP_PID" --name '^Quillmere Prompter' 2>/dev/null | first_line; }
panel_shown() { panel_id >/dev/null; }
panel_gone() { ! panel_shown; }
geometry_is() { [ "$(window_geometry "$1")" = "$2" ]; }
speed_is() { [ -e "$DATA_DIR/settings.json" ] && json_get "$DATA_DIR/settings.json" "float(d['speed']) == $1" | grep True >/dev/null; }
speed() { json_get "$DATA_DIR/settings.json" 'd["speed"]'; }
# panel_shot FILE: the text inside the panel, without the status dot, the progress bar and the
# glow, which move on their own.
panel_shot() { import -window root -crop 320x95+576+20 +repage "$1" 2>/dev/null; }
same_image() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }
different_image() { ! same_image "$1" "$2"; }
press() { xdotool key "$@"; }

# No countdown (the panel moves at once) and a speed near the top of the range; a script with
# one cue well below the top, so there is exactly one "next cue".
mkdir -p "$DATA_DIR"
cat >"$DATA_DIR/settings.json" <<'JSON'
{"colorHex":"FFFFFF","countdown":false,"fontSize":19,"hideFromSharing":true,"micSensitivity":0.5,"mirror":false,"mode":"notch","notchHeight":150,"notchWidth":380,"pauseOnHover":false,"scrollMode":"auto","speed":198}
JSON
python3 - "$DATA_DIR/scripts.json" <<'PY'
import json, sys
body = "\n".join(f"Opening line number {i} of the script." for i in range(1, 30))
tail = "\n".join(f"Closing line {i}." for i in range(1, 6))
text = body + "\n# Last part\n" + tail
json.dump([{"id": "6F1C2A4E-0000-4000-8000-000000000001", "title": "Keys", "text": text}],
          open(sys.argv[1], "w"))
PY

app_start
check "main window appears" app_wait_window 30
xdotool mousemove 20 960 # away from the panel

# Another program has the focus.
xmessage -geometry 300x100+100+600 "another program" >/dev/null 2>&1 &
E2E_PIDS+=($!)
other_window() { xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | first_line; }
check "another program's window appears" e2e_wait 10 "xmessage" other_window
xdotool windowactivate --sync "$(other_window || echo 0)" 2>/dev/null || true
other_has_focus() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(other_window)" ]; }
check "another program has the focus" e2e_wait 5 "focus" other_has_focus
press ctrl+alt+p
check "Ctrl+Alt+P shows the prompter while another program has the focus" e2e_wait 10 "panel" panel_shown
check "at the top centre, 380 x 150" geometry_is "$(panel_id || echo 0)" "566 0 380 150"
press ctrl+alt+p
check "pressed again, it hides it" e2e_wait 10 "panel hidden" panel_gone

press ctrl+alt+equal
check "Ctrl+Alt+= at 198 gives 200" e2e_wait 5 "speed 200" speed_is 200.0
press ctrl+alt+equal
sleep 0.6
check "again at 200 stays at 200" speed_is 200.0
press ctrl+alt+minus
check "Ctrl+Alt+- gives 196" e2e_wait 5 "speed 196" speed_is 196.0
# The keypad's + and - are grabbed too, but the stock X keyboard map turns Ctrl+Alt with them
# into the server's own video-mode switch, which never reaches any client; not checked here.
press ctrl+alt+minus
check "again gives 192" e2e_wait 5 "speed 192" speed_is 192.0

# Lock keys on: the four grabs per key cover them.
press Caps_Lock
press ctrl+alt+p
check "works with CapsLock on" e2e_wait 10 "panel" panel_shown
press Caps_Lock
press Num_Lock
press ctrl+alt+p
check "works with NumLock on" e2e_wait 10 "panel hidden" panel_gone
press Num_Lock

# Held keys: Plus and Minus repeat, P does not.
xdotool keydown ctrl+alt+minus
sleep 1.5
xdotool keyup ctrl+alt+minus
sleep 0.6
held=$(speed)
e2e_log "speed after holding Ctrl+Alt+Minus for 1.5 s: $held"
check "holding Minus keeps slowing down" python3 -c "import sys; sys.exit(0 if float('$held') < 184 else 1)"
xdotool keydown ctrl+alt+p
sleep 1.5
xdotool keyup ctrl+alt+p
sleep 0.5
check "holding P shows the prompter once, not on and off" panel_shown

# Cues: pause, then glide to the one cue below; from there Next has nowhere to go, and
# Previous, with no cue above, goes back to the beginning.
press ctrl+alt+space
sleep 0.5
panel_shot "$E2E_TMP/paused.png"
sleep 0.5
panel_shot "$E2E_TMP/paused-later.png"
check "paused, the text stands still" same_image "$E2E_TMP/paused.png" "$E2E_TMP/paused-later.png"
press ctrl+alt+Next
sleep 1.5
panel_shot "$E2E_TMP/at-cue.png"
check "Ctrl+Alt+PgDn glides to the cue below" different_image "$E2E_TMP/paused.png" "$E2E_TMP/at-cue.png"
press ctrl+alt+Next
sleep 1.5
panel_shot "$E2E_TMP/after-next.png"
check "with no cue below, Ctrl+Alt+PgDn does nothing" same_image "$E2E_TMP/at-cue.png" "$E2E_TMP/after-next.png"
press ctrl+alt+Prior
sleep 1.5
panel_shot "$E2E_TMP/back.png"
check "Ctrl+Alt+PgUp leaves the cue" different_image "$E2E_TMP/at-cue.png" "$E2E_TMP/back.png"
press ctrl+alt+Next
sleep 1.5
press ctrl+alt+r
sleep 1.5
panel_shot "$E2E_TMP/top.png"
check "with no cue above, Ctrl+Alt+PgUp went to the beginning (where Ctrl+Alt+R goes)" same_image "$E2E_TMP/back.png" "$E2E_TMP/top.png"
check "Ctrl+Alt+R keeps the prompter shown" panel_shown

# This instance holds all seven; it says so.
"$QM_BIN" --list-shortcuts >"$E2E_TMP/first.txt" 2>>"$E2E_TMP/app.log"
check "the running instance lists seven active chords" test "$(grep -c ' active$' "$E2E_TMP/first.txt")" -eq 7

# Another data folder is another instance; every chord is taken by the first.
first_pid=$APP_PID
other="$E2E_TMP/other-data"
mkdir -p "$other"
XDG_DATA_HOME="$other" "$QM_BIN" >>"$E2E_TMP/app2.log" 2>&1 &
second_pid=$!
E2E_PIDS+=("$second_pid")
second_window() { xdotool search --all --onlyvisible --pid "$second_pid" --name '^Quillmere$' 2>/dev/null | grep . >/dev/null; }
check "a second instance on another data folder starts" e2e_wait 30 "second window" second_window
XDG_DATA_HOME="$other" "$QM_BIN" --list-shortcuts >"$E2E_TMP/second.txt" 2>>"$E2E_TMP/app.log"
cat "$E2E_TMP/second.txt"
check "the second instance reports all seven chords as in use" test "$(grep -c 'held by another program$' "$E2E_TMP/second.txt")" -eq 7
check "the first instance's prompter is shown" panel_shown
press ctrl+alt+p
check "the key still goes to the first instance" e2e_wait 10 "first panel hidden" panel_gone
sleep 0.5
check "and not to the second" bash -c "! xdotool search --all --onlyvisible --pid $second_pid --name '^Quillmere Prompter' | grep -q ."
kill -TERM "$second_pid"

check "SIGTERM ends the first instance" app_stop TERM
e2e_pass
