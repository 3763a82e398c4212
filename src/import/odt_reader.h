// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"
#include "read_result.h"

#include <QByteArray>

namespace qm {

// An OpenDocument text (.odt, LibreOffice's and Qt's own): the body's paragraphs as lines,
// headings 1-3 as cues. Notes, comments and the deleted text kept for tracked changes are left
// out; fields give the text they show.
ReadResult readOdt(const QByteArray &bytes, const ReadBudget &budget);

} // namespace qm
