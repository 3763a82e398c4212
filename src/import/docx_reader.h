// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"
#include "read_result.h"

#include <QByteArray>

namespace qm {

// A Word document (.docx, as Word, LibreOffice and Google Docs write it): its body's paragraphs
// as lines, headings 1-3 as cues. Footnotes, comments, deleted changes, hidden text and field
// codes are left out; inserted changes and the fields' shown results are kept.
ReadResult readDocx(const QByteArray &bytes, const ReadBudget &budget);

} // namespace qm
