// SPDX-License-Identifier: GPL-3.0-or-later
#include "docx_reader.h"

#include "document_text.h"
#include "xml_part.h"
#include "zip_package.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>

namespace qm {

namespace {

struct DocxStyle {
    int level = 0; // 1-9 for a heading, 0 for body text
    QString basedOn;
};

// Heading levels by paragraph style id: "heading 1" … by name (the names Word gives its
// built-in styles in every language), or an outline level set on the style or one it is
// based on.
QHash<QString, int> docxHeadingStyles(XmlPart &xml)
{
    static const QRegularExpression headingName(
        QStringLiteral("^heading\\s*([1-9])$"), QRegularExpression::CaseInsensitiveOption);
    QHash<QString, DocxStyle> styles;
    QString current;
    while (xml.next()) {
        if (xml.isStart(u"style")) {
            current = xml.attribute(u"styleId");
            styles.insert(current, {});
        } else if (xml.isEnd(u"style")) {
            current.clear();
        } else if (current.isEmpty()) {
            continue;
        } else if (xml.isStart(u"name")) {
            const auto match = headingName.match(xml.attribute(u"val").trimmed());
            if (match.hasMatch())
                styles[current].level = match.captured(1).toInt();
        } else if (xml.isStart(u"outlineLvl")) {
            const int level = xml.attribute(u"val").toInt() + 1;
            if (styles[current].level == 0 && level >= 1 && level <= 9)
                styles[current].level = level;
        } else if (xml.isStart(u"basedOn")) {
            styles[current].basedOn = xml.attribute(u"val");
        }
    }
    QHash<QString, int> levels;
    for (auto it = styles.cbegin(); it != styles.cend(); ++it) {
        // Follow "based on" a few steps; a loop in a damaged file ends there.
        DocxStyle style = it.value();
        for (int hop = 0; style.level == 0 && !style.basedOn.isEmpty() && hop < 10; ++hop)
            style = styles.value(style.basedOn);
        if (style.level > 0)
            levels.insert(it.key(), style.level);
    }
    return levels;
}

struct DocxParagraph {
    QString text;
    int level = 0;
};

bool isOn(const QString &val)
{
    return val.isEmpty() || (val != u"0" && val != u"false" && val != u"off");
}

class DocxBody final {
public:
    DocxBody(XmlPart &xml, const QHash<QString, int> &headings, DocumentText &out)
        : m_xml(xml)
        , m_headings(headings)
        , m_out(out)
    {
    }

    void read()
    {
        while (!m_out.full() && m_xml.next()) {
            if (m_xml.reader().isStartElement())
                start();
            else if (m_xml.reader().isEndElement())
                end();
            else if (m_xml.reader().isCharacters() && m_inText && !m_paragraphs.isEmpty()
                && !inFieldCode())
                m_paragraphs.last().text += m_xml.reader().text();
        }
    }

private:
    bool inFieldCode() const { return m_fields.contains(true); }

    void append(QChar c)
    {
        if (!m_paragraphs.isEmpty() && !inFieldCode())
            m_paragraphs.last().text += c;
    }

    void start()
    {
        const QStringView name = m_xml.reader().name();
        if (name == u"p") {
            m_paragraphs.append(DocxParagraph());
        } else if (name == u"pPr") {
            readParagraphProperties();
        } else if (name == u"rPr") {
            // A run's properties: hidden text is left out with its run.
            if (readRunHidden())
                skipRestOfRun();
        } else if (name == u"t") {
            m_inText = true;
        } else if (name == u"tab") {
            append(u' ');
        } else if (name == u"br") {
            const QString type = m_xml.attribute(u"type");
            // A page or column break between words is a line break; one at either end of a
            // paragraph only moves it to a new page (marked here, settled at its end).
            append(type.isEmpty() || type == u"textWrapping" ? u'\n' : u'\f');
        } else if (name == u"cr") {
            append(u'\n');
        } else if (name == u"noBreakHyphen") {
            append(u'-');
        } else if (name == u"fldChar") {
            const QString type = m_xml.attribute(u"fldCharType");
            if (type == u"begin")
                m_fields.append(true);
            else if (type == u"separate" && !m_fields.isEmpty())
                m_fields.last() = false;
            else if (type == u"end" && !m_fields.isEmpty())
                m_fields.removeLast();
        } else if (name == u"tbl") {
            ++m_tables;
        } else if (name == u"del" || name == u"moveFrom" || name == u"delText"
            || name == u"instrText" || name == u"Fallback" || name == u"footnoteReference"
            || name == u"endnoteReference" || name == u"sdtPr" || name == u"sectPr"
            || name == u"docPr") {
            // Deleted changes, field codes, the older copy of drawing content, placeholders'
            // settings: not what the document shows.
            m_xml.skipElement();
        }
    }

