// SPDX-License-Identifier: GPL-3.0-or-later
#include "pill_button.h"

#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace qm {

namespace {

QFont pillFont()
{
    return fonts::system(11.5, QFont::Medium);
}

constexpr double kPadX = 11;
constexpr double kHeight = 24;

} // namespace

PillButton::PillButton(const QString &text, QWidget *parent)
    : PaintedButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    // Lit while the pointer is on it.
    setAttribute(Qt::WA_Hover);
}

QSize PillButton::sizeHint() const
{
    const QFontMetricsF fm(pillFont());
    return {int(std::ceil(fm.horizontalAdvance(text()) + 2 * kPadX)), int(kHeight)};
}

void PillButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    const QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = continuousRoundedRect(body, body.height() / 2);
    p.fillPath(shape, palette::white(underMouse() ? 14 : 8));
    p.strokePath(shape, QPen(palette::white(28), 1));
    p.setFont(pillFont());
    p.setPen(palette::white(92));
    p.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace qm
