// SPDX-License-Identifier: GPL-3.0-or-later
#include "importer.h"

#include "docx_reader.h"
#include "odt_reader.h"
#include "pdf_reader.h"
#include "pptx_reader.h"
#include "rich_text_reader.h"
#include "rtf_reader.h"
#include "text_decoding.h"
#include "zip_package.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace qm {

namespace {

enum class Kind { Text, Markdown, Html, Rtf, Pdf, Docx, Odt, Pptx, Zip, OldOffice };

Kind kindByName(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"docx" || ext == u"docm" || ext == u"dotx")
        return Kind::Docx;
    if (ext == u"odt" || ext == u"ott")
        return Kind::Odt;
    if (ext == u"pptx" || ext == u"pptm" || ext == u"ppsx")
        return Kind::Pptx;
    if (ext == u"pdf")
        return Kind::Pdf;
    if (ext == u"html" || ext == u"htm" || ext == u"xhtml")
        return Kind::Html;
    if (ext == u"md" || ext == u"markdown" || ext == u"mdown" || ext == u"mkd")
        return Kind::Markdown;
    if (ext == u"rtf")
        return Kind::Rtf;
    if (ext == u"doc" || ext == u"ppt")
        return Kind::OldOffice;
    return Kind::Text;
}

// What the first bytes say, which wins over the name (a .txt that is really a .docx) except
// between formats sharing a container.
std::optional<Kind> kindByContent(const QByteArray &bytes)
{
    if (bytes.startsWith("%PDF-"))
        return Kind::Pdf;
    if (bytes.startsWith("{\\rtf"))
        return Kind::Rtf;
    if (bytes.startsWith("PK\x03\x04"))
        return Kind::Zip;
    if (bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return Kind::OldOffice;
    return std::nullopt;
}

// A zip chosen under another name: the parts inside tell the format.
Kind zipKind(const QByteArray &bytes)
{
    ZipPackage zip(bytes);
    if (!zip.open())
        return Kind::Docx; // its reader says what is wrong
    if (zip.contains(QStringLiteral("word/document.xml")))
        return Kind::Docx;
    if (zip.contains(QStringLiteral("ppt/presentation.xml")))
        return Kind::Pptx;
    if (zip.contains(QStringLiteral("content.xml")))
        return Kind::Odt;
    return Kind::Zip;
}

ReadResult readBytes(
    Kind kind, const QString &path, const QByteArray &bytes, const ReadBudget &budget)
{
    switch (kind) {
    case Kind::Docx:
        return readDocx(bytes, budget);
    case Kind::Odt:
        return readOdt(bytes, budget);
    case Kind::Pptx:
        return readPptx(bytes, budget);
    case Kind::Pdf:
        return readPdf(bytes, budget);
    case Kind::Rtf:
        return readRtf(path, budget);
    case Kind::Zip:
        return ReadResult::fail(
            QStringLiteral("it is a zip archive, not a document Quillmere reads"));
    case Kind::OldOffice:
        return ReadResult::fail(QStringLiteral(
            "it is in the old binary Office format; save it as .docx or .pptx and import that"));
    case Kind::Html: {
        // A page says its encoding in a byte-order mark or a meta tag; without either it is
        // read as any other text.
        if (QStringConverter::encodingForHtml(bytes)) {
            QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
            return readHtml(decoder.decode(bytes));
        }
        const ReadResult text = decodeText(bytes);
        return text.ok() ? readHtml(text.text) : text;
    }
    case Kind::Markdown: {
        const ReadResult text = decodeText(bytes);
        return text.ok() ? readMarkdown(text.text) : text;
    }
    case Kind::Text:
        break;
    }
    return decodeText(bytes);
}

} // namespace

QString scriptTitleForFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    // A leading dot names a hidden file rather than starting an extension.
    if (dot <= 0)
        return name;
    return name.left(dot);
}

QString importFailureMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Couldn't import “%1”: %2.").arg(QFileInfo(path).fileName(), reason);
}

ImportResult importScriptFile(const QString &path, const ReadBudget &budget)
{
    auto fail = [](QString reason) { return ImportResult {std::nullopt, std::move(reason)}; };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("it does not exist"));
    if (info.isDir())
        return fail(QStringLiteral("it is a folder"));
    // A pipe or a device could block the reader or never end.
    if (!info.isFile())
        return fail(QStringLiteral("it is not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    // One byte past the limit rather than the size stated before reading: the file may grow.
    const QByteArray bytes = file.read(kMaxUnpackedBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("it cannot be read (%1)").arg(file.errorString()));
    if (bytes.size() > kMaxUnpackedBytes)
        return fail(reasons::tooLarge());
    if (bytes.isEmpty())
        return fail(QStringLiteral("it is empty"));

    Kind kind = kindByName(path);
    if (const std::optional<Kind> content = kindByContent(bytes))
        kind = *content == Kind::Zip ? zipKind(bytes) : *content;
    const ReadResult read = readBytes(kind, path, bytes, budget);
    if (!read.ok())
        return fail(read.error);
    if (budget.exhausted())
        return fail(reasons::tooSlow());
    if (read.text.trimmed().isEmpty())
        return fail(QStringLiteral("it has no text"));
    if (read.text.size() > kMaxScriptChars)
        return fail(QStringLiteral("its text is longer than a script can be (%1 million "
                                   "characters)")
                        .arg(kMaxScriptChars / 1024 / 1024));
    return {Script(scriptTitleForFile(path), read.text), QString()};
}

QString importFileFilter()
{
    return QStringLiteral(
        "Scripts and documents (*.txt *.text *.md *.markdown *.docx *.odt *.pptx *.pdf *.rtf "
        "*.html *.htm *.fountain *.srt *.vtt *.rst *.org *.adoc *.asc *.csv *.log);;"
        "Word documents (*.docx);;OpenDocument texts (*.odt);;"
        "PowerPoint speaker notes (*.pptx);;PDF documents (*.pdf);;Rich text (*.rtf);;"
        "Web pages (*.html *.htm);;Markdown (*.md *.markdown);;"
        "Text files (*.txt *.text *.fountain *.srt *.vtt *.rst *.org *.adoc *.asc *.csv *.log);;"
        "All files (*)");
}

} // namespace qm
