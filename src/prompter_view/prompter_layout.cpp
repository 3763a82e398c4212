// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_layout.h"

#include "ui/fonts.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QTextLayout>

#include <limits>

#include <algorithm>

namespace qm {

namespace {

struct Laid {
    std::shared_ptr<QTextLayout> layout;
    double height = 0;
    double naturalWidth = 0;
};

// Wraps `text` at `width` with `extra` points between lines. Line feeds inside a body become
// line separators so blank lines inside a paragraph keep their height. With `keepGlyphs` false
// the shaped glyphs are dropped once the lines are measured: a long script would otherwise keep
// every glyph of its text in memory.
Laid layoutText(const QString &text, const QFont &font, double width, double extra, bool keepGlyphs)
{
    QString shaped = text;
    shaped.replace(QLatin1Char('\n'), QChar::LineSeparator);
    // Grey-scale antialiasing only: the glyphs land on a transparent tile that may be mirrored.
    QFont grey = font;
    grey.setStyleStrategy(QFont::StyleStrategy(grey.styleStrategy() | QFont::NoSubpixelAntialias));
    auto layout = std::make_shared<QTextLayout>(shaped, grey);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setAlignment(Qt::AlignLeft);
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
    return layoutText(
        block.layout->text(), block.layout->font(), block.width, block.lineExtra, true)
        .layout;
}

struct ColumnLayouter::Fonts {
    QFont body;
    QFont heading;
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
    f.heading = trackedFont(
        fonts::rounded(cueHeadingSize(fontSize), QFont::Bold), column::kHeadingTracking);
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

void ColumnLayouter::layOutSection(const ScriptSection &section)
{
    const Fonts &f = *m_fonts;
    if (m_next > 0)
        m_y += f.rowSpacing;
    const double top = m_y;
    double inner = 0;
    bool hasContent = false;
    if (section.cue) {
        Laid laid = layoutText(section.cue->toUpper(), f.heading, m_out.width, 0, false);
        inner = laid.height;
        m_out.blocks.append(makeBlock(
            TextBlock::Role::Heading, std::move(laid), QPointF(0, top), m_out.width, 0));
        hasContent = true;
    }
    if (!section.body.isEmpty()) {
        if (hasContent)
            inner += f.sectionSpacing;
        Laid laid = layoutText(section.body, f.body, m_out.width, f.lineSpacing, false);
        m_bodyChars += section.body.size();
        m_bodyLines += laid.layout->lineCount();
        const double height = laid.height;
        m_out.blocks.append(makeBlock(TextBlock::Role::Body, std::move(laid),
            QPointF(0, top + inner), m_out.width, f.lineSpacing));
        inner += height;
    }
    m_out.rows.append({section.id, top, inner});
    m_out.cueOffsets.insert(section.id, top);
    m_y = top + inner;
    m_out.exactUntil = m_y;
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
    const double lineWidth
        = std::max(0.0, (m_out.width - textWidth - 2 * column::kEndSpacing) / 2);
    const double textX = lineWidth + column::kEndSpacing;
    const double middle = textTop + text.height / 2;
    end.text = QRectF(textX, textTop, textWidth, text.height);
    end.leftLine = QRectF(0, middle - 0.5, lineWidth, 1);
    end.rightLine = QRectF(textX + textWidth + column::kEndSpacing, middle - 0.5, lineWidth, 1);
    TextBlock block = makeBlock(TextBlock::Role::EndText, std::move(text), end.text.topLeft(),
        m_out.width, 0);
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
        layOutSection(m_sections.at(m_next));
        if (budget >= 0 && double(clock.nsecsElapsed()) / 1e9 >= budget)
            return false;
    }
    if (m_next >= m_sections.size())
        finish();
    return m_complete;
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
        const double perLine = m_bodyLines > 0 ? std::max(1.0, m_bodyChars / m_bodyLines)
                                               : f.charsPerLine;
        const double lines = std::max(1.0, std::ceil(section.body.size() / perLine))
            + double(section.body.count(QLatin1Char('\n')));
        height += lines * f.bodyLine + (lines - 1) * f.lineSpacing;
    }
    return height;
}

ColumnLayout ColumnLayouter::snapshot() const
{
    ColumnLayout out = m_out;
    if (m_complete)
        return out;
    double y = m_y;
    for (qsizetype i = m_next; i < m_sections.size(); ++i) {
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
