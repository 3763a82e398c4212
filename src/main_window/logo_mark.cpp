// SPDX-License-Identifier: GPL-3.0-or-later
#include "logo_mark.h"

#include "ui/palette.h"
#include "ui/shapes.h"

#include <QLinearGradient>
#include <QPainter>

namespace qm {

LogoMark::LogoMark(QWidget *parent)
    : QWidget(parent)
{
}

void LogoMark::draw(QPainter &painter, const QRectF &frame)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(frame.topLeft(), frame.bottomLeft());
    gradient.setColorAt(0, palette::tallySoft());
    gradient.setColorAt(1, palette::tally());
    painter.fillPath(continuousRoundedRect(frame, 6), gradient);

    const QRectF notch(frame.center().x() - 6, frame.top(), 12, 7);
    painter.fillPath(continuousRoundedRect(notch, CornerRadii {0, 0, 3, 3}), Qt::black);
    painter.restore();
}

void LogoMark::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    draw(p, rect());
}

} // namespace qm
