// SPDX-License-Identifier: GPL-3.0-or-later
#include "small_icon_button.h"

#include "painted_button.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/shapes.h"

#include <QPainter>

namespace qm {

SmallIconButton::SmallIconButton(const QString &symbol, const QString &help, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setToolTip(help);
    setAccessibleName(accessibleNameFromTip(help));
    setFixedSize(kSize, kSize);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void SmallIconButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    p.fillPath(continuousRoundedRect(r, 7), m_hover ? colorFromHex(u"2A2A31") : palette::raised());
    QFont f = fonts::symbols(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(palette::white(m_hover ? 100 : 70));
    p.drawText(r, Qt::AlignCenter, m_symbol);
}

void SmallIconButton::enterEvent(QEnterEvent *event)
{
    m_hover = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SmallIconButton::leaveEvent(QEvent *event)
{
    m_hover = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace qm
