#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The seven system-wide hot keys on a real X server: they reach the program through its key
# grabs whatever has the focus, with CapsLock or NumLock on; held keys repeat only the speed
# keys; a chord another client already holds is reported as refused.
source "$QM_E2E_LIB"
e2e_setup "$1"

speed_is() { settings_is "float(d['speed']) == $1" True; }
speed() { json_get "$DATA_DIR/settings.json" 'd["speed"]'; }
# panel_shot FILE: the text inside the panel, without the status dot, the progress bar and the
# glow, which move on their own.
panel_shot() { window_shot "$(panel_id || echo 0)" "$1" 10 20 50 35; }
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
check "another program's window appears" other_start 300x100+100+600
check "another program has the focus" other_focus
press ctrl+alt+p
check "Ctrl+Alt+P shows the prompter while another program has the focus" e2e_wait 30 "panel" panel_shown
check "at the top centre, 380 x 150" geometry_is "$(panel_id || echo 0)" "566 0 380 150"
press ctrl+alt+p
check "pressed again, it hides it" e2e_wait 30 "panel hidden" panel_gone

press ctrl+alt+equal
check "Ctrl+Alt+= at 198 gives 200" e2e_wait 30 "speed 200" speed_is 200.0
press ctrl+alt+equal
# Nothing marks a key that changes nothing: give a change the time to reach the disk (the store
# saves 0.4 s after one). The next step, from 200 down to 196, would catch a step past 200 too.
sleep 0.6
check "again at 200 stays at 200" speed_is 200.0
press ctrl+alt+minus
check "Ctrl+Alt+- gives 196" e2e_wait 30 "speed 196" speed_is 196.0
# The keypad's + and - are grabbed too, but the stock X keyboard map turns Ctrl+Alt with them
# into the server's own video-mode switch, which never reaches any client; not checked here.
press ctrl+alt+minus
check "again gives 192" e2e_wait 30 "speed 192" speed_is 192.0

# Lock keys on: the four grabs per key cover them.
press Caps_Lock
press ctrl+alt+p
check "works with CapsLock on" e2e_wait 30 "panel" panel_shown
press Caps_Lock
press Num_Lock
press ctrl+alt+p
check "works with NumLock on" e2e_wait 30 "panel hidden" panel_gone
press Num_Lock

# Held keys: Plus and Minus repeat, P does not. (Each is held for 1.5 s: the time is part of
# what is checked.)
# after_keys: waits until the program has taken every key sent so far. The keys reach it in
# order on one connection, so once a speed step sent last is on disk, all before it were taken.
after_keys() {
  local before
  before=$(speed)
  press ctrl+alt+equal
  e2e_wait 30 "the keys taken" eval "! speed_is $before"
}
xdotool keydown ctrl+alt+minus
sleep 1.5
xdotool keyup ctrl+alt+minus
e2e_wait 30 "the repeated steps on disk" settings_is "float(d['speed']) < 184" True || true
held=$(speed)
e2e_log "speed after holding Ctrl+Alt+Minus for 1.5 s: $held"
check "holding Minus keeps slowing down" python3 -c "import sys; sys.exit(0 if float('$held') < 184 else 1)"
xdotool keydown ctrl+alt+p
sleep 1.5
xdotool keyup ctrl+alt+p
after_keys
check "holding P shows the prompter once, not on and off" panel_shown

# Cues: pause, then glide to the one cue below; from there Next has nowhere to go, and
# Previous, with no cue above, goes back to the beginning.
press ctrl+alt+space
settled panel_shot "$E2E_TMP/paused-settled.png" || true
panel_shot "$E2E_TMP/paused.png"
sleep 0.5 # the time over which the paused text must not move
panel_shot "$E2E_TMP/paused-later.png"
check "paused, the text stands still" same_image "$E2E_TMP/paused.png" "$E2E_TMP/paused-later.png"
press ctrl+alt+Next
settled panel_shot "$E2E_TMP/at-cue.png" "$E2E_TMP/paused.png" || true
check "Ctrl+Alt+PgDn glides to the cue below" different_image "$E2E_TMP/paused.png" "$E2E_TMP/at-cue.png"
press ctrl+alt+Next
# A key that moves nothing leaves no mark: wait until it was taken (a speed step sent after it
# is on disk, which the store writes 0.4 s after the step), by when a glide would show.
after_keys
panel_shot "$E2E_TMP/after-next.png"
check "with no cue below, Ctrl+Alt+PgDn does nothing" same_image "$E2E_TMP/at-cue.png" "$E2E_TMP/after-next.png"
press ctrl+alt+Prior
settled panel_shot "$E2E_TMP/back.png" "$E2E_TMP/at-cue.png" || true
check "Ctrl+Alt+PgUp leaves the cue" different_image "$E2E_TMP/at-cue.png" "$E2E_TMP/back.png"
press ctrl+alt+Next
settled panel_shot "$E2E_TMP/at-cue-again.png" "$E2E_TMP/back.png" || true
press ctrl+alt+r
settled_as panel_shot "$E2E_TMP/top.png" "$E2E_TMP/back.png" || true
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
check "a second instance on another data folder starts" e2e_wait 30 "second window" main_shown "$second_pid"
XDG_DATA_HOME="$other" "$QM_BIN" --list-shortcuts >"$E2E_TMP/second.txt" 2>>"$E2E_TMP/app.log"
cat "$E2E_TMP/second.txt"
check "the second instance reports all seven chords as in use" test "$(grep -c 'held by another program$' "$E2E_TMP/second.txt")" -eq 7
check "the first instance's prompter is shown" panel_shown
press ctrl+alt+p
check "the key still goes to the first instance" e2e_wait 30 "first panel hidden" panel_gone
# Nothing marks a key that does nothing: give the second instance the time to show a panel.
sleep 0.5
check "and not to the second" panel_gone "$second_pid"
kill -TERM "$second_pid"

check "SIGTERM ends the first instance" app_stop TERM
e2e_pass
