// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace qm {

// The straight mix of two colours, alpha included; t = 0 gives `a`.
QColor mixColors(const QColor &a, const QColor &b, double t);

// Black at `percent` opacity, as the controls' shadows use it.
QColor blackAt(double percent);

// The width of `text` set in `font`.
double textAdvance(const QFont &font, const QString &text);
// Draws `text` left-aligned at `x`, centred vertically in `height`; returns the x after it.
double drawTextRun(QPainter &painter, double x, double height, const QFont &font,
    const QColor &color, const QString &text);
// Whether a pointer at `pos` is inside the capsule drawn in `rect`.
bool insideCapsule(const QRectF &rect, const QPoint &pos);

// The tally-tinted strip a banner above the editor sits in: `body` filled and outlined in the
// tally colour at the given strengths (0 to 1). Returns the strip's shape.
QPainterPath paintTallyStrip(
    QPainter &painter, const QRectF &body, double radius, double fill, double edge);

// The symbol face for a symbol the layout sizes like text of `px`.
QFont symbolFont(double px);

// A symbol takes the width of its ink, not of the face's padded em square, so the spacing
// beside it is what the layout says.
double symbolWidth(const QFont &font, const QString &symbol);
// Draws `symbol` with its ink starting at `x` and centred on `centreY`; returns the x after it.
double drawSymbol(QPainter &painter, double x, double centreY, const QFont &font,
    const QColor &color, const QString &symbol);

// The outline of a control: a capsule, a circle or a continuous rounded rectangle.
struct Outline {
    enum class Kind { Capsule, Circle, Rounded };
    Kind kind = Kind::Capsule;
    double radius = 0;

    QPainterPath path(const QRectF &rect) const;
};

// Fills the outline and strokes `width` points of `stroke` just inside its edge, so the
// outline never grows the shape.
void fillWithInnerStroke(QPainter &painter, const QRectF &rect, Outline outline, const QColor &fill,
    const QColor &stroke, double width = 1);

} // namespace qm
