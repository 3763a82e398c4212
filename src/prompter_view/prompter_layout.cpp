// SPDX-License-Identifier: GPL-3.0-or-later
#include "prompter_layout.h"

#include "ui/fonts.h"

#include <QTextLayout>

#include <algorithm>

namespace qm {

namespace {

struct Laid {
    std::shared_ptr<QTextLayout> layout;
    double height = 0;
    double naturalWidth = 0;
};

// Wraps `text` at `width` with `extra` points between lines. Line feeds inside a body become
// line separators so blank lines inside a paragraph keep their height.
Laid layoutText(const QString &text, const QFont &font, double width, double extra)
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
    // Keep the shaped glyphs: the tiles are drawn from them again whenever they scroll in.
    layout->setCacheEnabled(true);

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

ColumnLayout layoutColumn(const QList<ScriptSection> &sections, double width, double fontSize)
{
    ColumnLayout out;
    out.width = std::max(width, column::kMinWidth);
    out.fontSize = fontSize;
    out.empty = sections.isEmpty();

    const QFont body = fonts::system(fontSize, QFont::Medium);
    double y = column::kTopPadding;

    if (out.empty) {
        Laid message = layoutText(emptyScriptMessage(), body, out.width, 0);
        out.blocks.append({TextBlock::Role::EmptyMessage, std::move(message.layout), QPointF(0, y),
            QRectF(0, y, out.width, message.height)});
        out.contentHeight = y + message.height;
        return out;
    }

    const QFont heading = trackedFont(
        fonts::rounded(cueHeadingSize(fontSize), QFont::Bold), column::kHeadingTracking);
    const double rowSpacing = fontSize * column::kRowSpacing;
    const double sectionSpacing = fontSize * column::kSectionSpacing;
    const double lineSpacing = fontSize * column::kBodyLineSpacing;

    bool firstRow = true;
    for (const ScriptSection &section : sections) {
        if (!firstRow)
            y += rowSpacing;
        firstRow = false;
        const double top = y;
        double inner = 0;
        bool hasContent = false;
        if (section.cue) {
            Laid laid = layoutText(section.cue->toUpper(), heading, out.width, 0);
            out.blocks.append({TextBlock::Role::Heading, std::move(laid.layout), QPointF(0, top),
                QRectF(0, top, out.width, laid.height)});
            inner = laid.height;
            hasContent = true;
        }
        if (!section.body.isEmpty()) {
            if (hasContent)
                inner += sectionSpacing;
            Laid laid = layoutText(section.body, body, out.width, lineSpacing);
            out.blocks.append({TextBlock::Role::Body, std::move(laid.layout),
                QPointF(0, top + inner), QRectF(0, top + inner, out.width, laid.height)});
            inner += laid.height;
        }
        out.rows.append({section.id, top, inner});
        out.cueOffsets.insert(section.id, top);
        y = top + inner;
    }

    // The end marker is one more row of the stack, with its own padding on top.
    y += rowSpacing;
    EndMarker end;
    end.y = y;
    const double textTop = y + column::kEndTopPadding;
    Laid text = layoutText(QStringLiteral("END"),
        trackedFont(fonts::rounded(column::kEndTextSize, QFont::Bold), column::kEndTracking),
        out.width, 0);
    const double textWidth = text.naturalWidth;
    const double lineWidth = std::max(0.0, (out.width - textWidth - 2 * column::kEndSpacing) / 2);
    const double textX = lineWidth + column::kEndSpacing;
    const double middle = textTop + text.height / 2;
    end.text = QRectF(textX, textTop, textWidth, text.height);
    end.leftLine = QRectF(0, middle - 0.5, lineWidth, 1);
    end.rightLine = QRectF(textX + textWidth + column::kEndSpacing, middle - 0.5, lineWidth, 1);
    out.blocks.append(
        {TextBlock::Role::EndText, std::move(text.layout), end.text.topLeft(), end.text});
    out.end = end;
    out.contentHeight = textTop + end.text.height();
    return out;
}

} // namespace qm
