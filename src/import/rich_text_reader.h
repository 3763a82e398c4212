// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_result.h"

#include <QString>

namespace qm {

// HTML (a web page, a Google Docs download) as plain text: one line per paragraph, list item
// or table cell, headings 1-3 as cues. Nothing it links to (images, style sheets) is loaded.
ReadResult readHtml(const QString &html);

// Markdown with its markup taken out: emphasis, links, list markers and code fences go,
// `#` headings of levels 1-3 stay as cues.
ReadResult readMarkdown(const QString &markdown);

} // namespace qm
