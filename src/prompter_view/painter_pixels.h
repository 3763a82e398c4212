// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>

#include <optional>

class QPainter;
class QPointF;

namespace qm {

// The pixels a painter draws into, for writing them directly: the painter's own image (the
// window's backing store, or an image being rendered into) in a 32-bit premultiplied or RGB
// format, `bits` its first pixel, `at` where the point `topLeft` lands (on a whole pixel), and
// `clip` the region being painted, which alone may limit the painter.
struct PainterPixels {
    QImage *image = nullptr;
    uchar *bits = nullptr;
    QPoint at;
    QRegion clip;
};

// Empty when the painter draws otherwise: onto another device or format, with a clip of its own,
// an opacity, a transform other than a translation and a scale of `scale`, or `topLeft` off the
// pixel grid.
std::optional<PainterPixels> painterPixels(QPainter &painter, const QPointF &topLeft, double scale);

// The device pixels a region of points touches at `dpr`, each rectangle grown outward.
QRegion devicePixels(const QRegion &points, double dpr);

} // namespace qm
