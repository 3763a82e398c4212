// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_layout.h"

#include "model/text_direction.h"
#include "ui/fonts.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QTextLayout>

#include <limits>

#include <algorithm>

namespace qm {

namespace {

// A body longer than this is laid out in pieces of about this many characters.
constexpr qsizetype kPieceChars = 2000;

struct Laid {
    std::shared_ptr<QTextLayout> layout;
    double height = 0;
    double naturalWidth = 0;
};

// Wraps `text` at `width` with `extra` points between lines. Line feeds inside a body become
// line separators so blank lines inside a paragraph keep their height. With `keepGlyphs` false
// the shaped glyphs are dropped once the lines are measured: a long script would otherwise keep
// every glyph of its text in memory.
Laid layoutText(const QString &text, const QFont &font, double width, double extra, bool keepGlyphs,
    Qt::LayoutDirection direction = Qt::LayoutDirectionAuto)
{
    QString shaped = text;
    shaped.replace(QLatin1Char('\n'), QChar::LineSeparator);
    // Grey-scale antialiasing only: the glyphs land on a transparent tile that may be mirrored.
    QFont grey = font;
    grey.setStyleStrategy(QFont::StyleStrategy(grey.styleStrategy() | QFont::NoSubpixelAntialias));
    auto layout = std::make_shared<QTextLayout>(shaped, grey);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // A text read from the right starts at the right edge, where the eye looks for it. Qt's
    // layout takes the alignment as given, whatever the direction.
    const bool rightToLeft = direction == Qt::RightToLeft
        || (direction == Qt::LayoutDirectionAuto && QStringView(shaped).isRightToLeft());
    option.setAlignment(rightToLeft ? Qt::AlignRight : Qt::AlignLeft);
    option.setTextDirection(direction);
    layout->setTextOption(option);
    layout->setCacheEnabled(keepGlyphs);

    Laid laid;
    double y = 0;
    bool first = true;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(width);
        if (!first)
            y += extra;
        first = false;
        line.setPosition(QPointF(0, y));
        // QTextLine::height() rounds up to whole pixels; the column keeps the font's own
        // fractional line height so positions do not drift by a pixel every few lines.
        y += line.ascent() + line.descent() + line.leading();
        laid.naturalWidth = std::max(laid.naturalWidth, line.naturalTextWidth());
    }
    layout->endLayout();
    laid.height = y;
    laid.layout = std::move(layout);
    return laid;
}

TextBlock makeBlock(TextBlock::Role role, Laid laid, QPointF origin, double width, double extra)
{
    TextBlock block;
    block.role = role;
    block.layout = std::move(laid.layout);
    block.origin = origin;
    block.rect = QRectF(origin.x(), origin.y(), width, laid.height);
    block.width = width;
    block.lineExtra = extra;
    return block;
}

QFont trackedFont(QFont font, double tracking)
{
    font.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return font;
}

// The next piece of a body from `from` up to `end` (the body's end, or a line feed where the
// direction of the text changes): whole lines, at most about kPieceChars long, so that no
// single step of the layout takes long whatever the text. A piece ends before a line feed where
// one is near enough; otherwise a long paragraph is laid out a bounded stretch at a time,
// keeping only the lines that the rest of the paragraph cannot change (all but the stretch's
// last line, which may have been cut short).
struct Piece {
    qsizetype length = 0; // characters of the body in the piece
    qsizetype next = 0; // where the following piece starts
};

Piece nextPiece(const QString &body, qsizetype from, qsizetype end, const QFont &font, double width,
    Qt::LayoutDirection direction)
{
    const qsizetype left = end - from;
    if (left <= kPieceChars)
        return {left, end < body.size() ? end + 1 : end};
    const qsizetype feed = body.lastIndexOf(QLatin1Char('\n'), from + kPieceChars);
    if (feed > from)
        return {feed - from, feed + 1};
    qsizetype stretch = kPieceChars;
    // Never between the halves of a surrogate pair.
    if (body.at(from + stretch - 1).isHighSurrogate() && body.at(from + stretch).isLowSurrogate())
        --stretch;
    const Laid laid = layoutText(body.mid(from, stretch), font, width, 0, false, direction);
    const int lines = laid.layout->lineCount();
    if (lines < 2)
        return {stretch, from + stretch};
    const qsizetype kept = laid.layout->lineAt(lines - 1).textStart();
    return {kept, from + kept};
}

// Each paragraph of a body is read in its own direction. From `from`, the start of a paragraph,
// a run of paragraphs read one way is laid out as one piece: a paragraph without a direction of
// its own (blank, digits) goes with the one before it, or at the start with the first one after
// it. Only the next kPieceChars or so are looked at, which is as far as one piece reaches.
struct DirectionRun {
    Qt::LayoutDirection direction = Qt::LeftToRight;
    // The line feed before the first paragraph read the other way, or the body's end.
    qsizetype end = 0;
    // No turn within what was looked at, which did not reach the body's end: the run is looked
    // at again from the next paragraph on.
    bool open = false;
};

DirectionRun directionRun(const QString &body, qsizetype from, Qt::LayoutDirection before)
{
    const qsizetype limit = std::min(body.size(), from + kPieceChars + 1);
    DirectionRun run;
    run.direction = before;
    run.end = body.size();
    qsizetype start = from;
    while (start < limit) {
        qsizetype feed = body.indexOf(QLatin1Char('\n'), start);
        if (feed < 0)
            feed = body.size();
        const Qt::LayoutDirection own
            = paragraphDirection(QStringView(body).sliced(start, feed - start));
        if (own != Qt::LayoutDirectionAuto && own != run.direction) {
            // The run's own first paragraph, or blank ones before it, set its direction.
            if (start == from || run.direction == Qt::LayoutDirectionAuto) {
                run.direction = own;
            } else {
                run.end = start - 1;
                break;
            }
        }
        start = feed + 1;
    }
    run.open = run.end == body.size() && start < body.size();
    if (run.direction == Qt::LayoutDirectionAuto)
        run.direction = Qt::LeftToRight;
    return run;
}

} // namespace

