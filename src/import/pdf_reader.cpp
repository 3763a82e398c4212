// SPDX-License-Identifier: GPL-3.0-or-later
#include "pdf_reader.h"

#include "document_text.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QVariant>

#include <algorithm>
#include <limits>

#include <poppler-qt6.h>

namespace qm {

namespace {

bool abortWhenSpent(const QVariant &closure)
{
    const auto *budget = reinterpret_cast<const ReadBudget *>(closure.value<quintptr>());
    return budget && budget->exhausted();
}

// Ligatures a PDF's fonts map single glyphs to ("ﬁ") read as their letters.
QString unligature(QString text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u >= 0xFB00 && u <= 0xFB06) {
            const QString letters = text.mid(i, 1).normalized(QString::NormalizationForm_KC);
            text.replace(i, 1, letters);
            i += letters.size() - 1;
        }
    }
    return text;
}

// Headers and footers differ from page to page only in their numbers.
QString repeatKey(const QString &line)
{
    static const QRegularExpression digits(QStringLiteral("\\d+"));
    return QString(line).replace(digits, QStringLiteral("#")).simplified();
}

// The lines among the first and last two of most pages that say the same thing on each.
QList<QList<PdfLine>> withoutRunningLines(const QList<QList<PdfLine>> &pages)
{
    const qsizetype count = pages.size();
    if (count < 2)
        return pages;
    auto edges = [](const QList<PdfLine> &page) {
        QList<qsizetype> at;
        for (qsizetype i = 0; i < page.size(); ++i) {
            if (i < 2 || i >= page.size() - 2)
                at.append(i);
        }
        return at;
    };
    QHash<QString, int> seen;
    for (const QList<PdfLine> &page : pages) {
        QSet<QString> keys;
        for (const qsizetype i : edges(page))
            keys.insert(repeatKey(page.at(i).text));
        for (const QString &key : keys)
            ++seen[key];
    }
    // Every page, or all but one (a title page usually goes without).
    const int needed = count <= 2 ? int(count) : int(count - 1);
    QList<QList<PdfLine>> out;
    for (const QList<PdfLine> &page : pages) {
        QList<PdfLine> kept;
        const QList<qsizetype> at = edges(page);
        for (qsizetype i = 0; i < page.size(); ++i) {
            if (at.contains(i) && seen.value(repeatKey(page.at(i).text)) >= needed)
                continue;
            kept.append(page.at(i));
        }
        out.append(kept);
    }
    return out;
}

double medianOf(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// The size of the body text: the type most of the characters are set in.
double bodySize(const QList<QList<PdfLine>> &pages)
{
    QHash<int, qsizetype> chars;
    for (const QList<PdfLine> &page : pages) {
        for (const PdfLine &line : page)
            chars[qRound(line.size * 2)] += line.text.size();
    }
    int best = 0;
    qsizetype most = -1;
    for (auto it = chars.cbegin(); it != chars.cend(); ++it) {
        if (it.value() > most) {
            most = it.value();
            best = it.key();
        }
    }
    return best / 2.0;
}

// Footnotes: lines in smaller type than the body at the very foot of a page.
QList<QList<PdfLine>> withoutFootnotes(QList<QList<PdfLine>> pages, double body)
{
    for (QList<PdfLine> &page : pages) {
        while (!page.isEmpty() && page.constLast().size < 0.9 * body)
            page.removeLast();
    }
    return pages;
}

bool endsHyphenated(const QString &line)
{
    if (line.size() < 2)
        return false;
    const QChar last = line.back();
    return (last == u'-' || last == QChar(0x2010) || last == QChar(0x00AD))
        && line.at(line.size() - 2).isLetter();
}

// Joins `next` onto the paragraph `text`, undoing a hyphenation at the line break.
void joinLine(QString &text, const QString &next)
{
    if (text.isEmpty()) {
        text = next;
    } else if (endsHyphenated(text) && !next.isEmpty() && next.front().isLower()) {
        text.chop(1);
        text += next;
    } else {
        text += u' ' + next;
    }
}

bool endsSentence(const QString &text)
{
    static const QString closers = QStringLiteral(".!?:;\"”’)»");
    return !text.isEmpty() && closers.contains(text.back());
}

struct PdfWord {
    QString text;
    QRectF box;
    bool spaceAfter = false;
};

// A page's words as lines, top to bottom and each left to right. Poppler's own order follows
// the blocks it finds, which splits a justified or tabbed line into pieces.
QList<PdfLine> linesOf(QList<PdfWord> words)
{
    std::sort(words.begin(), words.end(),
        [](const PdfWord &a, const PdfWord &b) { return a.box.center().y() < b.box.center().y(); });
    QList<QList<PdfWord>> rows;
    for (const PdfWord &word : words) {
        if (!rows.isEmpty()) {
            const QRectF &first = rows.last().constFirst().box;
            if (std::abs(word.box.center().y() - first.center().y()) < 0.5 * first.height()) {
                rows.last().append(word);
                continue;
            }
        }
        rows.append({word});
    }
    QList<PdfLine> lines;
    for (QList<PdfWord> &row : rows) {
        std::sort(row.begin(), row.end(),
            [](const PdfWord &a, const PdfWord &b) { return a.box.left() < b.box.left(); });
        QList<double> heights;
        QList<double> bottoms;
        for (const PdfWord &word : row) {
            heights.append(word.box.height());
            bottoms.append(word.box.bottom());
        }
        const double size = medianOf(heights);
        const double baseline = medianOf(bottoms);
        PdfLine line;
        line.size = size;
        const PdfWord *previous = nullptr;
        for (const PdfWord &word : row) {
            // Note marks: small raised digits after a word ("users¹").
            if (word.box.height() < 0.75 * size && word.box.bottom() < baseline - 0.2 * size
                && std::all_of(word.text.cbegin(), word.text.cend(),
                    [](QChar c) { return c.isDigit() || c == u'*' || c == QChar(0x2020); }))
                continue;
            if (previous
                && (previous->spaceAfter || word.box.left() - previous->box.right() > 0.15 * size))
                line.text += u' ';
            line.text += word.text;
            line.box = line.box.isNull() ? word.box : line.box.united(word.box);
            previous = &word;
        }
        line.text = line.text.simplified();
        if (!line.text.isEmpty())
            lines.append(line);
    }
    return lines;
}

} // namespace

