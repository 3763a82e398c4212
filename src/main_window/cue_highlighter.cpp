// SPDX-License-Identifier: GPL-3.0-or-later
#include "cue_highlighter.h"

#include "model/sections.h"
#include "model/text_direction.h"
#include "ui/fonts.h"
#include "ui/palette.h"

namespace qm {

CueHighlighter::CueHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
    , m_cue(cueFormat())
    , m_joinedCue(cueFormat(true))
{
}

QTextCharFormat CueHighlighter::cueFormat(bool joiningLetters)
{
    QTextCharFormat format;
    QFont font = fonts::system(13, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, joiningLetters ? 0 : 0.9);
    format.setFont(font);
    format.setForeground(palette::tally());
    return format;
}

QList<CueHighlighter::Span> CueHighlighter::cueSpans(QStringView paragraph)
{
    QList<Span> spans;
    qsizetype start = 0;
    const qsizetype n = paragraph.size();
    while (start <= n) {
        qsizetype end = start;
        while (end < n && !isLineBreak(paragraph.at(end).unicode()))
            ++end;
        if (isCueLine(paragraph.sliced(start, end - start)))
            spans.append(Span {int(start), int(end - start)});
        start = end + 1;
    }
    return spans;
}

void CueHighlighter::highlightBlock(const QString &text)
{
    for (const Span &span : cueSpans(text)) {
        const bool joined = hasJoiningLetters(QStringView(text).sliced(span.start, span.length));
        setFormat(span.start, span.length, joined ? m_joinedCue : m_cue);
    }
}

} // namespace qm
