#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Lays out the fuzzers' starting inputs from the import corpus. Usage: seeds.sh CORPUS OUT
set -euo pipefail
corpus=$1
out=$2
rm -rf "$out"
mkdir -p "$out/fuzz_text_decoding" "$out/fuzz_office" "$out/fuzz_office_xml"
cp "$corpus"/*.txt "$corpus"/*.md "$corpus"/*.html "$out/fuzz_text_decoding/"
cp "$corpus"/*.docx "$corpus"/*.odt "$out/fuzz_office/"
# The XML target's first byte picks the format (even .docx, odd .odt).
python3 - "$corpus" "$out/fuzz_office_xml" <<'PY'
import sys, zipfile
corpus, out = sys.argv[1], sys.argv[2]
for name, part, first in (("talk.docx", "word/document.xml", b"\0"), ("talk.odt", "content.xml", b"\1")):
    with zipfile.ZipFile(f"{corpus}/{name}") as z, open(f"{out}/{name}.xml", "wb") as f:
        f.write(first + z.read(part))
PY
