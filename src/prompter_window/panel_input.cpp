// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_input.h"

#include <algorithm>

namespace qm {

double wheelScroll(QPoint pixelDelta, QPoint angleDelta, double fontSize)
{
    const double dy = !pixelDelta.isNull() ? pixelDelta.y()
                                           : angleDelta.y() / 120.0 * fontSize * kWheelLineFactor;
    return -dy;
}

Qt::Edges resizeEdges(QSize size, QPoint pos, int margin)
{
    Qt::Edges edges;
    if (pos.x() < margin)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= size.width() - margin)
        edges |= Qt::RightEdge;
    if (pos.y() < margin)
        edges |= Qt::TopEdge;
    else if (pos.y() >= size.height() - margin)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect resizedGeometry(const QRect &start, Qt::Edges edges, QPoint delta, QSize minimum)
{
    int left = start.left();
    int top = start.top();
    int right = start.left() + start.width();
    int bottom = start.top() + start.height();
    if (edges & Qt::LeftEdge)
        left = std::min(left + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge)
        top = std::min(top + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minimum.height());
    return QRect(left, top, right - left, bottom - top);
}

} // namespace qm
