// SPDX-License-Identifier: GPL-3.0-or-later
#include "painting.h"

#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace qm {

QColor blackAt(double percent)
{
    return QColor::fromRgbF(0, 0, 0, float(percent / 100.0));
}

double textAdvance(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

double drawTextRun(QPainter &painter, double x, double height, const QFont &font,
    const QColor &color, const QString &text)
{
    const double w = textAdvance(font, text);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(x, 0, w + 1, height), Qt::AlignLeft | Qt::AlignVCenter, text);
    return x + w;
}

bool insideCapsule(const QRectF &rect, const QPoint &pos)
{
    return capsule(rect).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

QColor mixColors(const QColor &a, const QColor &b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto mix = [t](float x, float y) { return x + (y - x) * float(t); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()),
        mix(a.blueF(), b.blueF()), mix(a.alphaF(), b.alphaF()));
}

namespace {

// The symbol face draws its glyphs in a little over half of the em square, where the symbols
// the layout was drawn with fill most of it; this brings them to the size of the text beside.
constexpr double kSymbolScale = 1.3;

} // namespace

QFont symbolFont(double px)
{
    return fonts::symbols(px * kSymbolScale);
}

double symbolWidth(const QFont &font, const QString &symbol)
{
    return QFontMetricsF(font).tightBoundingRect(symbol).width();
}

double drawSymbol(QPainter &painter, double x, double centreY, const QFont &font,
    const QColor &color, const QString &symbol)
{
    const QRectF ink = QFontMetricsF(font).tightBoundingRect(symbol);
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(x - ink.left(), centreY - ink.center().y()), symbol);
    painter.restore();
    return x + ink.width();
}

QPainterPath Outline::path(const QRectF &rect) const
{
    switch (kind) {
    case Kind::Capsule:
        return capsule(rect);
    case Kind::Circle: {
        QPainterPath p;
        p.addEllipse(rect);
        return p;
    }
    case Kind::Rounded:
        return continuousRoundedRect(rect, radius);
    }
    return {};
}

void fillWithInnerStroke(QPainter &painter, const QRectF &rect, Outline outline, const QColor &fill,
    const QColor &stroke, double width)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawPath(outline.path(rect));
    if (width > 0 && stroke.alpha() > 0) {
        const double h = width / 2;
        Outline inner = outline;
        inner.radius = std::max(0.0, outline.radius - h);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(stroke, width));
        painter.drawPath(inner.path(rect.adjusted(h, h, -h, -h)));
    }
    painter.restore();
}

QPainterPath paintTallyStrip(
    QPainter &painter, const QRectF &body, double radius, double fill, double edge)
{
    const QPainterPath shape = continuousRoundedRect(body, radius);
    QColor inside = palette::tally();
    inside.setAlphaF(float(fill));
    QColor outline = palette::tally();
    outline.setAlphaF(float(edge));
    painter.fillPath(shape, inside);
    painter.strokePath(shape, QPen(outline, 1));
    return shape;
}

} // namespace qm
