#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Remotes on a private session bus and a real X server. The media player that media keys,
# headsets, phones and playerctl talk to: absent while the prompter is hidden, listed while it
# is shown, its status, cues, position and title right, gone again on hide, never there with the
# setting off. The presenter clicker: Page Down and Page Up reach the prompter from another
# focused program only while the setting is on and the prompter is shown.
if [ -z "${QM_E2E_OWN_BUS:-}" ]; then
  QM_E2E_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
source "$QM_E2E_LIB"
e2e_setup "$1"

pc() { playerctl -p quillmere "$@" 2>/dev/null; }
listed() { playerctl -l 2>/dev/null | grep -qx 'quillmere'; }
not_listed() { ! listed; }
status_is() { [ "$(pc status)" = "$1" ]; }
position() { pc position; }
# near A B: the two numbers agree to a millisecond.
near() { python3 -c "import sys; sys.exit(0 if abs(float('$1') - float('$2')) < 0.001 else 1)"; }
above() { python3 -c "import sys; sys.exit(0 if float('$1') > float('$2') + 0.01 else 1)"; }
can_go_next() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quillmere /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player string:CanGoNext | awk '/boolean/{print $3}'; }
position_is() { near "$(position)" "$1"; }
# The position once the text has come to rest (a glide takes about half a second). With FROM,
# first waits for the text to leave that position: a glide may start a refresh or two after the
# key, and a loaded machine stretches that.
rest_position() {
  local from=${1:-} a b i
  b=$(position) || return 1
  if [ -n "$from" ]; then
    for i in $(seq 1 100); do
      near "$b" "$from" || break
      sleep 0.05
      b=$(position) || return 1
    done
  fi
  for i in $(seq 1 100); do
    sleep 0.15
    a=$b
    b=$(position) || return 1
    if [ "$a" = "$b" ]; then echo "$b"; return 0; fi
  done
  return 1
}

# Paused right away, no countdown, default speed 36 points a second; one cue far below the top.
mkdir -p "$DATA_DIR"
cat >"$DATA_DIR/settings.json" <<'JSON'
{"countdown":false,"pauseOnHover":false,"presenterClicker":true}
JSON
python3 - "$DATA_DIR/scripts.json" <<'PY'
import json, sys
body = "\n".join(f"Opening line number {i} of the talk." for i in range(1, 40))
tail = "\n".join(f"Closing line number {i} of the talk." for i in range(1, 40))
text = body + "\n# Last part\n" + tail
json.dump([{"id": "6F1C2A4E-0000-4000-8000-000000000017", "title": "Remote talk", "text": text}],
          open(sys.argv[1], "w"))
PY

# A window of another program that has the focus and logs the keys it gets.
stdbuf -oL xev -name keysink -geometry 300x200+100+600 >"$E2E_TMP/keys.log" 2>/dev/null &
E2E_PIDS+=($!)
sink_window() { xdotool search --onlyvisible --name '^keysink$' 2>/dev/null | first_line; }
check "another program's window appears" e2e_wait 30 "key sink" sink_window
focus_sink() {
  xdotool windowactivate --sync "$(sink_window || echo 0)" 2>/dev/null || true
  e2e_wait 30 "focus" sink_focused
}
sink_focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(sink_window)" ]; }
# Presses (not releases) of a key the sink has had.
sink_count() { awk -v key="$1" '/^KeyPress/ { press = 1 } /^KeyRelease/ { press = 0 } press && index($0, ", " key ")") { n++ } END { print n + 0 }' "$E2E_TMP/keys.log"; }
sink_got() { [ "$(sink_count "$1")" -ge "$2" ]; }

app_start
check "main window appears" app_wait_window 30
xdotool mousemove 20 960

# Hidden: no player, and the page keys belong to the focused program.
check "the prompter is hidden at start" panel_gone
# Nothing marks a player that never comes: give a wrong one the time to appear.
sleep 0.5
check "no player while the prompter is hidden" not_listed
check "the other program has the focus" focus_sink
xdotool key Next
check "with the prompter hidden, Page Down reaches the focused program" e2e_wait 30 "Next in the sink" sink_got Next 1

# Shown: listed, playing; play-pause follows.
"$QM_BIN" --toggle
check "the prompter shows" e2e_wait 30 "panel" panel_shown
check "shown, the player is listed" e2e_wait 30 "player listed" listed
check "status Playing while it plays" e2e_wait 30 "Playing" status_is Playing
playerctl -p quillmere play-pause
check "play-pause pauses" e2e_wait 30 "Paused" status_is Paused
playerctl -p quillmere play-pause
check "play-pause plays again" e2e_wait 30 "Playing" status_is Playing
playerctl -p quillmere pause
check "pause pauses" e2e_wait 30 "Paused" status_is Paused
playerctl -p quillmere pause
# Nothing marks a status that stays: give a wrong change the time to happen.
sleep 0.3
check "pause again keeps it paused" status_is Paused

