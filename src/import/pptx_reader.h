// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"
#include "read_result.h"

#include <QByteArray>

namespace qm {

// A PowerPoint presentation (.pptx): what the presenter says, which is in the speaker notes.
// Each slide in show order gives a cue with its title ("Slide 3" without one) and its notes'
// paragraphs under it, so jumping cue by cue follows the slides.
ReadResult readPptx(const QByteArray &bytes, const ReadBudget &budget);

} // namespace qm
