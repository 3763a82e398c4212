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
// `origin`; `rect` is the block's extent in column coordinates.
struct TextBlock {
    enum class Role { Heading, Body, EmptyMessage, EndText };
    Role role = Role::Body;
    std::shared_ptr<const QTextLayout> layout;
    QPointF origin;
    QRectF rect;
};

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
};

// Lays the sections out in a column of `width` points (text wraps at it) at `fontSize`. Text
// shaping happens here, once; drawing only moves the results around.
ColumnLayout layoutColumn(const QList<ScriptSection> &sections, double width, double fontSize);

QString emptyScriptMessage();

} // namespace qm
