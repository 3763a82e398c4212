// SPDX-License-Identifier: GPL-3.0-or-later
#include "word_lines.h"

#include "prompter/script_words.h"
#include "prompter_layout.h"

#include <QTextLayout>

namespace qm {

QList<WordLine> wordLines(const ColumnLayout &layout)
{
    QList<WordLine> out;
    int tokens = 0;
    for (const TextBlock &block : layout.blocks) {
        if (block.role != TextBlock::Role::Body || !block.layout)
            continue;
        const QTextLayout &text = *block.layout;
        const QString &body = text.text();
        const int lineCount = text.lineCount();
        int line = 0;
        int reported = -1;
        forEachToken(QStringView(body), [&](qsizetype start, qsizetype) {
            while (line + 1 < lineCount && start >= text.lineAt(line + 1).textStart())
                ++line;
            if (line != reported && lineCount > 0) {
                const QTextLine l = text.lineAt(line);
                out.append({tokens, block.origin.y() + l.y(), l.ascent() + l.descent()});
                reported = line;
            }
            ++tokens;
        });
    }
    return out;
}

} // namespace qm
