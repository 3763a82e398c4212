#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed layout, the launcher entry and AppStream data validate, and the Debian package
# unpacks into a root whose quillmere runs.
set -euo pipefail
bin=$(readlink -f "$1")
build=$(dirname "$bin")
src=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fails=0
checks=0
check() {
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; fails=$((fails + 1)); fi
}

check "desktop file validates" desktop-file-validate "$src/data/org.quillmere.Quillmere.desktop"
check "metainfo validates" appstreamcli validate --no-net "$src/data/org.quillmere.Quillmere.metainfo.xml"

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
for f in bin/quillmere share/applications/org.quillmere.Quillmere.desktop \
  share/metainfo/org.quillmere.Quillmere.metainfo.xml \
  share/icons/hicolor/scalable/apps/org.quillmere.Quillmere.svg \
  share/icons/hicolor/16x16/apps/org.quillmere.Quillmere.png \
  share/icons/hicolor/512x512/apps/org.quillmere.Quillmere.png \
  share/man/man1/quillmere.1; do
  check "installs $f" test -s "$tmp/prefix/$f"
done
check "512 px icon is a 512 x 512 PNG" sh -c "file '$tmp/prefix/share/icons/hicolor/512x512/apps/org.quillmere.Quillmere.png' | grep -q '512 x 512'"
check "installed program runs" sh -c "'$tmp/prefix/bin/quillmere' --version | grep -q '^quillmere [0-9]'"

(cd "$build" && cpack -B "$tmp/pkg" >/dev/null)
deb=$(ls "$tmp"/pkg/*.deb | head -n1)
check "a .deb is built" test -s "$deb"
check "its Depends name the Qt runtime" sh -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6"
for dep in $(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/ //g'); do
  check "dependency $dep is a real package" sh -c "apt-cache show '$dep' >/dev/null 2>&1 || dpkg -s '$dep' >/dev/null 2>&1"
done
dpkg-deb -x "$deb" "$tmp/root"
check "the packaged quillmere runs" sh -c "'$tmp/root/usr/bin/quillmere' --version | grep -q '^quillmere 0.1.0'"

echo "$((checks - fails)) passed, $fails failed"
[ "$fails" -eq 0 ]
