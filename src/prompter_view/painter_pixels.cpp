// SPDX-License-Identifier: GPL-3.0-or-later
#include "painter_pixels.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace qm {

std::optional<PainterPixels> painterPixels(QPainter &painter, const QPointF &topLeft, double scale)
{
    QPaintEngine *engine = painter.paintEngine();
    if (!engine || painter.hasClipping() || painter.opacity() != 1)
        return std::nullopt;
    QPaintDevice *device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return std::nullopt;
    auto *image = static_cast<QImage *>(device);
    if (image->format() != QImage::Format_ARGB32_Premultiplied
        && image->format() != QImage::Format_RGB32)
        return std::nullopt;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale || std::abs(t.m11() - scale) > 1e-9
        || std::abs(t.m22() - scale) > 1e-9)
        return std::nullopt;
    const QPointF origin = t.map(topLeft);
    const QPoint at(qRound(origin.x()), qRound(origin.y()));
    if (std::abs(origin.x() - at.x()) > 1e-6 || std::abs(origin.y() - at.y()) > 1e-6)
        return std::nullopt;
    // Writing must reach the painter's own pixels, never a copy made on detaching.
    const uchar *before = image->constBits();
    uchar *bits = image->bits();
    if (!bits || bits != before)
        return std::nullopt;
    QRegion clip = engine->systemClip();
    if (clip.isEmpty())
        clip = QRegion(image->rect());
    clip &= image->rect();
    return PainterPixels {image, bits, at, clip};
}

QRegion devicePixels(const QRegion &points, double dpr)
{
    if (dpr == 1)
        return points;
    QRegion pixels;
    for (const QRect &r : points) {
        const int left = int(std::floor(r.left() * dpr));
        const int top = int(std::floor(r.top() * dpr));
        pixels += QRect(left, top, int(std::ceil((r.right() + 1) * dpr)) - left,
            int(std::ceil((r.bottom() + 1) * dpr)) - top);
    }
    return pixels;
}

} // namespace qm
