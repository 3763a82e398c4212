#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One whole session as a user has it, on a real X server: type a script with three cues into a
# fresh data folder, open the prompter with the hot key from another program, hover, wheel, jump
# and speed it up, switch to the floating panel while it is shown and move it, quit from the
# tray, and find it all again on the next start; then let a microphone drive it in voice mode.
source "$QM_E2E_LIB"
e2e_setup "$1"
e2e_trace
for tool in trayer xmessage pulseaudio pactl espeak-ng sox; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps)"; exit 1; }
done

# script_text_is TEXT: the first script's text is exactly TEXT (trailing newlines included).
script_text_is() {
  [ -e "$DATA_DIR/scripts.json" ] && python3 -c 'import json, sys
sys.exit(json.load(open(sys.argv[1], encoding="utf-8"))[0]["text"] != sys.argv[2])' "$DATA_DIR/scripts.json" "$1" 2>/dev/null
}
main_id() { main_window_id "$APP_PID"; }
away() { xdotool mousemove 20 960; }

# reading_shot FILE: the upper part of the reading area of the panel that is shown. Left out:
# the bottom 70 px (the hover controls and the glow, which animates on every frame) and the
# top-right corner with the status dot.
reading_shot() { window_shot "$(panel_id || echo 0)" "$1" 10 0 50 70; }
# still NAME [SECONDS]: two shots SECONDS (half a second) apart are equal. moving: they differ.
two_shots() {
  reading_shot "$E2E_TMP/$1-a.png"
  sleep "${2:-0.5}" # the time over which the text must stand still, or move
  reading_shot "$E2E_TMP/$1-b.png"
}
still() { two_shots "$@" && same_image "$E2E_TMP/$1-a.png" "$E2E_TMP/$1-b.png"; }
moving() { two_shots "$@" && different_image "$E2E_TMP/$1-a.png" "$E2E_TMP/$1-b.png"; }
# at_rest NAME: waits until the text has come to rest (it eases to a stop). Ten seconds at most:
# text that never stops has not reached the end of the script by then.
at_rest() { E2E_SETTLE_SECONDS=10 settled reading_shot "$E2E_TMP/$1-rest.png" || true; }
# countdown_over N: the Nth show's 3-2-1 countdown has ended and a frame without it is drawn.
countdown_over() { trace_after countdown-done "$1" frame; }

# click_in_main DX DY: a click at a point of the main window (window_at), after which the main
# window has the focus.
click_in_main() {
  local w
  w=$(main_id) || w=0
  click_at $(window_at "$w" "$1" "$2")
  e2e_wait 30 "main window active" window_active "$w" || true
}
# Where the settings column's segments sit, from the main window's right edge (the column is
# the right 272 px; measured from a screenshot with the settings column scrolled to the top;
# Floating and Voice are each the middle of three segments). "Voice" moves up once the notch
# sliders are gone in floating mode.
FLOATING_SEGMENT=(-136 102)
VOICE_SEGMENT_FLOATING=(-136 418)

# --- a private sound server whose default source is a pipe (for voice mode at the end); the
# program finds it through XDG_RUNTIME_DIR like a session's own server.
mkdir -p "$E2E_TMP/home"
printf 'autospawn = no\n' >"$E2E_TMP/client.conf"
export PULSE_CLIENTCONFIG=$E2E_TMP/client.conf
unset PULSE_SERVER PULSE_SINK PULSE_SOURCE PULSE_COOKIE
fifo=$E2E_TMP/mic.fifo
HOME=$E2E_TMP/home pulseaudio -n --daemonize=no --system=no --disallow-exit --exit-idle-time=-1 \
  --log-target=stderr \
  --load="module-native-protocol-unix" \
  --load="module-pipe-source source_name=mic file=$fifo format=float32le rate=48000 channels=1" \
  >"$E2E_TMP/pulse.log" 2>&1 &
E2E_PIDS+=($!)
pulse_up() { pactl info >/dev/null 2>&1 && [ -p "$fifo" ]; }
check "the private sound server starts" e2e_wait 30 "sound server" pulse_up
pactl set-default-source mic || true

