// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace qm {

// A script's text built a paragraph at a time: one line per paragraph, a blank line for an
// empty one, line breaks inside a paragraph kept, headings as cue lines ("# Heading").
class DocumentText final {
public:
    void addParagraph(const QString &text);
    // A heading of any level: one cue line, its inner line breaks joined with spaces. An empty
    // heading is an empty paragraph.
    void addCue(const QString &heading);
    // Empty paragraphs are left out (formats whose empty blocks are spacing between elements,
    // not lines someone left blank).
    void setSkipEmpty(bool skip) { m_skipEmpty = skip; }

    // Blank lines at the start and end dropped.
    QString text() const;
    // True once the text has grown past what a script may hold; readers stop there.
    bool full() const;

private:
    void addLine(QString line);

    QStringList m_lines;
    qint64 m_chars = 0;
    bool m_skipEmpty = false;
};

// White space at either end dropped and each run inside it one space (tabs too), and nothing
// Quillmere would show as a box: the object placeholder, soft hyphens, zero-width no-break
// spaces, private-use symbols.
QString cleanLine(QString line);

} // namespace qm