QString emptyScriptMessage()
{
    return QStringLiteral("Your script is empty. Add a few lines in Quillmere.");
}

double cueHeadingSize(double fontSize)
{
    return std::max(fontSize * column::kHeadingScale, column::kMinHeadingSize);
}

std::shared_ptr<QTextLayout> shapeBlock(const TextBlock &block)
{
    // The layout's text already has its line separators; the same text, font, width and
    // spacing break into the same lines.
    return layoutText(block.layout->text(), block.layout->font(), block.width, block.lineExtra,
        true, block.layout->textOption().textDirection())
        .layout;
}

struct ColumnLayouter::Fonts {
    QFont body;
    QFont heading;
    QFont joinedHeading; // without the tracking, for letters that join
    double rowSpacing = 0;
    double sectionSpacing = 0;
    double lineSpacing = 0;
    // For estimates: one line's height in each font, and a first guess at characters per line.
    double bodyLine = 0;
    double headingLine = 0;
    double endLine = 0;
    double charsPerLine = 1;
};

ColumnLayouter::ColumnLayouter(QList<ScriptSection> sections, double width, double fontSize)
    : m_sections(std::move(sections))
    , m_fonts(std::make_unique<Fonts>())
{
    m_out.width = std::max(width, column::kMinWidth);
    m_out.fontSize = fontSize;
    m_out.empty = m_sections.isEmpty();
    m_out.complete = false;
    m_y = column::kTopPadding;
    m_out.exactUntil = m_y;

    Fonts &f = *m_fonts;
    f.body = fonts::system(fontSize, QFont::Medium);
    f.joinedHeading = fonts::rounded(cueHeadingSize(fontSize), QFont::Bold);
    f.heading = trackedFont(f.joinedHeading, column::kHeadingTracking);
    f.rowSpacing = fontSize * column::kRowSpacing;
    f.sectionSpacing = fontSize * column::kSectionSpacing;
    f.lineSpacing = fontSize * column::kBodyLineSpacing;
    const QFontMetricsF body(f.body);
    const QFontMetricsF heading(f.heading);
    f.bodyLine = body.ascent() + body.descent() + std::max(0.0, body.leading());
    f.headingLine = heading.ascent() + heading.descent() + std::max(0.0, heading.leading());
    f.endLine = QFontMetricsF(fonts::rounded(column::kEndTextSize, QFont::Bold)).height();
    f.charsPerLine = std::max(1.0, m_out.width / std::max(1.0, body.averageCharWidth()));

    if (m_out.empty) {
        Laid message = layoutText(emptyScriptMessage(), f.body, m_out.width, 0, false);
        const double height = message.height;
        m_out.blocks.append(makeBlock(
            TextBlock::Role::EmptyMessage, std::move(message), QPointF(0, m_y), m_out.width, 0));
        m_out.contentHeight = m_y + height;
        m_out.exactUntil = m_out.contentHeight;
        m_out.complete = true;
        m_complete = true;
    }
}

