// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompter/follow_session.h"

#include <QList>

namespace qm {

struct ColumnLayout;

// Per laid-out body line that starts a token: the index of that token among the script's body
// tokens (as scriptWords counts them) and the line's place in the column. Only the laid-out
// part of the column is covered.
QList<WordLine> wordLines(const ColumnLayout &layout);

} // namespace qm
