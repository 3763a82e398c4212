# SPDX-License-Identifier: GPL-3.0-or-later
# Prompter checks shared by the GNOME and KDE desktops, sourced after lib.sh. The caller sets
#   PTR      its pointer script (pointer.sh X Y)
#   SHOOT    its screenshot script (shot.sh FILE)
#   NAME     the desktop's name for messages and screenshots
# and defines other_front (raises a native Wayland window of another program) and other_point
# (prints "X Y", a point on it), then calls prompter_checks. The program is an X11 client on both; its windows are read
# through the session's X server.

xq() { ( . "$DESKTOP_DIR/app.env"; "$@" ); }
pc() { "$H/common/run.sh" playerctl -p quillmere "$@" 2>/dev/null; }
# x_window NAME: the visible window with exactly this name.
x_window() { xq xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
# x_geometry ID: "x y w h" of the window's client area.
x_geometry() {
  xq xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
panel_up() { x_window 'Quillmere Prompter'; }
panel_down() { ! panel_up; }
# contains "X Y W H" PX PY
contains() {
  local x y w h; read -r x y w h <<< "$1"
  [ "$2" -ge "$x" ] && [ "$2" -lt $((x + w)) ] && [ "$3" -ge "$y" ] && [ "$3" -lt $((y + h)) ]
}
above() { python3 -c "import sys; sys.exit(0 if float('$1') > float('$2') + 0.01 else 1)"; }
near() { python3 -c "import sys; sys.exit(0 if abs(float('$1') - float('$2')) < 0.001 else 1)"; }
position_above() { above "$(pc position || echo 0)" "$1"; }
# The position has stopped: two readings 0.3 s apart agree. Prints it.
position_still() {
  local a b
  a=$(pc position) || return 1
  sleep 0.3 # the time over which held text must not move
  b=$(pc position) || return 1
  near "$a" "$b" && echo "$b"
}
status_is() { [ "$(pc status)" = "$1" ]; }
at_end() {
  local length; length=$(pc metadata mpris:length) || return 1
  [ "${length:-0}" -gt 0 ] && status_is Paused \
    && near "$(pc position)" "$(python3 -c "print(int('$length') / 1e6)")"
}
# qm_script INSTANCE LINES: the instance's one script, LINES short lines.
qm_script() {
  mkdir -p "$DESKTOP_DIR/apps/$1/data/Quillmere"
  python3 - "$DESKTOP_DIR/apps/$1/data/Quillmere/scripts.json" "$2" <<'PY'
import json, sys
text = "\n".join(f"Line {i} of a script." for i in range(1, int(sys.argv[2]) + 1))
json.dump([{"id": "6F1C2A4E-0000-4000-8000-000000000027", "title": "Short", "text": text}],
          open(sys.argv[1], "w"))
PY
}
qm_stop() { kill "$QM_PID" 2>/dev/null; wait_for 30 bash -c "! kill -0 $QM_PID"; }
# Moves the pointer to X Y in steps from 40 px away, so the toolkit sees motion there.
glide() { local d; for d in 40 20 0; do "$PTR" $(($1 - d)) $(($2 - d)) >/dev/null; done; }

prompter_checks() {
  local t0 geom px py held mx my mw mh
  # 1. A new floating panel opens clear of the pointer resting on the main window's middle,
  # where its usual place is.
  t0=$SECONDS
  qm_settings clear '{"mode":"floating","countdown":false}'
  qm_start clear
  wait_for 90 x_window Quillmere || fail "$NAME: main window did not show"
  read -r mx my mw mh < <(x_geometry "$(x_window Quillmere)")
  # Inside the usual place (the top centre, 60 px below the top bar) and on the main window,
  # so that the program's X server has seen the pointer there.
  px=756 py=200
  contains "$mx $my $mw $mh" "$px" "$py" || log "$NAME: note: $px,$py is off the main window"
  glide "$px" "$py"
  qm_run clear --toggle
  wait_for 30 panel_up || fail "$NAME: the floating panel did not show"
  geom=$(x_geometry "$(panel_up)")
  log "$NAME: pointer at $px,$py; main window $mx,$my ${mw}x$mh; panel at $geom"
  contains "$geom" "$px" "$py" && fail "$NAME: the new floating panel opened under the pointer"
  shot "$SHOOT" "$SHOTS/$NAME-floating-clear.png"
  qm_stop
  log "$NAME: floating panel clear of the pointer: $((SECONDS - t0)) s"

  # 2. A script that fits on the screen plays to its end in display mode.
  t0=$SECONDS
  qm_settings short '{"mode":"display","countdown":false,"speed":100}'
  qm_script short 2
  qm_start short --start
  wait_for 60 x_window 'Quillmere Prompter Display' || fail "$NAME: the display output did not show"
  wait_for 90 at_end || fail "$NAME: the short script did not play to its end in display mode"
  log "$NAME: display mode ended at $(pc position) s of $(pc metadata mpris:length) µs"
  shot "$SHOOT" "$SHOTS/$NAME-display-short.png"
  qm_stop
  log "$NAME: short script in display mode: $((SECONDS - t0)) s"

  # 3. Hover held by the pointer on the panel does not outlive it: the pointer moves on to
  # another program's Wayland window, the prompter is hidden and shown, the text moves. The
  # panel has a saved place (qt 476,200 560x240), so it comes back where the program's X server
  # last saw the pointer.
  t0=$SECONDS
  qm_settings hover '{"mode":"floating","countdown":false,"speed":36,"pauseOnHover":true,"floatingFrame":[476,542,560,240]}'
  qm_script hover 80
  other_front
  "$PTR" $(other_point) >/dev/null
  qm_start hover --start
  wait_for 60 panel_up || fail "$NAME: the floating panel did not show"
  wait_for 30 position_above 0.3 || fail "$NAME: the text did not start moving"
  read -r px py _ _ < <(x_geometry "$(panel_up)")
  glide $((px + 100)) $((py + 100))
  held=$(wait_for 20 position_still && position_still) || held=
  [ -n "$held" ] || fail "$NAME: the pointer on the panel did not hold the text"
  other_front
  local other; other=$(other_point)
  "$PTR" $other >/dev/null
  contains "$(x_geometry "$(panel_up)")" $other && log "$NAME: note: $other is under the panel"
  qm_run hover --toggle
  wait_for 30 panel_down || fail "$NAME: --toggle did not hide the panel"
  qm_run hover --toggle
  wait_for 30 panel_up || fail "$NAME: --toggle did not show the panel again"
  wait_for 20 position_above "${held:-0}" \
    || fail "$NAME: shown again with the pointer elsewhere, the text stays held"
  log "$NAME: held at ${held:-?} s, moving again at $(pc position) s"
  shot "$SHOOT" "$SHOTS/$NAME-hover-released.png"
  qm_stop
  log "$NAME: hover after hide and show: $((SECONDS - t0)) s"
}
