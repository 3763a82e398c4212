// SPDX-License-Identifier: GPL-3.0-or-later
#include "odt_reader.h"

#include "document_text.h"
#include "xml_part.h"
#include "zip_package.h"

#include <QHash>
#include <QList>

namespace qm {

namespace {

struct OdtParagraph {
    QString text;
    int level = 0;
    // ODF collapses runs of white space in text content, as HTML does.
    bool spacePending = false;
};

// Outline levels of paragraph styles: a paragraph whose style (or the style it derives from)
// is a heading counts as one even when written as text:p.
class OdtStyles final {
public:
    void read(XmlPart &xml)
    {
        while (xml.next()) {
            if (xml.isStart(u"style") && xml.attribute(u"family") == u"paragraph") {
                const QString name = xml.attribute(u"name");
                m_parent.insert(name, xml.attribute(u"parent-style-name"));
                const int level = xml.attribute(u"default-outline-level").toInt();
                if (level > 0)
                    m_level.insert(name, level);
            } else if (xml.isStart(u"body")) {
                return;
            }
        }
    }

    int level(QString name) const
    {
        for (int hop = 0; hop < 10 && !name.isEmpty(); ++hop) {
            if (const int level = m_level.value(name); level > 0)
                return level;
            name = m_parent.value(name);
        }
        return 0;
    }

private:
    QHash<QString, QString> m_parent;
    QHash<QString, int> m_level;
};

class OdtBody final {
public:
    OdtBody(XmlPart &xml, const OdtStyles &styles, DocumentText &out)
        : m_xml(xml)
        , m_styles(styles)
        , m_out(out)
    {
    }

    void read()
    {
        bool inBody = false;
        while (!m_out.full() && m_xml.next()) {
            QXmlStreamReader &r = m_xml.reader();
            if (!inBody) {
                inBody = m_xml.isStart(u"text") && r.namespaceUri().endsWith(u":office:1.0");
                continue;
            }
            if (r.isStartElement())
                start();
            else if (r.isEndElement())
                end();
            else if (r.isCharacters())
                appendContent(r.text());
        }
    }

private:
    void appendContent(QStringView text)
    {
        if (m_paragraphs.isEmpty())
            return;
        OdtParagraph &p = m_paragraphs.last();
        for (const QChar c : text) {
            if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                p.spacePending = !p.text.isEmpty();
                continue;
            }
            if (p.spacePending && !p.text.endsWith(u' ') && !p.text.endsWith(u'\n'))
                p.text += u' ';
            p.spacePending = false;
            p.text += c;
        }
    }

    void appendExact(const QString &text)
    {
        if (m_paragraphs.isEmpty())
            return;
        m_paragraphs.last().text += text;
        m_paragraphs.last().spacePending = false;
    }

    void start()
    {
        const QStringView name = m_xml.reader().name();
        if (name == u"p" || name == u"h") {
            OdtParagraph p;
            if (name == u"h") {
                const QString level = m_xml.attribute(u"outline-level");
                p.level = level.isEmpty() ? 1 : level.toInt();
            } else {
                p.level = m_styles.level(m_xml.attribute(u"style-name"));
            }
            m_paragraphs.append(p);
        } else if (name == u"line-break") {
            appendExact(QStringLiteral("\n"));
        } else if (name == u"tab") {
            appendExact(QStringLiteral(" "));
        } else if (name == u"s") {
            const int count = std::clamp(m_xml.attribute(u"c").toInt(), 1, 100);
            appendExact(QString(count, u' '));
        } else if (name == u"table") {
            ++m_tables;
        } else if ((name == u"title" || name == u"desc")
            && m_xml.reader().namespaceUri().contains(u"svg")) {
            // A picture's alt text.
            m_xml.skipElement();
        } else if (name == u"note" || name == u"annotation" || name == u"tracked-changes"
            || name == u"table-of-content" || name == u"alphabetical-index"
            || name == u"illustration-index" || name == u"bibliography" || name == u"deletion") {
            // Footnotes, comments, deleted text, alt text and generated indexes.
            m_xml.skipElement();
        }
    }

    void end()
    {
        const QStringView name = m_xml.reader().name();
        if (name == u"table") {
            --m_tables;
        } else if ((name == u"p" || name == u"h") && !m_paragraphs.isEmpty()) {
            const OdtParagraph p = m_paragraphs.takeLast();
            if (m_tables > 0 && p.text.trimmed().isEmpty())
                return;
            if (p.level >= 1 && p.level <= 3)
                m_out.addCue(p.text);
            else
                m_out.addParagraph(p.text);
        }
    }

    XmlPart &m_xml;
    const OdtStyles &m_styles;
    DocumentText &m_out;
    QList<OdtParagraph> m_paragraphs;
    int m_tables = 0;
};

} // namespace

ReadResult readOdt(const QByteArray &bytes, const ReadBudget &budget)
{
    ZipPackage zip(bytes);
    if (!zip.open())
        return ReadResult::fail(zip.error());
    const QString body = QStringLiteral("content.xml");
    if (!zip.contains(body))
        return ReadResult::fail(QStringLiteral("it is not an OpenDocument text (.odt)"));

    OdtStyles styles;
    const QString common = QStringLiteral("styles.xml");
    if (zip.contains(common)) {
        const QString error
            = readZipXml(zip, common, budget, [&](XmlPart &xml) { styles.read(xml); });
        if (!error.isEmpty())
            return ReadResult::fail(error);
    }
    DocumentText out;
    const QString error = readZipXml(zip, body, budget, [&](XmlPart &xml) {
        // The automatic styles come first in content.xml, the body after them.
        styles.read(xml);
        if (xml.error().isEmpty())
            OdtBody(xml, styles, out).read();
    });
    if (!error.isEmpty())
        return ReadResult::fail(error);
    return ReadResult::of(out.text());
}

} // namespace qm
