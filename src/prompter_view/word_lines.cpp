// SPDX-License-Identifier: GPL-3.0-or-later
#include "word_lines.h"

#include "prompter/script_words.h"
#include "prompter_layout.h"

#include <QTextLayout>

namespace qm {

void WordLineIndex::update(const ColumnLayout &layout, bool fresh)
{
    if (fresh || m_blocks > layout.blocks.size()) {
        m_lines.clear();
        m_blocks = 0;
        m_tokens = 0;
        m_inWord = false;
    }
    for (; m_blocks < layout.blocks.size(); ++m_blocks) {
        const TextBlock &block = layout.blocks.at(m_blocks);
        if (block.role != TextBlock::Role::Body || !block.layout) {
            m_inWord = false;
            continue;
        }
        const QTextLayout &text = *block.layout;
        const QStringView body(text.text());
        const int lineCount = text.lineCount();
        int line = 0;
        int reported = -1;
        // A word longer than a piece of a long body goes on from the piece before: its rest is
        // not a word of its own.
        const bool goesOn
            = block.continuesText && m_inWord && !body.isEmpty() && !isTokenSpace(body.front());
        forEachToken(body, [&](qsizetype start, qsizetype) {
            if (goesOn && start == 0)
                return;
            while (line + 1 < lineCount && start >= text.lineAt(line + 1).textStart())
                ++line;
            if (line != reported && lineCount > 0) {
                const QTextLine l = text.lineAt(line);
                m_lines.append({m_tokens, block.origin.y() + l.y(), l.ascent() + l.descent()});
                reported = line;
            }
            ++m_tokens;
        });
        // Whether this piece ends inside a word that counted.
        qsizetype tail = body.size();
        while (tail > 0 && !isTokenSpace(body[tail - 1]))
            --tail;
        bool counted = tail == 0 && goesOn;
        for (qsizetype i = tail; i < body.size() && !counted; ++i)
            counted = isTokenChar(body[i]);
        m_inWord = tail < body.size() && counted;
    }
}

QList<WordLine> wordLines(const ColumnLayout &layout)
{
    WordLineIndex index;
    index.update(layout, true);
    return index.lines();
}

} // namespace qm