ColumnLayouter::~ColumnLayouter() = default;

void ColumnLayouter::layOutStep()
{
    const Fonts &f = *m_fonts;
    const ScriptSection &section = m_sections.at(m_next);
    Partial &p = m_partial;
    if (!p.active) {
        if (m_next > 0)
            m_y += f.rowSpacing;
        p = Partial {};
        p.active = true;
        p.top = m_y;
        if (section.cue) {
            const QString cue = section.cue->toUpper();
            Laid laid = layoutText(
                cue, hasJoiningLetters(cue) ? f.joinedHeading : f.heading, m_out.width, 0, false);
            p.inner = laid.height;
            m_out.blocks.append(makeBlock(
                TextBlock::Role::Heading, std::move(laid), QPointF(0, p.top), m_out.width, 0));
            if (!section.body.isEmpty())
                p.inner += f.sectionSpacing;
        }
    }
    if (p.bodyAt < section.body.size()) {
        // A piece that starts a paragraph starts a new run of one direction where the text
        // turns the other way; a piece inside a long paragraph keeps the paragraph's.
        const bool paragraphStart
            = p.bodyAt == 0 || section.body.at(p.bodyAt - 1) == QLatin1Char('\n');
        if (p.bodyAt >= p.runEnd || (p.runOpen && paragraphStart)) {
            const DirectionRun run = directionRun(
                section.body, p.bodyAt, p.bodyAt == 0 ? Qt::LayoutDirectionAuto : p.direction);
            p.direction = run.direction;
            p.runEnd = run.end;
            p.runOpen = run.open;
        }
        const Piece piece
            = nextPiece(section.body, p.bodyAt, p.runEnd, f.body, m_out.width, p.direction);
        const QString text = piece.length == section.body.size()
            ? section.body
            : section.body.mid(p.bodyAt, piece.length);
        // Pieces stack as the lines of one text would, with the body's spacing between them.
        if (p.bodyAt > 0)
            p.inner += f.lineSpacing;
        Laid laid = layoutText(text, f.body, m_out.width, f.lineSpacing, false, p.direction);
        m_bodyChars += text.size();
        m_bodyLines += laid.layout->lineCount();
        const double height = laid.height;
        m_out.blocks.append(makeBlock(TextBlock::Role::Body, std::move(laid),
            QPointF(0, p.top + p.inner), m_out.width, f.lineSpacing));
        m_out.blocks.last().continuesText
            = p.bodyAt > 0 && section.body.at(p.bodyAt - 1) != QLatin1Char('\n');
        p.inner += height;
        p.bodyAt = piece.next;
        m_out.exactUntil = p.top + p.inner;
        if (p.bodyAt < section.body.size())
            return;
    }
    m_out.rows.append({section.id, p.top, p.inner});
    m_out.cueOffsets.insert(section.id, p.top);
    m_y = p.top + p.inner;
    m_out.exactUntil = m_y;
    p.active = false;
    ++m_next;
}

