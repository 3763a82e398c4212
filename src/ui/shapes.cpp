// SPDX-License-Identifier: GPL-3.0-or-later
#include "shapes.h"

#include <algorithm>

namespace qm {

namespace {

// How much farther than the radius a continuous corner reaches along each edge, and where its
// two cubic segments place their control points (fractions of the radius).
constexpr double kReach = 1.28;

struct Corner {
    QPointF vertex; // the rectangle's corner
    QPointF in; // unit direction along the edge arriving at the corner
    QPointF out; // unit direction along the edge leaving the corner
};

void addCorner(QPainterPath &path, const Corner &c, double r, bool first)
{
    if (r <= 0) {
        if (first)
            path.moveTo(c.vertex);
        else
            path.lineTo(c.vertex);
        return;
    }
    const double reach = r * kReach;
    const QPointF start = c.vertex - c.in * reach;
    const QPointF end = c.vertex + c.out * reach;
    if (first)
        path.moveTo(start);
    else
        path.lineTo(start);
    // Two cubics meeting on the diagonal; the control points keep the curvature continuous at
    // both ends instead of jumping from zero to 1/r as a circular arc does.
    const QPointF mid = c.vertex - c.in * (r * 0.29) + c.out * (r * 0.29);
    path.cubicTo(
        c.vertex - c.in * (r * 0.75), c.vertex - c.in * (r * 0.42) + c.out * (r * 0.08), mid);
    path.cubicTo(
        c.vertex + c.out * (r * 0.42) - c.in * (r * 0.08), c.vertex + c.out * (r * 0.75), end);
}

} // namespace

QPainterPath continuousRoundedRect(const QRectF &rect, CornerRadii radii)
{
    // A corner can use at most half of each adjacent side, like a capsule at the limit.
    const double limit = std::min(rect.width(), rect.height()) / 2.0 / kReach;
    auto clampR = [limit](double r) { return std::clamp(r, 0.0, std::max(0.0, limit)); };
    QPainterPath path;
    const QPointF right(1, 0), left(-1, 0), down(0, 1), up(0, -1);
    addCorner(path, {rect.topLeft(), up, right}, clampR(radii.topLeft), true);
    addCorner(path, {rect.topRight(), right, down}, clampR(radii.topRight), false);
    addCorner(path, {rect.bottomRight(), down, left}, clampR(radii.bottomRight), false);
    addCorner(path, {rect.bottomLeft(), left, up}, clampR(radii.bottomLeft), false);
    path.closeSubpath();
    return path;
}

QPainterPath continuousRoundedRect(const QRectF &rect, double radius)
{
    return continuousRoundedRect(rect, {radius, radius, radius, radius});
}

QPainterPath capsule(const QRectF &rect)
{
    QPainterPath path;
    const double r = std::min(rect.width(), rect.height()) / 2.0;
    path.addRoundedRect(rect, r, r);
    return path;
}

} // namespace qm
