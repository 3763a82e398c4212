// SPDX-License-Identifier: GPL-3.0-or-later
#include "cue_chip.h"

#include "main_window/painting.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

QFont chipNumberFont()
{
    return fonts::monospaced(10, QFont::Bold);
}
QFont chipTextFont()
{
    return fonts::system(12, QFont::DemiBold);
}

} // namespace

CueChip::CueChip(int number, const QString &cue, QWidget *parent)
    : PaintedButton(parent)
    , m_number(number)
{
    setText(cue);
    // Typographic quotes around the cue, as everywhere the program quotes a cue.
    setToolTip(QStringLiteral("Jump the prompter to \u201C") + cue + QStringLiteral("\u201D"));
}

QSize CueChip::sizeHint() const
{
    const double w = 11 + textAdvance(chipNumberFont(), QString::number(m_number)) + 6
        + textAdvance(chipTextFont(), text()) + 11;
    return {int(std::ceil(w)), chipHeight()};
}

int CueChip::chipHeight()
{
    const double line = std::max(
        QFontMetricsF(chipNumberFont()).height(), QFontMetricsF(chipTextFont()).height());
    return int(std::ceil(6 + line + 6));
}

void CueChip::setCurrent(bool current, double highlight)
{
    if (current == m_current && highlight == m_highlight)
        return;
    m_current = current;
    m_highlight = highlight;
    update();
}

void CueChip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(paintOpacity());
    const double t = m_highlight;
    p.setPen(Qt::NoPen);
    p.setBrush(mixColors(palette::raised(), palette::tallySoft(), t));
    p.drawPath(capsule(rect()));

    const double h = height();
    double x = 11;
    x = drawTextRun(p, x, h, chipNumberFont(),
            mixColors(palette::tally(), QColor(0, 0, 0, qRound(255 * 0.6)), t),
            QString::number(m_number))
        + 6;
    // One line at most: a cue too long for the chip is cut with an ellipsis.
    const QFont font = chipTextFont();
    const QString shown = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, width() - 11 - x);
    drawTextRun(p, x, h, font, mixColors(palette::white(80), Qt::black, t), shown);
}

bool CueChip::hitButton(const QPoint &pos) const
{
    return insideCapsule(rect(), pos);
}

} // namespace qm
