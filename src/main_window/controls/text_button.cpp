// SPDX-License-Identifier: GPL-3.0-or-later
#include "text_button.h"

#include "ui/fonts.h"
#include "ui/palette.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace qm {

namespace {

QFont textButtonFont()
{
    return fonts::system(11.5, QFont::Medium);
}

} // namespace

TextButton::TextButton(const QString &text, QWidget *parent)
    : PaintedButton(parent)
{
    setText(text);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize TextButton::sizeHint() const
{
    const QFontMetricsF fm(textButtonFont());
    return {int(std::ceil(fm.horizontalAdvance(text()))), int(std::ceil(6 + fm.height() + 6))};
}

void TextButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setOpacity(paintOpacity());
    p.setFont(textButtonFont());
    p.setPen(palette::white(50));
    p.drawText(rect(), Qt::AlignCenter, text());
}

} // namespace qm
