// SPDX-License-Identifier: GPL-3.0-or-later
#include "aura.h"

#include "blur.h"
#include "ui/palette.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qm {

namespace aura {

const std::array<Layer, 4> &layers()
{
    static const std::array<Layer, 4> list {{
        {colorFromHex(u"7A5CFF"), 1.3, 0.55, 0.0, 0.85},
        {colorFromHex(u"FF3D81"), 1.9, -0.8, 1.7, 1.0},
        {colorFromHex(u"FF5A36"), 2.6, 1.05, 3.1, 0.9},
        {colorFromHex(u"FFB13D"), 3.4, -1.4, 4.4, 0.6},
    }};
    return list;
}

double target(bool voiceMode, bool live, double level, double t)
{
    if (!live)
        return 0;
    if (voiceMode)
        return std::clamp((level - 0.3) / 0.38, 0.0, 1.0);
    return 0.22 + 0.06 * std::sin(1.3 * t);
}

double Smoother::step(double target)
{
    const double rate = m_value < target ? 0.22 : 0.06;
    m_value += (target - m_value) * rate;
    return m_value;
}

QPainterPath wavePath(const Layer &layer, double width, double height, double a, double t)
{
    constexpr double pi = std::numbers::pi;
    const double amp = ((height - 14) * a + 3) * layer.gain;
    QPainterPath path;
    path.moveTo(-kOverhang, height + kOverhang);
    for (double x = -kOverhang; x <= width + kOverhang; x += kStep) {
        const double u = width > 1 ? x / width : x;
        const double e
            = std::pow(std::max(std::sin(pi * std::min(std::max(u, 0.0), 1.0)), 0.0), 0.7);
        const double p = std::sin(layer.phase + t * layer.speed * 2.2 + layer.k * u * 2 * pi);
        const double q = std::sin(layer.phase + t * 3.1 + u * 9);
        path.lineTo(x, height - amp * e * (0.55 + 0.45 * p + 0.12 * a * q) - 1);
    }
    path.lineTo(width + kOverhang, height + kOverhang);
    path.closeSubpath();
    return path;
}

double layerOpacity(double a)
{
    return a * 0.4 + 0.42;
}

} // namespace aura

void AuraRenderer::paint(QPainter &painter, const QRectF &strip, double a, double t, double dpr)
{
    if (strip.width() <= 0 || strip.height() <= 0)
        return;
    // Room around the strip for the blur to draw from: the waves continue past the edges, so
    // the glow stays full up to the panel's sides and bottom instead of fading out there.
    constexpr double margin = 3 * aura::kBlurRadius;
    const double scale = kScale * dpr;
    const QSize size(int(std::ceil((strip.width() + 2 * margin) * scale)),
        int(std::ceil((strip.height() + 2 * margin) * scale)));
    if (m_buffer.size() != size)
        m_buffer = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_buffer.fill(Qt::transparent);
    {
        QPainter p(&m_buffer);
        p.setRenderHint(QPainter::Antialiasing);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.setPen(Qt::NoPen);
        p.scale(scale, scale);
        p.translate(margin, margin);
        const double opacity = aura::layerOpacity(a);
        for (const aura::Layer &layer : aura::layers()) {
            QColor color = layer.color;
            color.setAlphaF(float(opacity));
            p.fillPath(aura::wavePath(layer, strip.width(), strip.height(), a, t), color);
        }
    }
    gaussianBlur(m_buffer, aura::kBlurRadius * scale);

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.drawImage(strip, m_buffer,
        QRectF(margin * scale, margin * scale, strip.width() * scale, strip.height() * scale));
    painter.restore();
}

} // namespace qm
