#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Saving on real file systems that fail: a nearly full loop-mounted ext4 disk, the same disk
# remounted read-only, and a small tmpfs, each with a small and a large (over 1 MiB) library.
# While the disk refuses, scripts.json stays the last good file byte for byte and the failure
# is told; once the disk takes writes again, the words typed meanwhile reach it.
source "$QM_E2E_LIB"

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: mounting test file systems needs root"
  exit 77
fi
e2e_setup "$1"
MOUNTED=()
unmount_all() {
  local m
  for m in "${MOUNTED[@]}"; do umount -l "$m" 2>/dev/null || true; done
  e2e_cleanup
}
trap unmount_all EXIT

# library FILE SIZE: a list of scripts of about SIZE bytes in all.
library() {
  python3 - "$1" "$2" <<'PY'
import json, sys, uuid
path, size = sys.argv[1], int(sys.argv[2])
scripts, total, n = [], 0, 0
while total < size:
    text = " ".join(f"word{n}-{i}" for i in range(min(2000, max(50, (size - total) // 12))))
    scripts.append({"id": str(uuid.uuid4()).upper(), "title": f"Talk {n}", "text": "# Start\n" + text})
    total += len(text) + 60
    n += 1
open(path, "w", encoding="utf-8").write(json.dumps(scripts, separators=(",", ":")))
PY
}

fill_disk() { dd if=/dev/zero of="$DATA_DIR/filler" bs=4k >/dev/null 2>&1 || true; sync; }
told() { grep -q "couldn't save your scripts: $1" "$E2E_TMP/app.log"; }
saved_again() { [ "$(grep -c 'saved again' "$E2E_TMP/app.log")" -gt "$1" ]; }
on_disk() { grep -q "$1" "$DATA_DIR/scripts.json"; }

# type_words WORDS: types at the end of the selected script.
type_words() {
  local win
  win=$(main_window_id)
  xdotool windowactivate --sync "$win" 2>/dev/null || true
  click_at $(editor_point "$win")
  xdotool key --clearmodifiers ctrl+End
  xdotool type --delay 15 " $1"
}

# round FS SIZE: one file system and library, from start to quit.
round() {
  local fs=$1 size=$2 label="$1, $2-byte library"
  rm -rf "$DATA_DIR" "$E2E_TMP/disk.img"
  mkdir -p "$DATA_DIR"
  case $fs in
  ext4)
    truncate -s 12M "$E2E_TMP/disk.img"
    mkfs.ext4 -q -F "$E2E_TMP/disk.img"
    if ! mount -o loop "$E2E_TMP/disk.img" "$DATA_DIR" 2>"$E2E_TMP/mount.err"; then
      echo "skipped: loop devices are not allowed here ($(head -n1 "$E2E_TMP/mount.err"))"
      exit 77
    fi
    ;;
  tmpfs)
    # 256 KiB holds a small library twice over; a large one needs room for two copies.
    local kib=256
    [ "$size" -gt 100000 ] && kib=$((size * 3 / 1024))
    mount -t tmpfs -o "size=${kib}k,mode=0700" tmpfs "$DATA_DIR" || { echo "skipped: cannot mount a tmpfs"; exit 77; }
    ;;
  esac
  MOUNTED+=("$DATA_DIR")
  library "$DATA_DIR/scripts.json" "$size"
  : >"$E2E_TMP/app.log"

  app_start
  check "$label: starts" app_wait_window 60
  check "$label: saves while there is room" editor_takes_keys "roomy$fs$size"

  fill_disk
  cp "$DATA_DIR/scripts.json" "$E2E_TMP/good.json"
  type_words "fullword$fs$size"
  check "$label: a full disk is told" e2e_wait 30 "the failure told" told "no space left on device"
  check "$label: the last good file stays byte for byte" cmp -s "$E2E_TMP/good.json" "$DATA_DIR/scripts.json"
  check "$label: nothing half-written is left" test "$(ls -A "$DATA_DIR" | grep -vc -e '^scripts.json$' -e '^settings.json$' -e '^filler$' -e '^lost+found$')" -eq 0

  rm -f "$DATA_DIR/filler"
  check "$label: the words typed on a full disk arrive once there is room" e2e_wait 30 "the retry" on_disk "fullword$fs$size"
  check "$label: the recovery is told" e2e_wait 10 "the recovery told" saved_again 0

  if [ "$fs" = ext4 ]; then
    mount -o remount,ro "$DATA_DIR"
    cp "$DATA_DIR/scripts.json" "$E2E_TMP/good.json"
    type_words "roword$size"
    check "$label: a read-only disk is told" e2e_wait 30 "the failure told" told "read-only file system"
    check "$label: read-only leaves the file as it was" cmp -s "$E2E_TMP/good.json" "$DATA_DIR/scripts.json"
    mount -o remount,rw "$DATA_DIR"
    check "$label: the words typed while read-only arrive" e2e_wait 30 "the retry" on_disk "roword$size"
  fi

  check "$label: quits" app_stop TERM
  check "$label: the file loads" json_valid "$DATA_DIR/scripts.json"
  umount "$DATA_DIR"
  MOUNTED=()
}

for fs in ext4 tmpfs; do
  for size in 3000 1200000; do
    round "$fs" "$size"
  done
done
e2e_pass