# --- a tray host.
tray_start

# --- 1. a fresh data folder: nothing on disk until the first edit.
app_start
check "main window appears" e2e_wait 30 "main window" main_shown "$APP_PID"
# Nothing marks a file that is not written: give a wrong save (0.4 s after a change) the time.
sleep 1
check "no files before the first edit" test ! -e "$DATA_DIR/scripts.json" -a ! -e "$DATA_DIR/settings.json"

# --- 2. type a script over the welcome text, line by line (xdotool sends its newline as a key
# that no editor takes for Return).
lines=(
  "# Opening"
  "Good evening and welcome to the harbour. Tonight we talk about the boats that come in early, the nets they carry and the people who mend them on the quay before the sun is up."
  "The first boat is back at five and the market opens at six, so there is not much time for a long story."
  "# Weather"
  "The wind turns to the west in the afternoon and the sea gets rough near the point, which keeps the small boats inside the wall until the evening tide."
  "Rain comes in from the hills at night and stays until the morning, and then the sky clears for a bright and cold day."
  "# Closing"
  "That is all for tonight. Thank you for watching, and we will be back tomorrow at the same time with more news from the coast and the market."
  "Good night, and here is the long tail that the prompter can still scroll through at the end."
  "Tomorrow we meet the harbour master, who has kept the log of every boat for thirty years, and we ask her what has changed on the water and what has stayed the same since she started."
  "After that we visit the bakery by the station, where the bread comes out of the oven at four and the fishermen stop on their way to the boats."
)
expected=$(printf '%s\n' "${lines[@]}")$'\n'
# Make sure the editor has the keyboard (a marker reaches the disk) before the script replaces
# everything.
editor_takes_keys "zqmarker" || true
click_at $(editor_point "$(main_id || echo 0)")
xdotool key ctrl+a
for line in "${lines[@]}"; do
  xdotool type --delay 6 "$line"
  xdotool key Return
done
check "the typed script is saved to scripts.json once the typing stops" \
  e2e_wait 30 "typed text on disk" script_text_is "$expected"
check "settings.json is written with it (defaults: speed 36)" settings_is 'd["speed"]' 36

# --- 3. the hot key while another program has the focus.
check "another program's window appears" other_start 300x100+100+880
check "another program has the focus" other_focus
away
xdotool key ctrl+alt+p
check "Ctrl+Alt+P shows the prompter" e2e_wait 30 "panel" panel_shown
check "a notch panel at the top centre, 380 x 150" geometry_is "$(panel_id || echo 0)" "566 0 380 150"
check "the other program keeps the focus" other_has_focus
# The 3-2-1 countdown comes first.
e2e_wait 30 "the countdown over" countdown_over 1 || true
check "it plays: the text moves" moving play 0.5

# --- 4. hover stops it, leaving starts it again.
hover() { xdotool mousemove $(window_point "$(panel_id || echo 0)" 50 40); }
hover
at_rest hover
check "hovered, the text stands still" still hover 0.5
away
check "left, it moves again" e2e_wait 30 "moving" moving left 0.5

# --- 5. the wheel over the panel (hovered, so only the wheel moves it).
hover
at_rest wheel
reading_shot "$E2E_TMP/wheel-before.png"
xdotool click --repeat 4 --delay 50 5
settled reading_shot "$E2E_TMP/wheel-after.png" "$E2E_TMP/wheel-before.png" || true
check "the wheel scrolls the text" different_image "$E2E_TMP/wheel-before.png" "$E2E_TMP/wheel-after.png"
away

# --- 6. next cue, paused so that only the jump moves it.
xdotool key ctrl+alt+space
at_rest paused
check "Ctrl+Alt+Space pauses" still paused 0.5
xdotool key ctrl+alt+Next
settled reading_shot "$E2E_TMP/cue.png" "$E2E_TMP/paused-b.png" || true
check "Ctrl+Alt+PgDn glides to the next cue" different_image "$E2E_TMP/paused-b.png" "$E2E_TMP/cue.png"
check "and stays there" still at-cue 0.5
xdotool key ctrl+alt+space
check "Ctrl+Alt+Space plays again" e2e_wait 30 "moving" moving resumed 0.5

