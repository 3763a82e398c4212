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
    }
    for (; m_blocks < layout.blocks.size(); ++m_blocks) {
        const TextBlock &block = layout.blocks.at(m_blocks);
        if (block.role != TextBlock::Role::Body || !block.layout)
            continue;
        const QTextLayout &text = *block.layout;
        const int lineCount = text.lineCount();
        int line = 0;
        int reported = -1;
        forEachToken(QStringView(text.text()), [&](qsizetype start, qsizetype) {
            while (line + 1 < lineCount && start >= text.lineAt(line + 1).textStart())
                ++line;
            if (line != reported && lineCount > 0) {
                const QTextLine l = text.lineAt(line);
                m_lines.append({m_tokens, block.origin.y() + l.y(), l.ascent() + l.descent()});
                reported = line;
            }
            ++m_tokens;
        });
    }
}

QList<WordLine> wordLines(const ColumnLayout &layout)
{
    WordLineIndex index;
    index.update(layout, true);
    return index.lines();
}

} // namespace qm
