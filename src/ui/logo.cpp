// SPDX-License-Identifier: GPL-3.0-or-later
#include "logo.h"

#include "palette.h"
#include "shapes.h"

#include <QLinearGradient>
#include <QPainter>

namespace qm {

void paintLogoMark(QPainter &painter, const QRectF &rect)
{
    const double unit = rect.width() / 24.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, palette::tallySoft());
    fill.setColorAt(1, palette::tally());
    painter.setBrush(fill);
    painter.drawPath(continuousRoundedRect(rect, 6 * unit));
    const QRectF notch(rect.center().x() - 6 * unit, rect.top(), 12 * unit, 7 * unit);
    painter.setBrush(Qt::black);
    painter.drawPath(continuousRoundedRect(notch, CornerRadii {0, 0, 3 * unit, 3 * unit}));
    painter.restore();
}

} // namespace qm
