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

// The same, kept up to date while a column is laid out a few sections at a time: each update
// reads only the blocks added since the last one.
class WordLineIndex final {
public:
    // `fresh`: a new layout rather than the last one grown further.
    void update(const ColumnLayout &layout, bool fresh);
    const QList<WordLine> &lines() const { return m_lines; }

private:
    QList<WordLine> m_lines;
    qsizetype m_blocks = 0;
    int m_tokens = 0;
    bool m_inWord = false; // the last body piece read ended inside a word
};

} // namespace qm
