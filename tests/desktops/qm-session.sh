#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: qm-session.sh QUILLMERE INSTANCE [ARGS...] -- the program as a client of the desktop in
# $DESKTOP_DIR with its own data folder. Its configuration folder is the session's: GNOME reads
# its keyboard settings (dconf) from there too.
set -u
QM=$1 I=$2; shift 2
. "$DESKTOP_DIR/app.env"
mkdir -p "$DESKTOP_DIR/apps/$I/data"
export HOME=$DESKTOP_DIR/home XDG_DATA_HOME=$DESKTOP_DIR/apps/$I/data
# The process id stays through exec: the checks wait on it.
echo $$ > "$DESKTOP_DIR/apps/$I/pid"
exec "$QM" "$@"
