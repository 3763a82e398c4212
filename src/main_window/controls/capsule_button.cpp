// SPDX-License-Identifier: GPL-3.0-or-later
#include "capsule_button.h"

#include "main_window/painting.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace qm {

namespace {

double advance(const QFont &font, const QString &text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

// Draws `text` left-aligned at `x`, centred vertically in `height`; returns the x after it.
double drawRun(QPainter &p, double x, double height, const QFont &font, const QColor &color,
    const QString &text)
{
    const double w = QFontMetricsF(font).horizontalAdvance(text);
    p.setFont(font);
    p.setPen(color);
    p.drawText(QRectF(x, 0, w + 1, height), Qt::AlignLeft | Qt::AlignVCenter, text);
    return x + w;
}

bool insideCapsule(const QRectF &rect, const QPoint &pos)
{
    return capsule(rect).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

QFont stopSymbolFont()
{
    return symbolFont(10);
}
QFont stopTitleFont()
{
    return fonts::system(13, QFont::Bold);
}

} // namespace

CapsuleButton::CapsuleButton(const QString &symbol, const QString &title, QWidget *parent)
    : PaintedButton(parent)
    , m_symbol(symbol)
{
    setText(title);
}

QSize CapsuleButton::sizeHint() const
{
    const double w
        = 16 + symbolWidth(stopSymbolFont(), m_symbol) + 7 + advance(stopTitleFont(), text()) + 16;
    return {int(std::ceil(w)), kHeight};
}

void CapsuleButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    fillWithInnerStroke(
        p, rect(), {Outline::Kind::Capsule}, palette::raised(), palette::hairline());
    const double h = height();
    double x = 16;
    x = drawSymbol(p, x, h / 2, stopSymbolFont(), Qt::white, m_symbol) + 7;
    drawRun(p, x, h, stopTitleFont(), Qt::white, text());
}

bool CapsuleButton::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

} // namespace qm
