// SPDX-License-Identifier: GPL-3.0-or-later
#include "round_button.h"

#include "main_window/painting.h"
#include "ui/palette.h"

#include <QPainter>
#include <QWidget>

namespace qm {

RoundButton::RoundButton(const QString &symbol, bool accent, QWidget *parent)
    : PaintedButton(parent)
    , m_symbol(symbol)
    , m_accent(accent)
{
}

void RoundButton::setSymbol(const QString &symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void RoundButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    const QRectF r(0, 0, kSize, kSize);
    fillWithInnerStroke(p, r, {Outline::Kind::Circle}, palette::raised(), palette::hairline());
    const QFont font = symbolFont(12);
    const double w = symbolWidth(font, m_symbol);
    drawSymbol(p, r.center().x() - w / 2, r.center().y(), font,
        m_accent ? palette::tally() : palette::white(85), m_symbol);
}

bool RoundButton::hitButton(const QPoint &pos) const
{
    const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - QPointF(kSize / 2.0, kSize / 2.0);
    return d.x() * d.x() + d.y() * d.y() <= (kSize / 2.0) * (kSize / 2.0);
}

} // namespace qm
