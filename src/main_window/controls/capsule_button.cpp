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
    const double w = 16 + symbolWidth(stopSymbolFont(), m_symbol) + 7
        + textAdvance(stopTitleFont(), text()) + 16;
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
    drawTextRun(p, x, h, stopTitleFont(), Qt::white, text());
}

bool CapsuleButton::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

} // namespace qm
