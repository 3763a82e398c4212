#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma on Wayland: the chords come through the desktop's shortcut portal and reach the
# program while a native Wayland window has the focus; the floating panel stays mapped and
# above that window, and clicking or dragging it leaves the focus where it was; and the
# prompter checks of prompter_checks.sh.
. "$(dirname "$0")/lib.sh"
K=$H/kde-wayland

"$K/up.sh" > "$DESKTOP_DIR/up.log" 2>&1 || { fail "Plasma did not come up"; exit 1; }
( cd / && QT_QPA_PLATFORM=wayland setsid "$H/common/run.sh" konsole ) \
  > "$DESKTOP_DIR/logs/konsole.log" 2>&1 < /dev/null &

wins() { "$K/wins.sh"; }
has() { wins | grep -q -- "$1"; }
konsole_caption() { wins | grep 'wl org.kde.konsole' | head -1 | cut -d'|' -f1 | sed 's/ *$//'; }
konsole_active() { wins | grep -q "^ACTIVE: $(konsole_caption)\$"; }
panel_line() { wins | grep '^Quillmere Prompter'; }
panel_viewable() {
  local w
  for w in $(. "$DESKTOP_DIR/app.env"; xdotool search --name 'Quillmere Prompter'); do
    ( . "$DESKTOP_DIR/app.env"
      xwininfo -id "$w" | grep -q IsViewable && ! xprop -id "$w" _NET_WM_STATE | grep -q HIDDEN ) \
      && return 0
  done
  return 1
}

qm_settings one '{"mode":"floating"}'
qm_start one
wait_for 90 has '^Quillmere | X11' || { fail "main window did not show"; exit 1; }
wait_for 60 has 'wl org.kde.konsole' || fail "konsole did not start"
wait_for 60 shortcuts_all one "active" || fail "the portal did not bind the chords"
qm_run one --list-shortcuts

"$K/focus.sh" "$(konsole_caption)" >/dev/null
wait_for 20 konsole_active || fail "konsole did not take the focus"
"$K/keys.sh" Control_L+Alt_L+p >/dev/null
wait_for 30 has '^Quillmere Prompter' || fail "Ctrl+Alt+P from a Wayland window did not show the prompter"
konsole_active || fail "showing the floating panel took the focus"
panel_line | grep -q 'keepAbove=true' || fail "floating panel not kept above"

# Mapped and above the focused native window the whole time (KWin hid utility windows).
end=$((SECONDS + 5))
while [ $SECONDS -lt $end ]; do
  panel_viewable || { fail "floating panel hidden while konsole is active"; break; }
done

read -r px py pw ph < <(panel_line | cut -d'|' -f3 | tr ',' ' ')
"$K/pointer.sh" $((px + pw / 2)) $((py + 30)) >/dev/null
"$K/pointer.sh" $((px + pw / 2)) $((py + 30)) click >/dev/null
konsole_active || fail "a click on the floating panel took the focus"
"$K/pointer.sh" $((px + pw / 2)) $((py + 30)) down >/dev/null
for d in 20 60 100; do "$K/pointer.sh" $((px + pw / 2 + d)) $((py + 30 + d / 2)) >/dev/null; done
"$K/pointer.sh" $((px + pw / 2 + 100)) $((py + 80)) up >/dev/null
wait_for 20 bash -c "! $K/wins.sh | grep '^Quillmere Prompter' | grep -q '| $px,$py,'" || fail "the panel did not move"
konsole_active || fail "dragging the floating panel took the focus"
shot "$K/shot.sh" "$SHOTS/kde-wayland-floating.png"

# The notch panel, for the record.
"$K/keys.sh" Control_L+Alt_L+p >/dev/null
wait_for 30 bash -c "! $K/wins.sh | grep -q '^Quillmere Prompter'" || fail "second Ctrl+Alt+P did not hide it"
kill "$QM_PID"; wait_for 30 bash -c "! kill -0 $QM_PID"
qm_start two --start
wait_for 60 panel_viewable || fail "notch panel did not show"
shot "$K/shot.sh" "$SHOTS/kde-wayland-notch.png"

# The prompter's own: a new floating panel clear of the pointer, a short script played to its
# end in display mode, hover let go once the pointer has left and the prompter is shown again.
kill "$QM_PID"; wait_for 30 bash -c "! kill -0 $QM_PID"
. "$(dirname "$0")/prompter_checks.sh"
PTR=$K/pointer.sh SHOOT=$K/shot.sh NAME=kde-wayland
other_front() { "$K/focus.sh" "$(konsole_caption)" >/dev/null; wait_for 20 konsole_active; }
other_point() { wins | grep 'wl org.kde.konsole' | head -1 | cut -d'|' -f3 | tr -d ' ' | awk -F, '{print $1 + $3 - 40, $2 + $4 - 40}'; }
prompter_checks

[ "$FAILED" = 0 ] && log "KDE Wayland: all checks passed"
exit $FAILED
