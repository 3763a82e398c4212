# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the real-desktop checks: bring a desktop up headless, run the program on it, wait
# for conditions (never for a fixed time), keep screenshots.
set -u
H=$(cd "$(dirname "${BASH_SOURCE[0]}")/harness" && pwd)
QM=${1:?usage: $0 path/to/quillmere}
SHOTS=${QM_DESKTOP_SHOTS:-$(dirname "$QM")/desktop-shots}
mkdir -p "$SHOTS"
# Short: the harness puts sockets under it.
export DESKTOP_DIR=$(mktemp -d /tmp/qmd.XXXXXX)
export ASAN_OPTIONS=detect_leaks=0
FAILED=0

log() { echo "[$(date +%T)] $*"; }
fail() { log "FAIL: $*"; FAILED=1; }
cleanup() {
  "$H/common/down.sh" >/dev/null 2>&1
  [ "$FAILED" = 0 ] && rm -rf "$DESKTOP_DIR" || log "kept $DESKTOP_DIR (logs/, shots/)"
}
trap cleanup EXIT

# wait_for SECONDS CMD...: until CMD succeeds; false after SECONDS.
wait_for() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.3
  done
}

QS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/qm-session.sh
qm_run() { "$QS" "$QM" "$@"; }
qm_start() {
  local inst=$1; shift
  rm -f "$DESKTOP_DIR/apps/$inst/pid"
  setsid "$QS" "$QM" "$inst" "$@" > "$DESKTOP_DIR/logs/qm-$inst.log" 2>&1 < /dev/null &
  wait_for 30 test -s "$DESKTOP_DIR/apps/$inst/pid"
  QM_PID=$(cat "$DESKTOP_DIR/apps/$inst/pid")
}
# Settings the instance starts with (the keys given; the rest default).
qm_settings() {
  mkdir -p "$DESKTOP_DIR/apps/$1/data/Quillmere"
  printf '%s\n' "$2" > "$DESKTOP_DIR/apps/$1/data/Quillmere/settings.json"
}
# All seven chords report STATE.
shortcuts_all() {
  local out; out=$(qm_run "$1" --list-shortcuts) || return 1
  [ "$(grep -c "$2\$" <<< "$out")" = 7 ]
}
shot() { "$@" && log "screenshot $SHOTS/$(basename "${@: -1}")"; }
