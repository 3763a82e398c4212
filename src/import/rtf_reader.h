// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"
#include "read_result.h"

#include <QString>

namespace qm {

// An RTF file through a converter installed on the system: unrtf, or pandoc where it reads
// RTF (3.1.3 and later), to HTML, then read as HTML. Without either, a reason that says what
// to install. `searchPath` (tests) replaces $PATH when not empty.
ReadResult readRtf(const QString &path, const ReadBudget &budget, const QString &searchPath = {});

} // namespace qm
