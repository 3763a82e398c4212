// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPainterPath>
#include <QRectF>

namespace qm {

struct CornerRadii {
    double topLeft = 0;
    double topRight = 0;
    double bottomRight = 0;
    double bottomLeft = 0;
};

// A rectangle with continuous (squircle-like) corners: each corner starts its curve earlier
// than a circular arc would and eases into the straight edge, so no kink shows where they meet.
QPainterPath continuousRoundedRect(const QRectF &rect, CornerRadii radii);
QPainterPath continuousRoundedRect(const QRectF &rect, double radius);
// A capsule: the short side fully rounded.
QPainterPath capsule(const QRectF &rect);

} // namespace qm
