// SPDX-License-Identifier: GPL-3.0-or-later
#include "xml_part.h"

namespace qm {

XmlPart::XmlPart(const QByteArray &bytes, QString partName, const ReadBudget &budget)
    : m_reader(bytes)
    , m_part(std::move(partName))
    , m_budget(budget)
{
}

bool XmlPart::next()
{
    if (!m_error.isEmpty())
        return false;
    // The clock is read every few hundred tokens, not on each.
    if (++m_tokens % 256 == 0 && m_budget.exhausted()) {
        m_error = reasons::tooSlow();
        return false;
    }
    const QXmlStreamReader::TokenType token = m_reader.readNext();
    if (token == QXmlStreamReader::DTD) {
        m_error = QStringLiteral("%1 inside declares a document type (DTD), which Quillmere "
                                 "does not read")
                      .arg(m_part);
        return false;
    }
    if (token == QXmlStreamReader::EntityReference) {
        m_error = QStringLiteral("%1 inside refers to an entity it does not define").arg(m_part);
        return false;
    }
    if (token == QXmlStreamReader::Invalid) {
        if (m_reader.error() != QXmlStreamReader::PrematureEndOfDocumentError || m_tokens > 1)
            m_error
                = QStringLiteral("%1 inside is damaged (%2)").arg(m_part, m_reader.errorString());
        else
            m_error = QStringLiteral("%1 inside is empty").arg(m_part);
        return false;
    }
    return token != QXmlStreamReader::EndDocument;
}

bool XmlPart::skipElement()
{
    return walkElement(nullptr);
}

QString XmlPart::elementText()
{
    QString text;
    walkElement(&text);
    return text;
}

bool XmlPart::walkElement(QString *text)
{
    int depth = 1;
    while (depth > 0 && next()) {
        if (m_reader.isStartElement())
            ++depth;
        else if (m_reader.isEndElement())
            --depth;
        else if (text && m_reader.isCharacters())
            *text += m_reader.text();
    }
    return depth == 0;
}

QString XmlPart::attribute(QStringView localName) const
{
    for (const QXmlStreamAttribute &a : m_reader.attributes()) {
        if (a.name() == localName)
            return a.value().toString();
    }
    return {};
}

QString XmlPart::attribute(QStringView localName, QStringView namespaceEnd) const
{
    for (const QXmlStreamAttribute &a : m_reader.attributes()) {
        if (a.name() == localName && a.namespaceUri().endsWith(namespaceEnd))
            return a.value().toString();
    }
    return {};
}

} // namespace qm