    void end()
    {
        const QStringView name = m_xml.reader().name();
        if (name == u"t") {
            m_inText = false;
        } else if (name == u"tbl") {
            --m_tables;
        } else if (name == u"p" && !m_paragraphs.isEmpty()) {
            DocxParagraph p = m_paragraphs.takeLast();
            while (p.text.startsWith(u'\f'))
                p.text.remove(0, 1);
            while (p.text.endsWith(u'\f'))
                p.text.chop(1);
            p.text.replace(u'\f', u'\n');
            // An empty cell is layout, not a pause in the talk.
            if (m_tables > 0 && p.text.trimmed().isEmpty())
                return;
            if (p.level >= 1 && p.level <= 3)
                m_out.addCue(p.text);
            else
                m_out.addParagraph(p.text);
        }
    }

    void readParagraphProperties()
    {
        int depth = 1;
        while (depth > 0 && m_xml.next()) {
            if (m_xml.reader().isEndElement()) {
                --depth;
                continue;
            }
            if (!m_xml.reader().isStartElement())
                continue;
            ++depth;
            const QStringView name = m_xml.reader().name();
            if (m_paragraphs.isEmpty())
                continue;
            if (name == u"pStyle") {
                m_paragraphs.last().level = m_headings.value(m_xml.attribute(u"val"), 0);
            } else if (name == u"outlineLvl") {
                const int level = m_xml.attribute(u"val").toInt() + 1;
                // Level 10 is Word's "body text".
                m_paragraphs.last().level = level <= 9 ? level : 0;
            } else if (name == u"rPr" || name == u"sectPr" || name == u"pPrChange") {
                m_xml.skipElement();
                --depth;
            }
        }
    }

    bool readRunHidden()
    {
        bool hidden = false;
        int depth = 1;
        while (depth > 0 && m_xml.next()) {
            if (m_xml.reader().isEndElement()) {
                --depth;
            } else if (m_xml.reader().isStartElement()) {
                ++depth;
                if (m_xml.reader().name() == u"vanish" || m_xml.reader().name() == u"specVanish")
                    hidden = hidden || isOn(m_xml.attribute(u"val"));
            }
        }
        return hidden;
    }

    // After the properties of a hidden run: everything up to the end of that run.
    void skipRestOfRun()
    {
        int depth = 1;
        while (depth > 0 && m_xml.next()) {
            if (m_xml.reader().isStartElement()) {
                ++depth;
                // Field marks inside keep their meaning even in hidden runs.
                if (m_xml.reader().name() == u"fldChar")
                    start();
            } else if (m_xml.reader().isEndElement()) {
                --depth;
            }
        }
    }

    XmlPart &m_xml;
    const QHash<QString, int> &m_headings;
    DocumentText &m_out;
    QList<DocxParagraph> m_paragraphs;
    // Open fields, innermost last: true while in the field's code, false in its result.
    QList<bool> m_fields;
    bool m_inText = false;
    int m_tables = 0;
};

} // namespace

ReadResult readDocx(const QByteArray &bytes, const ReadBudget &budget)
{
    ZipPackage zip(bytes);
    if (!zip.open())
        return ReadResult::fail(zip.error());
    const QString body = QStringLiteral("word/document.xml");
    if (!zip.contains(body))
        return ReadResult::fail(QStringLiteral("it is not a Word document (.docx)"));

    QHash<QString, int> headings;
    const QString styles = QStringLiteral("word/styles.xml");
    if (zip.contains(styles)) {
        const QString error = readZipXml(
            zip, styles, budget, [&](XmlPart &xml) { headings = docxHeadingStyles(xml); });
        if (!error.isEmpty())
            return ReadResult::fail(error);
    }
    DocumentText out;
    const QString error
        = readZipXml(zip, body, budget, [&](XmlPart &xml) { DocxBody(xml, headings, out).read(); });
    if (!error.isEmpty())
        return ReadResult::fail(error);
    return ReadResult::of(out.text());
}

} // namespace qm
