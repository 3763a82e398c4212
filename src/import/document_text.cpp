// SPDX-License-Identifier: GPL-3.0-or-later
#include "document_text.h"

#include "read_budget.h"

namespace qm {

QString cleanLine(QString line)
{
    line.remove(QChar(0xFFFC));
    line.remove(QChar(0x00AD));
    line.remove(QChar(0xFEFF));
    // Symbol-font bullets sit in the private use area.
    line.removeIf([](QChar c) { return c.category() == QChar::Other_PrivateUse; });
    // Indentation and runs of spaces are layout (a converter's spaces for a bullet or a tab
    // stop), not something to read.
    return line.simplified();
}

void DocumentText::addLine(QString line)
{
    line = cleanLine(std::move(line));
    if (m_skipEmpty && line.isEmpty())
        return;
    m_chars += line.size() + 1;
    m_lines.append(std::move(line));
}

void DocumentText::addParagraph(const QString &text)
{
    // Line breaks inside a paragraph (Shift+Enter in a word processor) stay line breaks.
    QString unified = text;
    unified.replace(QChar(QChar::LineSeparator), u'\n');
    unified.replace(QChar(QChar::ParagraphSeparator), u'\n');
    unified.replace(u'\r', u'\n');
    for (const QString &line : unified.split(u'\n'))
        addLine(line);
}

void DocumentText::addCue(const QString &heading)
{
    QString joined = heading;
    joined.replace(QChar(QChar::LineSeparator), u' ');
    joined.replace(u'\n', u' ');
    joined = cleanLine(joined).simplified();
    if (joined.isEmpty())
        addLine(QString());
    else
        addLine(QStringLiteral("# ") + joined);
}

QString DocumentText::text() const
{
    qsizetype first = 0;
    qsizetype last = m_lines.size();
    while (first < last && m_lines.at(first).trimmed().isEmpty())
        ++first;
    while (last > first && m_lines.at(last - 1).trimmed().isEmpty())
        --last;
    return m_lines.mid(first, last - first).join(u'\n');
}

bool DocumentText::full() const
{
    return m_chars > kMaxScriptChars;
}

} // namespace qm
