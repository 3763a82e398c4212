// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/sections.h"

#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

class QTextLayout;

namespace qm {

// The script column's geometry in points, measured from its top (the top padding included).
namespace column {
constexpr double kTopPadding = 8;
constexpr double kMinWidth = 10;
constexpr double kRowSpacing = 0.7; // × font size, between rows
constexpr double kSectionSpacing = 0.3; // × font size, between a cue heading and its body
constexpr double kBodyLineSpacing = 0.28; // × font size, extra space between body lines
constexpr double kHeadingScale = 0.55;
constexpr double kMinHeadingSize = 10;
constexpr double kHeadingTracking = 1.4;
constexpr double kEndTopPadding = 6;
constexpr double kEndTextSize = 10;
constexpr double kEndTracking = 1.6;
constexpr double kEndSpacing = 8;
} // namespace column

// The pixel size of cue headings: a fraction of the body size with a floor so they stay legible.
double cueHeadingSize(double fontSize);

// One run of laid-out text in the column. The layout's lines are positioned relative to
// `origin`; `rect` is the block's extent in column coordinates. The layout keeps its lines but
// not its shaped glyphs; drawing shapes the text again with shapeBlock().
struct TextBlock {
    enum class Role { Heading, Body, EmptyMessage, EndText };
    Role role = Role::Body;
    std::shared_ptr<const QTextLayout> layout;
    QPointF origin;
    QRectF rect;
    double width = 0; // wrapping width
    double lineExtra = 0; // extra points between lines
    // A later piece of a long body that goes straight on from the piece before, with no line
    // feed between them: a word may be cut between the two.
    bool continuesText = false;
};

// The block's text shaped and wrapped again, exactly as it was measured, ready to draw.
std::shared_ptr<QTextLayout> shapeBlock(const TextBlock &block);

struct ColumnRow {
    qint64 id = 0;
    double y = 0; // top of the row
    double height = 0;
};

// The "END" marker: a text between two hairlines sharing the width left beside it.
struct EndMarker {
    double y = 0; // top of the marker's row, before its own top padding
    QRectF text; // the text block's rect
    QRectF leftLine;
    QRectF rightLine;
};

struct ColumnLayout {
    double width = 0; // the column's width, never narrower than column::kMinWidth
    double fontSize = 0;
    bool empty = true; // no sections: the empty-script message stands alone
    QList<ColumnRow> rows;
    QList<TextBlock> blocks; // top to bottom
    std::optional<EndMarker> end;
    double contentHeight = 0;
    QHash<qint64, double> cueOffsets; // section id → top of its row
    // Rows and blocks exist down to here. Until the layout is complete, what lies below is
    // estimated from the length of its text: contentHeight and the cue offsets there included.
    double exactUntil = 0;
    bool complete = true;
};

// Lays the sections out in a column of `width` points (text wraps at it) at `fontSize`.
ColumnLayout layoutColumn(const QList<ScriptSection> &sections, double width, double fontSize);

// The same layout a few sections at a time, from the top: a long script can be shown as soon as
// the part in view is laid out, and the rest follows in short steps.
class ColumnLayouter final {
public:
    ColumnLayouter(QList<ScriptSection> sections, double width, double fontSize);
    ~ColumnLayouter();
    ColumnLayouter(const ColumnLayouter &) = delete;
    ColumnLayouter &operator=(const ColumnLayouter &) = delete;

    // Lays out further sections until the exact part reaches `y` points or the script ends,
    // stopping early once `budget` seconds have gone. A long body is laid out in pieces of
    // bounded length, so the budget is kept whatever the text. True when the whole column is
    // laid out.
    bool advance(double y, double budget = -1);
    bool complete() const { return m_complete; }
    double exactUntil() const { return m_out.exactUntil; }
    // The column as far as it is laid out, with the rest estimated.
    ColumnLayout snapshot() const;

private:
    // One bounded piece of work: a section's heading with the first piece of its body, or the
    // next piece of a long body.
    void layOutStep();
    void finish();
    double estimatedHeight(const ScriptSection &section) const;
    double estimatedBodyHeight(QStringView body) const;

    // The section whose body is part way laid out, if any.
    struct Partial {
        bool active = false;
        double top = 0;
        double inner = 0; // height of what is laid out, from top
        qsizetype bodyAt = 0; // characters of the body laid out
        // The direction of the run of paragraphs being laid out, and where the run ends.
        Qt::LayoutDirection direction = Qt::LayoutDirectionAuto;
        qsizetype runEnd = 0;
        bool runOpen = false;
    };

    QList<ScriptSection> m_sections;
    qsizetype m_next = 0;
    ColumnLayout m_out;
    bool m_complete = false;
    double m_y = 0;
    Partial m_partial;
    // For estimates: characters and lines of the bodies laid out so far.
    double m_bodyChars = 0;
    double m_bodyLines = 0;
    struct Fonts;
    std::unique_ptr<Fonts> m_fonts;
};

QString emptyScriptMessage();

} // namespace qm
