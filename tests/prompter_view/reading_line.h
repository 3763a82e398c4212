// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For the follow probe and its offline replay: which line a height in the column falls on.

#include "prompter_view/word_lines.h"

#include <QList>

namespace qm::testing {

// The top of the last line starting at or above `y` (the first line's above them all).
inline double lineTopAt(const QList<WordLine> &lines, double y)
{
    double found = lines.isEmpty() ? 0 : lines.front().y;
    for (const WordLine &l : lines) {
        if (l.y > y)
            break;
        found = l.y;
    }
    return found;
}

} // namespace qm::testing
