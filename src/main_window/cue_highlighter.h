// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace qm {

// Draws cue lines (a line whose first character is '#') in the cue style. The document restyles
// only the paragraphs an edit touched, so typing costs the same in a short and a long script.
class CueHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CueHighlighter)

public:
    explicit CueHighlighter(QTextDocument *document);

    // 13 px bold in the accent, letter spacing 0.9; none for a cue whose letters join (Arabic
    // and the like), which spacing would pull apart.
    static QTextCharFormat cueFormat(bool joiningLetters = false);

    struct Span {
        int start = 0;
        int length = 0;
        friend bool operator==(const Span &, const Span &) = default;
    };
    // The cue lines of one paragraph. A paragraph holds one line, or several when it contains
    // line breaks that do not end a paragraph (U+2028, U+0085, vertical tab, form feed).
    static QList<Span> cueSpans(QStringView paragraph);

protected:
    void highlightBlock(const QString &text) override;

private:
    QTextCharFormat m_cue;
    QTextCharFormat m_joinedCue;
};

} // namespace qm
