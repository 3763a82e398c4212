// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "read_budget.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

namespace qm {

// One XML part of a document, read token by token. A document type declaration is refused
// outright (entity definitions are how XML bombs and external-file tricks work, and no office
// format needs one), and the read stops when the budget runs out.
class XmlPart final {
public:
    XmlPart(const QByteArray &bytes, QString partName, const ReadBudget &budget);

    // Moves to the next token; false at the end of the part or on any fault (see error()).
    bool next();
    // Skips what is left of the element whose start was just read.
    bool skipElement();
    // The text inside the element whose start was just read, child elements' text included.
    QString elementText();

    QXmlStreamReader &reader() { return m_reader; }
    bool isStart(QStringView localName) const
    {
        return m_reader.isStartElement() && m_reader.name() == localName;
    }
    bool isEnd(QStringView localName) const
    {
        return m_reader.isEndElement() && m_reader.name() == localName;
    }
    QString attribute(QStringView localName) const;
    // The attribute in a namespace whose URI ends with `namespaceEnd` ("r:id" beside "id").
    QString attribute(QStringView localName, QStringView namespaceEnd) const;

    // Empty while nothing went wrong.
    QString error() const { return m_error; }

private:
    // Reads to the end of the current element, adding its text to `text` when given.
    bool walkElement(QString *text);

    QXmlStreamReader m_reader;
    QString m_part;
    const ReadBudget &m_budget;
    QString m_error;
    int m_tokens = 0;
};

} // namespace qm
