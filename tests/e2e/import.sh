#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Importing as a user does: `--import` on a first launch and handed to the running program,
# and documents dragged from another program onto the script list. Usage: import.sh QUILLMERE
# DRAG_SOURCE CORPUS_DIR
source "$QM_E2E_LIB"
e2e_setup "$1"
DRAG_BIN=$2
CORPUS=$3

scripts() { json_get "$DATA_DIR/scripts.json" "$1" 2>/dev/null; }
first_title_is() { [ -e "$DATA_DIR/scripts.json" ] && [ "$(scripts 'd[0]["title"]')" = "$1" ]; }
has_title() { [ -e "$DATA_DIR/scripts.json" ] && scripts '[s["title"] for s in d]' | grep -q "'$1'"; }

# A first launch imports, from another directory than the program's.
cp "$CORPUS/talk.docx" "$CORPUS/slides.pptx" "$CORPUS/notepad-utf16.txt" "$E2E_TMP/"
: >"$E2E_TMP/empty.txt"
(cd "$E2E_TMP" && app_start --import talk.docx)
APP_PID=$(pgrep -n -f "^$QM_BIN --import talk.docx")
E2E_PIDS+=("$APP_PID")
check "main window appears" e2e_wait 30 "main window" main_shown "$APP_PID"
check "--import on launch adds the document at the top" e2e_wait 30 "talk first" first_title_is talk
check "with its headings as cues" test "$(scripts 'd[0]["text"].split(chr(10))[0]')" = "# Welcome"

# A second launch hands its files over and leaves; the running one imports them in order.
(cd "$E2E_TMP" && "$QM_BIN" --import slides.pptx empty.txt notepad-utf16.txt >>"$E2E_TMP/app.log" 2>&1)
check "the second launch exits 0" test $? -eq 0
check "one process" test "$(app_count)" -eq 1
check "handed-over files are imported, last one on top" e2e_wait 30 "notepad first" first_title_is notepad-utf16
check "the speaker notes came in" has_title slides
check "the empty file did not" bash -c "! grep -q '\"empty\"' '$DATA_DIR/scripts.json'"
window_shot "$(main_window_id "$APP_PID")" "$E2E_TMP/failure-line.png" 0 0 0 0
e2e_log "failure line: $E2E_TMP/failure-line.png"

# Dragged from another program onto the script list.
cp "$CORPUS/talk.odt" "$E2E_TMP/dropped.odt"
"$DRAG_BIN" "$E2E_TMP/dropped.odt" >>"$E2E_TMP/drag.log" 2>&1 &
E2E_PIDS+=($!)
source_shown() { xdotool search --onlyvisible --name '^drag source$' >/dev/null 2>&1; }
check "the drag source is up" e2e_wait 30 "drag source" source_shown
win=$(main_window_id "$APP_PID")
read -r lx ly < <(window_point "$win" 8 60)
drag_says() { grep -q "^$1" "$E2E_TMP/drag.log"; }
drop_once() {
  : >"$E2E_TMP/drag.log"
  xdotool mousemove --sync 100 60
  xdotool mousedown 1
  e2e_wait 10 "the drag to begin" drag_says dragging || return 1
  local i
  for i in 1 2 3 4 5 6 7 8; do
    xdotool mousemove --sync $((100 + (lx - 100) * i / 8)) $((60 + (ly - 60) * i / 8))
  done
  # Let go only once the list has said it takes the files.
  e2e_wait 10 "the list to take the drag" drag_says "target takes" || { xdotool mouseup 1; return 1; }
  xdotool mouseup 1
  e2e_wait 10 "dropped.odt imported" first_title_is dropped
}
dropped() { drop_once || drop_once; }
check "a file dropped on the list is imported and selected" dropped
window_shot "$win" "$E2E_TMP/after-drop.png" 0 0 0 0
e2e_log "after the drop: $E2E_TMP/after-drop.png"

e2e_pass
