// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_shape.h"

#include "ui/palette.h"
#include "ui/shapes.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Rows per fill of a tall rectangle. Fills of many rows are split across worker threads by the
// raster engine, and waiting for them costs more than the fill itself.
constexpr double kRowsPerFill = 64;

QImage cornerImage(double reach, double dpr)
{
    const int side = int(std::ceil(reach * dpr));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    image.fill(Qt::transparent);
    return image;
}

void fillTall(QPainter &p, const QRectF &rect, const QColor &color, double dpr)
{
    const double step = kRowsPerFill / dpr;
    for (double y = rect.top(); y < rect.bottom(); y += step)
        p.fillRect(QRectF(rect.left(), y, rect.width(), std::min(step, rect.bottom() - y)), color);
}

} // namespace

void PanelShape::setGeometry(const QSizeF &size, bool floating, double dpr)
{
    if (size == m_size && floating == m_floating && dpr == m_dpr && !m_path.isEmpty())
        return;
    m_size = size;
    m_floating = floating;
    m_dpr = dpr;
    const QRectF rect(QPointF(0, 0), size);
    if (m_square) {
        // Nothing to trim and no border: only rectangles, which any flip keeps rectangles.
        m_path = QPainterPath();
        m_path.addRect(rect);
        m_borderPath = QPainterPath();
        m_reach = 0;
        m_cached = true;
        m_corners = {};
        return;
    }
    m_path = floating ? continuousRoundedRect(rect, kFloatingRadius)
                      : continuousRoundedRect(rect, CornerRadii {0, 0, kNotchRadius, kNotchRadius});
    m_borderPath
        = continuousRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), kFloatingRadius - 0.5);

    // A continuous corner reaches 1.28 radii along each edge.
    m_reach = std::ceil((floating ? kFloatingRadius : kNotchRadius) * 1.28) + 1;
    m_cached = 2 * m_reach <= size.width() && 2 * m_reach <= size.height();
    if (!m_cached)
        return;
    const double w = size.width(), h = size.height(), r = m_reach;
    const QPointF origins[4] = {{0, 0}, {w - r, 0}, {w - r, h - r}, {0, h - r}};
    for (int i = 0; i < 4; ++i) {
        Corner &corner = m_corners[std::size_t(i)];
        corner.rect = QRectF(origins[i], QSizeF(r, r));
        corner.fill = cornerImage(r, dpr);
        corner.outside = cornerImage(r, dpr);
        corner.border = QImage();
        {
            QPainter p(&corner.fill);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(-corner.rect.topLeft());
            p.fillPath(m_path, Qt::black);
        }
        {
            QPainter p(&corner.outside);
            p.fillRect(QRectF(QPointF(0, 0), corner.rect.size()), Qt::black);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(-corner.rect.topLeft());
            p.setCompositionMode(QPainter::CompositionMode_Clear);
            p.fillPath(m_path, Qt::black);
        }
        // A square corner (the notch's top) has nothing outside it to trim.
        bool anyOutside = false;
        for (int y = 0; y < corner.outside.height() && !anyOutside; ++y) {
            const auto *px = reinterpret_cast<const quint32 *>(corner.outside.constScanLine(y));
            anyOutside
                = std::any_of(px, px + corner.outside.width(), [](quint32 v) { return v != 0; });
        }
        if (!anyOutside)
            corner.outside = QImage();
        if (floating) {
            corner.border = cornerImage(r, dpr);
            QPainter p(&corner.border);
            p.setRenderHint(QPainter::Antialiasing);
            p.translate(-corner.rect.topLeft());
            p.setPen(QPen(palette::white(12), 1));
            p.setBrush(Qt::NoBrush);
            p.drawPath(m_borderPath);
        }
    }
}

void PanelShape::setSquare(bool square)
{
    if (square == m_square)
        return;
    m_square = square;
    m_path = QPainterPath();
    setGeometry(m_size, m_floating, m_dpr);
}

bool PanelShape::cachedFor(const QPainter &p) const
{
    return m_cached && (m_square || p.worldTransform().isIdentity());
}

void PanelShape::paintBackground(QPainter &p, const QRegion &covered) const
{
    p.save();
    if (!cachedFor(p)) {
        p.setRenderHint(QPainter::Antialiasing);
        p.fillPath(m_path, Qt::black);
        p.restore();
        return;
    }
    for (const Corner &corner : m_corners)
        p.drawImage(corner.rect.topLeft(), corner.fill);
    // Opaque, pixel-aligned rectangles take the raster engine's plain fill.
    p.setRenderHint(QPainter::Antialiasing, false);
    const double w = m_size.width(), h = m_size.height(), r = m_reach;
    p.fillRect(QRectF(r, 0, w - 2 * r, r), Qt::black);
    // `covered` is in device pixels; the middle's edges must be on them too.
    const auto whole = [this](double v) { return v * m_dpr == std::round(v * m_dpr); };
    if (covered.isEmpty() || !whole(r) || !whole(w) || !whole(h)) {
        fillTall(p, QRectF(0, r, w, h - 2 * r), Qt::black, m_dpr);
    } else {
        p.scale(1 / m_dpr, 1 / m_dpr);
        const QRect middle = QRectF(0, r * m_dpr, w * m_dpr, (h - 2 * r) * m_dpr).toAlignedRect();
        for (const QRect &rect : QRegion(middle) - covered)
            fillTall(p, rect, Qt::black, 1);
    }
    p.fillRect(QRectF(r, h - r, w - 2 * r, r), Qt::black);
    p.restore();
}

void PanelShape::beginClip(QPainter &p) const
{
    if (!cachedFor(p))
        p.setClipPath(m_path);
}

void PanelShape::endClip(QPainter &p) const
{
    if (!cachedFor(p)) {
        p.setClipping(false);
        return;
    }
    p.save();
    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    for (const Corner &corner : m_corners) {
        if (!corner.outside.isNull())
            p.drawImage(corner.rect.topLeft(), corner.outside);
    }
    p.restore();
}

void PanelShape::paintBorder(QPainter &p) const
{
    if (!m_floating || m_square)
        return;
    p.save();
    if (!cachedFor(p)) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette::white(12), 1));
        p.setBrush(Qt::NoBrush);
        p.drawPath(m_borderPath);
        p.restore();
        return;
    }
    for (const Corner &corner : m_corners)
        p.drawImage(corner.rect.topLeft(), corner.border);
    p.setRenderHint(QPainter::Antialiasing, false);
    const double w = m_size.width(), h = m_size.height(), r = m_reach;
    const QColor line = palette::white(12);
    p.fillRect(QRectF(r, 0, w - 2 * r, 1), line);
    p.fillRect(QRectF(r, h - 1, w - 2 * r, 1), line);
    fillTall(p, QRectF(0, r, 1, h - 2 * r), line, m_dpr);
    fillTall(p, QRectF(w - 1, r, 1, h - 2 * r), line, m_dpr);
    p.restore();
}

} // namespace qm
