#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the import corpus from the sources beside it (talk.fodt, talk.md, slides.md,
# notepad.txt) with the programs people write scripts in. Needs LibreOffice (writer), pandoc,
# iconv, qpdf and python3; only to remake the files, never to build or test. See README.md.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"   # LibreOffice's profile goes there, not into the user's

# LibreOffice 7.4, headless, from the flat OpenDocument source.
for format in odt docx pdf rtf; do
  soffice --headless --convert-to "$format" --outdir "$work" talk.fodt >/dev/null 2>&1
  cp "$work/talk.$format" "talk.$format"
done

# pandoc 2.17: a web page and a presentation with speaker notes.
pandoc --standalone --output talk.html talk.md
pandoc --output slides.pptx slides.md

# Windows Notepad's "Unicode" (UTF-16 LE with a byte-order mark) and "ANSI" (Windows-1252),
# both with CRLF line ends.
sed 's/$/\r/' notepad.txt | iconv -f UTF-8 -t UTF-16 > notepad-utf16.txt
sed 's/$/\r/' notepad.txt | iconv -f UTF-8 -t WINDOWS-1252 > notepad-1252.txt

# Refusals.
qpdf --encrypt secret secret 256 -- talk.pdf locked.pdf
head -c 4000 talk.docx > truncated.docx
python3 - <<'PY'
import zipfile

def docx(name, document, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(name, "w", compression) as z:
        z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
        z.writestr("word/document.xml", document)

W = 'xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"'
# Ten levels of ten times the one before: a billion "lol"s from a few hundred bytes.
entities = "".join(
    f'<!ENTITY lol{i} "{"&lol%d;" % (i - 1) * 10}">' for i in range(1, 10))
docx("entities.docx", f'<?xml version="1.0"?><!DOCTYPE lolz [<!ENTITY lol0 "lol">{entities}]>'
     f'<w:document {W}><w:body><w:p><w:r><w:t>&lol9;</w:t></w:r></w:p></w:body></w:document>')
# 8 MB of spaces inside one paragraph, packed into a few kilobytes.
docx("zipbomb.docx", f'<?xml version="1.0"?><w:document {W}><w:body><w:p><w:r><w:t>'
     + " " * (8 << 20) + '</w:t></w:r></w:p></w:body></w:document>', zipfile.ZIP_DEFLATED)
PY
ls -l
