// SPDX-License-Identifier: GPL-3.0-or-later
#include "start_button.h"

#include "main_window/painting.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"
#include "ui/symbols.h"
#include "ui/texts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace qm {

namespace {

QFont startSymbolFont()
{
    return symbolFont(11);
}
QFont startTitleFont()
{
    return fonts::system(13.5, QFont::Bold);
}
QFont startHintFont()
{
    return fonts::rounded(11, QFont::DemiBold);
}

} // namespace

StartButton::StartButton(QWidget *parent)
    : PaintedButton(parent)
{
    setText(QStringLiteral("Start prompter"));
}

QSize StartButton::sizeHint() const
{
    const double w = 18 + symbolWidth(startSymbolFont(), symbols::play) + 8
        + textAdvance(startTitleFont(), text()) + 8
        + textAdvance(startHintFont(), texts::startKeysHint()) + 18;
    return {int(std::ceil(w)), kHeight};
}

void StartButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setOpacity(paintOpacity());
    const QRectF r = rect();
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, palette::tallySoft());
    gradient.setColorAt(1, palette::tally());
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawPath(capsule(r));

    const double h = r.height();
    double x = 18;
    x = drawSymbol(p, x, h / 2, startSymbolFont(), Qt::black, symbols::play) + 8;
    x = drawTextRun(p, x, h, startTitleFont(), Qt::black, text()) + 8;
    drawTextRun(
        p, x, h, startHintFont(), QColor(0, 0, 0, qRound(255 * 0.55)), texts::startKeysHint());
}

bool StartButton::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

} // namespace qm
