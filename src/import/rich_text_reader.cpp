// SPDX-License-Identifier: GPL-3.0-or-later
#include "rich_text_reader.h"

#include "document_text.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

namespace qm {

namespace {

// A document that loads nothing it refers to: an imported page must not make Quillmere read
// other files (or /dev/zero) or wait on anything.
class SealedDocument final : public QTextDocument {
public:
    SealedDocument() = default;

protected:
    QVariant loadResource(int, const QUrl &) override { return {}; }
};

ReadResult blocksOf(const QTextDocument &document)
{
    DocumentText out;
    // Blank blocks in markup are spacing between elements, not paragraphs someone typed.
    out.setSkipEmpty(true);
    for (QTextBlock block = document.begin(); block.isValid() && !out.full();
         block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level >= 1 && level <= 3)
            out.addCue(block.text());
        else
            out.addParagraph(block.text());
    }
    return ReadResult::of(out.text());
}

} // namespace

ReadResult readHtml(const QString &html)
{
    SealedDocument document;
    document.setHtml(html);
    return blocksOf(document);
}

namespace {

// A YAML header ("---" … "---" or "..."), as pandoc and static site generators read: data
// about the text, not text.
QString withoutFrontMatter(const QString &markdown)
{
    if (!markdown.startsWith(QStringLiteral("---\n")))
        return markdown;
    qsizetype at = 4;
    while (at < markdown.size()) {
        const qsizetype end = markdown.indexOf(u'\n', at);
        const QStringView line
            = QStringView(markdown).mid(at, end < 0 ? markdown.size() - at : end - at);
        if (line.trimmed() == u"---" || line.trimmed() == u"...")
            return end < 0 ? QString() : markdown.mid(end + 1);
        if (end < 0)
            break;
        at = end + 1;
    }
    return markdown;
}

} // namespace

ReadResult readMarkdown(const QString &markdown)
{
    SealedDocument document;
    document.setMarkdown(withoutFrontMatter(markdown), QTextDocument::MarkdownDialectGitHub);
    return blocksOf(document);
}

} // namespace qm