# --- 7. speed.
xdotool key ctrl+alt+equal
check "Ctrl+Alt+Plus: speed 36 to 40 in settings.json" e2e_wait 30 "speed 40" settings_is 'd["speed"]' 40

# --- 8. floating mode while it is shown, then move the panel.
click_in_main "${FLOATING_SEGMENT[@]}"
check "the Floating segment sets the mode" e2e_wait 30 "mode floating" settings_is 'd["mode"]' floating
floating_at() { panel_shown && geometry_is "$(panel_id)" "$1"; }
floating_sized() { panel_shown && [ "$(window_geometry "$(panel_id)" | cut -d' ' -f3-)" = "560 240" ]; }
check "the panel is rebuilt floating, 560 x 240" e2e_wait 30 "floating panel" floating_sized
# It opens clear of the pointer, still on the segment just clicked.
pointer_outside() {
  local x y w h X Y
  read -r x y w h <<<"$(window_geometry "$1")"
  eval "$(xdotool getmouselocation --shell)"
  [ "$X" -lt "$x" ] || [ "$X" -ge $((x + w)) ] || [ "$Y" -lt "$y" ] || [ "$Y" -ge $((y + h)) ]
}
check "the new panel keeps clear of the pointer" pointer_outside "$(panel_id || echo 0)"
import -window root "$E2E_TMP/floating.png" 2>/dev/null || true
read -r fx fy _ _ <<<"$(window_geometry "$(panel_id || echo 0)")"
# Moved towards the middle of the screen from wherever it opened.
dx=$([ "${fx:-0}" -gt 700 ] && echo -100 || echo 100)
dy=$([ "${fy:-0}" -gt 500 ] && echo -50 || echo 50)
moved_at="$((fx + dx)) $((fy + dy)) 560 240"
# Stored with the origin at the bottom-left: y = 982 - top - 240.
moved_frame="[$((fx + dx)), $((982 - fy - dy - 240)), 560, 240]"
drag $(window_at "$(panel_id || echo 0)" 84 80) "$dx" "$dy"
check "dragging its background moves it" e2e_wait 30 "moved" floating_at "$moved_at"
check "the new frame is stored" e2e_wait 30 "stored frame" settings_is 'd.get("floatingFrame")' "$moved_frame"
away

# --- 9. quit from the tray menu.
check "the icon is docked in the tray" e2e_wait 30 "tray icon" tray_docked
tray_menu
check "a right-click opens the tray menu" e2e_wait 30 "menu" menu_open
# "Quit Quillmere" is the last item.
xdotool key Up Return
check "Quit Quillmere ends the program" e2e_wait 30 "exit" bash -c "! kill -0 $APP_PID 2>/dev/null"
check "scripts.json holds the typed script" script_text_is "$expected"
check "settings.json holds speed 40" settings_is 'd["speed"]' 40
check "settings.json holds floating mode" settings_is 'd["mode"]' floating
check "settings.json holds the moved frame" settings_is 'd.get("floatingFrame")' "$moved_frame"
cp "$DATA_DIR/scripts.json" "$E2E_TMP/scripts-at-quit.json"
cp "$DATA_DIR/settings.json" "$E2E_TMP/settings-at-quit.json"

# --- 10. start again: everything as it was left.
app_start
check "main window appears again" e2e_wait 30 "main window" main_shown "$APP_PID"
# Nothing marks a file that is not written: give a wrong save (0.4 s after a change) the time.
sleep 1
check "starting leaves scripts.json as it was" cmp -s "$DATA_DIR/scripts.json" "$E2E_TMP/scripts-at-quit.json"
check "starting leaves settings.json as it was" cmp -s "$DATA_DIR/settings.json" "$E2E_TMP/settings-at-quit.json"
# The editor holds the script: a word added at its end lands after the typed text.
click_at $(editor_point "$(main_id || echo 0)")
e2e_wait 30 "main window active" window_active "$(main_id || echo 0)" || true
xdotool key ctrl+End
xdotool type --delay 6 "Bye."
check "the editor shows the script typed before" e2e_wait 30 "edited text on disk" script_text_is "${expected}Bye."
away
xdotool key ctrl+alt+p
check "the prompter opens as a floating panel where it was left" \
  e2e_wait 30 "floating panel" floating_at "$moved_at"