# Identity and track.
check "the title is the script's" test "$(pc metadata xesam:title)" = "Remote talk"
# playerctl quotes object paths.
check "the track id comes from the script's id" test "$(pc metadata mpris:trackid)" = "'/org/quillmere/Quillmere/script/s6f1c2a4e_0000_4000_8000_000000000017'"
length=$(pc metadata mpris:length || echo 0)
e2e_log "length: $length µs"
check "the length is the reading time at the current speed (over 10 s here)" test "${length:-0}" -gt 10000000

# Position: reading time to the offset at the default speed; set and seek move the text.
pc position 4
check "position set to 4 s reads 4 s" e2e_wait 30 "position 4" position_is 4.000000
pc position 1.5-
check "seeking back 1.5 s reads 2.5 s" e2e_wait 30 "position 2.5" position_is 2.500000
sleep 0.5 # the time over which the paused position must not move
check "paused, the position stays" position_is 2.500000

# The rate: positions count at the default speed, so a speed change moves neither the position
# nor the length, and remotes hear Seeked to count on from.
stdbuf -oL dbus-monitor --session "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'" >"$E2E_TMP/seeked.log" 2>/dev/null &
E2E_PIDS+=($!)
monitor_ready() { grep -q 'NameAcquired\|NameLost' "$E2E_TMP/seeked.log"; }
check "the signal monitor listens" e2e_wait 30 "dbus-monitor" monitor_ready
seeked_count() { grep -c 'member=Seeked' "$E2E_TMP/seeked.log" || true; }
seeked_more() { [ "$(seeked_count)" -gt "$1" ]; }
player_prop() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quillmere /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1" | awk '/double/{print $3}'; }
set_rate() { dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.quillmere /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player string:Rate "variant:double:$1" >/dev/null; }
rate_is() { near "$(player_prop Rate)" "$1"; }
seeks=$(seeked_count)
set_rate 2
check "Rate 2 doubles the speed" e2e_wait 30 "rate 2" rate_is 2
check "a speed change sends Seeked" e2e_wait 30 "Seeked" seeked_more "$seeks"
check "at twice the speed, the position stays" position_is 2.500000
check "and so does the length" test "$(pc metadata mpris:length || echo 0)" = "$length"
set_rate 1
check "Rate 1 is the default speed again" e2e_wait 30 "rate 1" rate_is 1
check "back at the default speed, the position stays" position_is 2.500000

# Cues: Next glides to the one cue, then there is none ahead; Previous goes back.
pc position 0
check "back at the top" e2e_wait 30 "position 0" position_is 0.000000
check "a cue lies ahead" test "$(can_go_next)" = "true"
pc next
cue=$(rest_position 0 || echo 0)
e2e_log "next cue at $cue s"
check "next moves the text to the cue" above "$cue" 1
check "at the last cue, none lies ahead" test "$(can_go_next)" = "false"
pc previous
check "previous goes back to the top" e2e_wait 30 "position 0" position_is 0.000000

# The clicker, with another program focused: Page Down glides to the cue (where Next went),
# then, with no cue below, one reading area on; Page Up comes back.
check "the other program has the focus" focus_sink
before=$(sink_count Next)
xdotool key Next
clicked=$(rest_position 0 || echo 0)
check "Page Down glides to the next cue" near "$clicked" "$cue"
check "and does not reach the focused program" test "$(sink_count Next)" = "$before"
xdotool key Next
area=$(rest_position "$clicked" || echo 0)
e2e_log "one reading area on: $area s"
check "with no cue below, Page Down goes one reading area on" above "$area" "$cue"
xdotool key Prior
back=$(rest_position "$area" || echo 0)
check "Page Up goes back to the cue" near "$back" "$cue"
check "the page keys never reached the focused program" test "$(sink_count Next)" = "$before"

# Stop hides the prompter; the player and the page keys go with it.
pc stop
check "stop hides the prompter" e2e_wait 30 "panel hidden" panel_gone
check "hidden, the player is gone" e2e_wait 30 "player gone" not_listed
check "the other program has the focus" focus_sink
xdotool key Next
check "hidden again, Page Down reaches the focused program" e2e_wait 30 "Next in the sink" sink_got Next $((before + 1))

# Both settings off: shown, no player appears and the page keys stay with the focused program.
check "the program ends" app_stop TERM
settings_merge '{"mediaRemote": false, "presenterClicker": false}'
app_start --start
check "main window appears" app_wait_window 30
check "the prompter shows" e2e_wait 30 "panel" panel_shown
check "the other program has the focus" focus_sink
xdotool key Next
check "with the clicker off, Page Down reaches the focused program" e2e_wait 30 "Next in the sink" sink_got Next $((before + 2))
# Nothing marks a player that never comes: give a wrong one the time to appear.
sleep 1
check "with the setting off, no player appears" not_listed
check "SIGTERM ends the program" app_stop TERM
e2e_pass