void ColumnLayouter::finish()
{
    // The end marker is one more row of the stack, with its own padding on top.
    double y = m_y + m_fonts->rowSpacing;
    EndMarker end;
    end.y = y;
    const double textTop = y + column::kEndTopPadding;
    Laid text = layoutText(QStringLiteral("END"),
        trackedFont(fonts::rounded(column::kEndTextSize, QFont::Bold), column::kEndTracking),
        m_out.width, 0, false);
    const double textWidth = text.naturalWidth;
    const double lineWidth = std::max(0.0, (m_out.width - textWidth - 2 * column::kEndSpacing) / 2);
    const double textX = lineWidth + column::kEndSpacing;
    const double middle = textTop + text.height / 2;
    end.text = QRectF(textX, textTop, textWidth, text.height);
    end.leftLine = QRectF(0, middle - 0.5, lineWidth, 1);
    end.rightLine = QRectF(textX + textWidth + column::kEndSpacing, middle - 0.5, lineWidth, 1);
    TextBlock block
        = makeBlock(TextBlock::Role::EndText, std::move(text), end.text.topLeft(), m_out.width, 0);
    block.rect = end.text;
    m_out.blocks.append(std::move(block));
    m_out.end = end;
    m_out.contentHeight = textTop + end.text.height();
    m_out.exactUntil = m_out.contentHeight;
    m_out.complete = true;
    m_complete = true;
}

bool ColumnLayouter::advance(double y, double budget)
{
    if (m_complete)
        return true;
    QElapsedTimer clock;
    clock.start();
    while (m_next < m_sections.size() && m_out.exactUntil < y) {
        layOutStep();
        if (budget >= 0 && double(clock.nsecsElapsed()) / 1e9 >= budget)
            return false;
    }
    if (m_next >= m_sections.size())
        finish();
    return m_complete;
}

double ColumnLayouter::estimatedBodyHeight(QStringView body) const
{
    const Fonts &f = *m_fonts;
    const double perLine
        = m_bodyLines > 0 ? std::max(1.0, m_bodyChars / m_bodyLines) : f.charsPerLine;
    const double lines = std::max(1.0, std::ceil(double(body.size()) / perLine))
        + double(body.count(QLatin1Char('\n')));
    return lines * f.bodyLine + (lines - 1) * f.lineSpacing;
}

double ColumnLayouter::estimatedHeight(const ScriptSection &section) const
{
    const Fonts &f = *m_fonts;
    double height = 0;
    if (section.cue)
        height += f.headingLine;
    if (!section.body.isEmpty()) {
        if (section.cue)
            height += f.sectionSpacing;
        height += estimatedBodyHeight(section.body);
    }
    return height;
}

ColumnLayout ColumnLayouter::snapshot() const
{
    ColumnLayout out = m_out;
    if (m_complete)
        return out;
    double y = m_y;
    qsizetype i = m_next;
    if (m_partial.active) {
        // The section being laid out: exact down to its last piece, estimated below it.
        const ScriptSection &section = m_sections.at(i);
        out.cueOffsets.insert(section.id, m_partial.top);
        y = m_partial.top + m_partial.inner;
        const QStringView rest = QStringView(section.body).mid(m_partial.bodyAt);
        if (!rest.isEmpty())
            y += m_fonts->lineSpacing + estimatedBodyHeight(rest);
        ++i;
    }
    for (; i < m_sections.size(); ++i) {
        if (i > 0)
            y += m_fonts->rowSpacing;
        const ScriptSection &section = m_sections.at(i);
        out.cueOffsets.insert(section.id, y);
        y += estimatedHeight(section);
    }
    out.contentHeight = y + m_fonts->rowSpacing + column::kEndTopPadding + m_fonts->endLine;
    return out;
}

ColumnLayout layoutColumn(const QList<ScriptSection> &sections, double width, double fontSize)
{
    ColumnLayouter layouter(sections, width, fontSize);
    layouter.advance(std::numeric_limits<double>::infinity());
    return layouter.snapshot();
}

} // namespace qm