QStringList pdfParagraphs(const QList<QList<PdfLine>> &pages)
{
    QStringList paragraphs;
    QString current;
    bool currentIsHeading = false;
    auto close = [&] {
        if (current.isEmpty())
            return;
        paragraphs.append(currentIsHeading ? QStringLiteral("# ") + current : current);
        current.clear();
    };
    const double body = bodySize(pages);
    const QList<QList<PdfLine>> kept = withoutFootnotes(withoutRunningLines(pages), body);
    for (const QList<PdfLine> &page : kept) {
        double right = 0;
        for (const PdfLine &line : page) {
            right = std::max(right, line.box.right());
        }
        for (qsizetype i = 0; i < page.size(); ++i) {
            const PdfLine &line = page.at(i);
            const QString &text = line.text;
            // Larger type than the body: a heading, which is a paragraph of its own.
            const bool heading = line.size > 1.12 * body && text.size() <= 120;
            bool breaks = current.isEmpty() || heading != currentIsHeading;
            if (!breaks && i == 0) {
                // Across a page break a paragraph goes on only mid-sentence.
                breaks = endsSentence(current) || !text.front().isLower();
            } else if (!breaks) {
                const PdfLine &above = page.at(i - 1);
                const double size = std::max(1.0, above.size);
                const double gap = line.box.top() - above.box.bottom();
                // About the width of this line's first word, from the narrower of the two
                // lines' characters (a justified line's are stretched), on the short side.
                const qsizetype space = text.indexOf(u' ');
                const qsizetype firstWord = space < 0 ? text.size() : space;
                const double charWidth = std::min(line.box.width() / double(text.size()),
                    above.box.width() / double(std::max<qsizetype>(1, above.text.size())));
                const double wordWidth = 0.85 * charWidth * double(firstWord);
                // A paragraph's lines sit close, in one size, and each but its last is full:
                // a wider gap, a change of size, a line above the last (a new block) or one
                // that stopped short although the next line's first word would have fitted
                // starts a new one.
                breaks = gap > 0.8 * size || line.box.top() < above.box.top()
                    || std::abs(line.size - above.size) > 0.1 * size
                    || right - above.box.right() > wordWidth;
            }
            if (breaks)
                close();
            currentIsHeading = heading;
            joinLine(current, text);
        }
    }
    close();
    return paragraphs;
}

ReadResult readPdf(const QByteArray &bytes, const ReadBudget &budget)
{
    // Poppler prints what it finds wrong in a file ("Incorrect password") to the terminal;
    // the reason given here says it to the user instead.
    Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
    std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document)
        return ReadResult::fail(QStringLiteral("it is not a readable PDF"));
    if (document->isLocked())
        return ReadResult::fail(QStringLiteral("it is protected by a password"));
    const int pageCount = document->numPages();
    if (pageCount > kMaxPdfPages)
        return ReadResult::fail(QStringLiteral("it has more than %1 pages").arg(kMaxPdfPages));

    QList<QList<PdfLine>> pages;
    const QVariant closure = QVariant::fromValue(reinterpret_cast<quintptr>(&budget));
    qint64 chars = 0;
    for (int p = 0; p < pageCount; ++p) {
        if (budget.exhausted())
            return ReadResult::fail(reasons::tooSlow());
        const std::unique_ptr<Poppler::Page> page = document->page(p);
        QList<PdfWord> words;
        if (page) {
            const auto boxes = page->textList(Poppler::Page::Rotate0, &abortWhenSpent, closure);
            for (const std::unique_ptr<Poppler::TextBox> &box : boxes) {
                QString text = unligature(box->text());
                // Symbol-font bullets land in the private use area; they are no text.
                text.removeIf([](QChar c) { return c.category() == QChar::Other_PrivateUse; });
                if (text.trimmed().isEmpty())
                    continue;
                chars += text.size();
                words.append({text, box->boundingBox(), box->hasSpaceAfter()});
            }
        }
        const QList<PdfLine> lines = linesOf(words);
        if (budget.exhausted())
            return ReadResult::fail(reasons::tooSlow());
        if (chars > kMaxScriptChars)
            break;
        pages.append(lines);
    }
    DocumentText out;
    for (const QString &paragraph : pdfParagraphs(pages)) {
        if (paragraph.startsWith(QStringLiteral("# ")))
            out.addCue(paragraph.mid(2));
        else
            out.addParagraph(paragraph);
    }
    return ReadResult::of(out.text());
}

} // namespace qm
