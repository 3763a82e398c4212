// SPDX-License-Identifier: GPL-3.0-or-later
#include "pptx_reader.h"

#include "document_text.h"
#include "xml_part.h"
#include "zip_package.h"

#include <QDir>
#include <QHash>
#include <QStringList>

namespace qm {

namespace {

// A part's relationships: id to the target part's full name, or a type's first target.
struct Relations {
    QHash<QString, QString> byId;
    QHash<QString, QString> byType; // by the type's last path segment ("notesSlide")
};

QString relsName(const QString &part)
{
    const qsizetype slash = part.lastIndexOf(u'/');
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1)
        + QStringLiteral(".rels");
}

std::optional<Relations> readRelations(
    ZipPackage &zip, const QString &part, const ReadBudget &budget, QString &error)
{
    Relations rels;
    const QString name = relsName(part);
    if (!zip.contains(name))
        return rels;
    const auto bytes = zip.read(name, budget);
    if (!bytes) {
        error = zip.error();
        return std::nullopt;
    }
    const QString folder = part.left(part.lastIndexOf(u'/') + 1);
    XmlPart xml(*bytes, name, budget);
    while (xml.next()) {
        if (!xml.isStart(u"Relationship") || xml.attribute(u"TargetMode") == u"External")
            continue;
        const QString target = xml.attribute(u"Target");
        // Targets are relative to the part's folder, or absolute from the package root.
        const QString full = target.startsWith(u'/') ? QDir::cleanPath(target.mid(1))
                                                     : QDir::cleanPath(folder + target);
        rels.byId.insert(xml.attribute(u"Id"), full);
        const QString type = xml.attribute(u"Type").section(u'/', -1);
        if (!rels.byType.contains(type))
            rels.byType.insert(type, full);
    }
    if (!xml.error().isEmpty()) {
        error = xml.error();
        return std::nullopt;
    }
    return rels;
}

// The shapes' paragraphs of one slide or notes page, by placeholder type ("title", "body").
struct ShapeText {
    QString placeholder;
    QStringList paragraphs;
};

QList<ShapeText> readShapes(XmlPart &xml)
{
    QList<ShapeText> shapes;
    int shapeDepth = 0;
    QString paragraph;
    bool inParagraph = false;
    bool inText = false;
    int depth = 0;
    while (xml.next()) {
        QXmlStreamReader &r = xml.reader();
        if (r.isStartElement()) {
            ++depth;
            const QStringView name = r.name();
            if (name == u"sp" && shapeDepth == 0) {
                shapeDepth = depth;
                shapes.append(ShapeText());
            } else if (shapeDepth == 0) {
                continue;
            } else if (name == u"ph") {
                const QString type = xml.attribute(u"type");
                // A placeholder without a type is the body ("obj" is PowerPoint's other name).
                shapes.last().placeholder
                    = type.isEmpty() || type == u"obj" ? QStringLiteral("body") : type;
            } else if (name == u"p") {
                inParagraph = true;
                paragraph.clear();
            } else if (name == u"t") {
                inText = true;
            } else if (name == u"br" && inParagraph) {
                paragraph += u'\n';
            }
        } else if (r.isEndElement()) {
            const QStringView name = r.name();
            if (name == u"t") {
                inText = false;
            } else if (name == u"p" && inParagraph) {
                inParagraph = false;
                shapes.last().paragraphs.append(paragraph);
            } else if (name == u"sp" && depth == shapeDepth) {
                shapeDepth = 0;
            }
            --depth;
        } else if (r.isCharacters() && inText && inParagraph) {
            paragraph += r.text();
        }
    }
    return shapes;
}

std::optional<QList<ShapeText>> shapesOf(
    ZipPackage &zip, const QString &part, const ReadBudget &budget, QString &error)
{
    QList<ShapeText> shapes;
    error = readZipXml(zip, part, budget, [&](XmlPart &xml) { shapes = readShapes(xml); });
    if (!error.isEmpty())
        return std::nullopt;
    return shapes;
}

} // namespace

ReadResult readPptx(const QByteArray &bytes, const ReadBudget &budget)
{
    ZipPackage zip(bytes);
    if (!zip.open())
        return ReadResult::fail(zip.error());
    const QString presentation = QStringLiteral("ppt/presentation.xml");
    if (!zip.contains(presentation))
        return ReadResult::fail(QStringLiteral("it is not a PowerPoint presentation (.pptx)"));

    QString error;
    const auto rels = readRelations(zip, presentation, budget, error);
    if (!rels)
        return ReadResult::fail(error);
    // The slides in show order are the presentation's slide list, not the part names.
    QStringList slides;
    error = readZipXml(zip, presentation, budget, [&](XmlPart &xml) {
        while (xml.next()) {
            if (xml.isStart(u"sldId")) {
                const QString slide = rels->byId.value(xml.attribute(u"id", u"/relationships"));
                if (!slide.isEmpty())
                    slides.append(slide);
            }
        }
    });
    if (!error.isEmpty())
        return ReadResult::fail(error);

    DocumentText out;
    bool anyNotes = false;
    for (qsizetype i = 0; i < slides.size() && !out.full(); ++i) {
        const QString &slide = slides.at(i);
        if (!zip.contains(slide))
            continue;
        const auto shapes = shapesOf(zip, slide, budget, error);
        if (!shapes)
            return ReadResult::fail(error);
        QString title;
        for (const ShapeText &shape : *shapes) {
            if (shape.placeholder == u"title" || shape.placeholder == u"ctrTitle")
                title = shape.paragraphs.join(u' ');
        }
        if (title.simplified().isEmpty())
            title = QStringLiteral("Slide %1").arg(i + 1);
        out.addCue(title);

        const auto slideRels = readRelations(zip, slide, budget, error);
        if (!slideRels)
            return ReadResult::fail(error);
        const QString notes = slideRels->byType.value(QStringLiteral("notesSlide"));
        if (notes.isEmpty() || !zip.contains(notes))
            continue;
        const auto noteShapes = shapesOf(zip, notes, budget, error);
        if (!noteShapes)
            return ReadResult::fail(error);
        // The notes placeholder, and any text box the presenter added to the notes page; not
        // the slide's picture, its number, or the page's header, footer and date.
        static const QStringList furniture {QStringLiteral("sldImg"), QStringLiteral("sldNum"),
            QStringLiteral("hdr"), QStringLiteral("ftr"), QStringLiteral("dt")};
        for (const ShapeText &shape : *noteShapes) {
            if (furniture.contains(shape.placeholder))
                continue;
            for (const QString &paragraph : shape.paragraphs) {
                out.addParagraph(paragraph);
                anyNotes = anyNotes || !paragraph.trimmed().isEmpty();
            }
        }
    }
    if (!anyNotes)
        return ReadResult::fail(QStringLiteral("its slides have no speaker notes"));
    return ReadResult::of(out.text());
}

} // namespace qm
