#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# GNOME Shell on Wayland: the keys set up through the shortcut sheet's button drive the
# prompter while a native Wayland window has the focus; the floating panel never takes the
# focus; closing the main window with the prompter hidden ends the program, saved; and the
# prompter checks of prompter_checks.sh.
. "$(dirname "$0")/lib.sh"
G=$H/common/gnome-shell

"$H/gnome-wayland/up.sh" > "$DESKTOP_DIR/up.log" 2>&1 || { fail "GNOME Shell did not come up"; exit 1; }
# Custom shortcuts are run by the settings daemon's media-keys part, which a real session starts.
setsid "$H/common/run.sh" /usr/libexec/gsd-media-keys > "$DESKTOP_DIR/logs/gsd-media-keys.log" 2>&1 < /dev/null &
setsid "$H/common/run.sh" foot -T FOOT-TEST > "$DESKTOP_DIR/logs/foot.log" 2>&1 < /dev/null &

wins() { "$G/wins.sh"; }
has() { wins | grep -q -- "$1"; }
focused() { wins | grep -q "focus=$1\""; }
# The pointer goes there first: a press that arrives with the pointer can miss the window.
press() {
  "$G/pointer.sh" "$1" "$2" >/dev/null
  wait_for 2 false
  "$G/pointer.sh" "$1" "$2" down >/dev/null; "$G/pointer.sh" "$1" "$2" up >/dev/null
}
sheet_open() { wins | grep -Eq 'Quillmere\|X11\|[-0-9]+,[-0-9]+,300,'; }
sheet_closed() { ! sheet_open; }
# Opens (or closes) the sheet, pressing again if the press went nowhere.
set_sheet() {
  local want=$1 i
  for i in 1 2 3; do
    if [ "$want" = open ]; then sheet_open && return 0; else sheet_open || return 0; fi
    press $((cx + 831)) $((cy + 717))
    if [ "$want" = open ]; then wait_for 8 sheet_open && return 0
    else wait_for 8 sheet_closed && return 0; fi
  done
  return 1
}

qm_start one
wait_for 90 has '^.*Quillmere|X11' || { fail "main window did not show"; exit 1; }
wait_for 30 has 'FOOT-TEST|wl' || fail "foot did not start"
wait_for 30 shortcuts_all one "active only while an X11 window has the focus" \
  || fail "before setup the chords should reach X11 windows only"

# The sheet's button, at its place in the main window (1180 × 740 client at the frame's bottom).
read -r fx fy fw fh < <(wins | grep -o 'Quillmere|X11|[-0-9,]*' | head -1 | cut -d'|' -f3 | tr ',' ' ')
cx=$((fx + fw - 1180)) cy=$((fy + fh - 740))
set_sheet open || fail "shortcut sheet did not open"
press $((cx + 831)) $((cy + 625))
wait_for 30 shortcuts_all one "set up in the desktop's shortcuts" || fail "GNOME shortcuts not set up"
shot "$G/shot.sh" "$SHOTS/gnome-wayland-sheet.png"
set_sheet closed

"$G/focus.sh" FOOT-TEST >/dev/null
wait_for 20 focused FOOT-TEST || fail "foot did not take the focus"
"$G/keys.sh" Control_L+Alt_L+p >/dev/null
wait_for 30 has 'Quillmere Prompter' || fail "Ctrl+Alt+P from a Wayland window did not show the prompter"
focused FOOT-TEST || fail "showing the prompter took the focus"
shot "$G/shot.sh" "$SHOTS/gnome-wayland-notch.png"
"$G/keys.sh" Control_L+Alt_L+p >/dev/null
wait_for 30 bash -c "! $G/wins.sh | grep -q 'Quillmere Prompter'" || fail "second Ctrl+Alt+P did not hide it"

# Removable again from the same button.
set_sheet open || fail "shortcut sheet did not open again"
press $((cx + 831)) $((cy + 625))
wait_for 30 shortcuts_all one "active only while an X11 window has the focus" || fail "GNOME shortcuts not removed"
set_sheet closed

# No tray on GNOME: closing the main window with the prompter hidden ends the program, saved.
"$G/eval.sh" 'global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() == "Quillmere").forEach(w => w.delete(global.get_current_time())); "ok"' >/dev/null
wait_for 30 bash -c "! kill -0 $QM_PID" || fail "program still runs with nothing on screen"
for f in scripts.json settings.json; do
  [ -s "$DESKTOP_DIR/apps/one/data/Quillmere/$f" ] || fail "$f not saved"
done

# The floating panel: clicked and dragged, the focus stays in foot.
qm_settings two '{"mode":"floating"}'
qm_start two --start
wait_for 60 has 'Quillmere Prompter' || fail "floating panel did not show"
"$G/focus.sh" FOOT-TEST >/dev/null
wait_for 20 focused FOOT-TEST || fail "foot did not take the focus back"
read -r px py pw ph < <(wins | grep -o 'Quillmere Prompter[^|]*|X11|[-0-9,]*' | cut -d'|' -f3 | tr ',' ' ')
"$G/pointer.sh" $((px + pw / 2)) $((py + 30)) click >/dev/null
focused FOOT-TEST || fail "a click on the floating panel took the focus"
"$G/pointer.sh" $((px + pw / 2)) $((py + 30)) down >/dev/null
for d in 20 60 100; do "$G/pointer.sh" $((px + pw / 2 + d)) $((py + 30 + d / 2)) >/dev/null; done
"$G/pointer.sh" $((px + pw / 2 + 100)) $((py + 80)) up >/dev/null
wait_for 20 bash -c "! $G/wins.sh | grep -q 'Quillmere Prompter[^|]*|X11|$px,$py,'" || fail "the panel did not move"
focused FOOT-TEST || fail "dragging the floating panel took the focus"
shot "$G/shot.sh" "$SHOTS/gnome-wayland-floating.png"

# The prompter's own: a new floating panel clear of the pointer, a short script played to its
# end in display mode, hover let go once the pointer has left and the prompter is shown again.
kill "$QM_PID"; wait_for 30 bash -c "! kill -0 $QM_PID"
. "$(dirname "$0")/prompter_checks.sh"
PTR=$G/pointer.sh SHOOT=$G/shot.sh NAME=gnome-wayland
other_front() { "$G/focus.sh" FOOT-TEST >/dev/null; wait_for 20 focused FOOT-TEST; }
other_point() { wins | grep -o 'FOOT-TEST|wl|[-0-9,]*' | cut -d'|' -f3 | awk -F, '{print $1 + $3 - 40, $2 + $4 - 40}'; }
prompter_checks

[ "$FAILED" = 0 ] && log "GNOME Wayland: all checks passed"
exit $FAILED
