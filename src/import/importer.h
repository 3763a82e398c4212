// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/script.h"
#include "read_budget.h"

#include <QString>

#include <optional>

namespace qm {

// A file read as a script, or why it could not be.
struct ImportResult {
    std::optional<Script> script;
    // Says what is wrong with the file, to follow "Couldn't import “name”: " ("it is empty").
    QString reason;
};

// Reads any file a script may come in: plain text in any common encoding, .docx, .odt, .pptx
// (speaker notes), .pdf, .html, .md and .rtf. The format is told by the content where it
// can be and by the name's extension otherwise. Safe to call off the GUI thread; stops once
// `budget` runs out.
ImportResult importScriptFile(const QString &path, const ReadBudget &budget = {});

// The file name without its last extension: "talk.final.txt" gives "talk.final"; a name
// without one (or a hidden file such as ".notes") stays whole.
QString scriptTitleForFile(const QString &path);

// The line the main window shows for a failure: Couldn't import “talk.docx”: it is empty.
QString importFailureMessage(const QString &path, const QString &reason);

// The file dialog's choice of types: every format first, then each kind, then anything.
QString importFileFilter();

} // namespace qm