# The speed came back as 40: one step down gives 36.
xdotool key ctrl+alt+minus
check "the speed was 40 (Ctrl+Alt+Minus gives 36)" e2e_wait 30 "speed 36" settings_is 'd["speed"]' 36
xdotool key ctrl+alt+p
check "Ctrl+Alt+P hides it" e2e_wait 30 "hidden" panel_gone

# --- 11. voice mode: the text moves only while someone speaks into the microphone.
# The feed: silence at real time; each time $E2E_TMP/speak appears, one sentence without pauses
# (about six seconds), after which the feeder removes it and creates $E2E_TMP/spoken.
espeak-ng -s 150 -w "$E2E_TMP/speech.wav" \
  "good evening and welcome to the show tonight we talk about the weather and the news from the coast"
sox "$E2E_TMP/speech.wav" -r 48000 -c 1 -e floating-point -b 32 -t raw "$E2E_TMP/speech.raw" norm -3
python3 - "$E2E_TMP/speech.raw" "$fifo" "$E2E_TMP/speak" "$E2E_TMP/spoken" <<'PY' &
import os, sys, time
speech = open(sys.argv[1], 'rb').read()
fd = os.open(sys.argv[2], os.O_WRONLY)
block = 1024 * 4
silence = bytes(block)
start = time.monotonic()
written = 0
at = None
while True:
    delay = start + written / 4 / 48000.0 - time.monotonic()
    if delay > 0:
        time.sleep(delay)
    if at is None and os.path.exists(sys.argv[3]):
        at = 0
    if at is not None:
        chunk = speech[at:at + block].ljust(block, b'\0')
        at += block
        if at >= len(speech):
            at = None
            os.remove(sys.argv[3])
            open(sys.argv[4], 'w').close()
    else:
        chunk = silence
    os.write(fd, chunk)
    written += block
PY
E2E_PIDS+=($!)

click_in_main "${VOICE_SEGMENT_FLOATING[@]}"
check "the Voice segment sets voice scrolling" e2e_wait 30 "scroll mode voice" settings_is 'd["scrollMode"]' voice
away
xdotool key ctrl+alt+p
check "the prompter is shown" e2e_wait 30 "floating panel" floating_at "$moved_at"
# Past the countdown (this is the second show), in silence.
e2e_wait 30 "the countdown over" countdown_over 2 || true
# The countdown's last digit fades out after it is over; text that keeps moving in silence still
# fails below, since at_rest gives up after ten seconds.
at_rest silence
check "in silence the text waits" still silence 1.0
# speak ROUND: plays the sentence once; the text moves while it plays and waits after it. The
# program marks in its trace when it hears speaking start and stop.
speak() {
  local heard stopped
  heard=$(trace_count speaking)
  stopped=$(trace_count quiet)
  rm -f "$E2E_TMP/spoken"
  touch "$E2E_TMP/speak"
  e2e_wait 30 "speaking heard" trace_reaches speaking $((heard + 1)) || true
  check "$1: while speech plays the text moves" moving "speech$1" 1.0
  check "$1: (the speech was still playing)" test ! -e "$E2E_TMP/spoken"
  e2e_wait 30 "end of the speech" test -e "$E2E_TMP/spoken" || true
  # Speaking is held for half a second after the last loud block; then the text eases to a stop.
  e2e_wait 30 "quiet heard" trace_reaches quiet $((stopped + 1)) || true
  at_rest "after$1"
  check "$1: after the speech the text waits again" still "after$1" 1.0
}
speak first
# A second sentence moves it again: the text did not just stop at the end of the script.
speak second

check "SIGTERM ends the program" app_stop TERM
e2e_pass
