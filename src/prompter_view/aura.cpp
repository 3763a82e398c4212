// SPDX-License-Identifier: GPL-3.0-or-later
#include "aura.h"

#include "blur.h"
#include "painter_pixels.h"
#include "ui/palette.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

namespace {

void addSaturated(uchar *dst, const uchar *src, int bytes)
{
    int i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= bytes; i += 16) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(dst + i));
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_adds_epu8(d, s));
    }
#endif
    for (; i < bytes; ++i)
        dst[i] = uchar(std::min(int(dst[i]) + int(src[i]), 255));
}

} // namespace

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

std::vector<QPointF> waveCrest(const Layer &layer, double width, double height, double a, double t)
{
    constexpr double pi = std::numbers::pi;
    const double amp = ((height - 14) * a + 3) * layer.gain;
    std::vector<QPointF> crest;
    crest.reserve(std::size_t(std::max(0.0, (width + 2 * kOverhang) / kStep)) + 2);
    // The envelope depends on the width alone: worked out once for all layers and frames.
    thread_local double envelopeWidth = -1;
    thread_local std::vector<double> envelope;
    if (width != envelopeWidth) {
        envelope.clear();
        for (double x = -kOverhang; x <= width + kOverhang; x += kStep) {
            const double u = width > 1 ? x / width : x;
            envelope.push_back(
                std::pow(std::max(std::sin(pi * std::min(std::max(u, 0.0), 1.0)), 0.0), 0.7));
        }
        envelopeWidth = width;
    }
    std::size_t step = 0;
    for (double x = -kOverhang; x <= width + kOverhang; x += kStep, ++step) {
        const double u = width > 1 ? x / width : x;
        const double e = envelope[step];
        const double p = std::sin(layer.phase + t * layer.speed * 2.2 + layer.k * u * 2 * pi);
        const double q = std::sin(layer.phase + t * 3.1 + u * 9);
        crest.emplace_back(x, height - amp * e * (0.55 + 0.45 * p + 0.12 * a * q) - 1);
    }
    return crest;
}

double layerOpacity(double a)
{
    return a * 0.4 + 0.42;
}

} // namespace aura

AuraRenderer::Grid AuraRenderer::grid(const QSizeF &strip, double dpr)
{
    // Room around the strip for the blur to draw from: the waves continue past the edges, so
    // the glow stays full up to the panel's sides and bottom instead of fading out there.
    Grid g;
    g.margin = 3 * aura::kBlurRadius;
    g.scale = kScale * dpr;
    const double w = strip.width();
    const double h = strip.height();
    g.cols = int(std::ceil((w + 2 * g.margin) * g.scale));
    // No wave rises above the crest's highest reach; the buffer's rows wholly above it would
    // stay empty, and the blur takes what lies beyond the buffer for empty anyway.
    static const double gain = std::max_element(aura::layers().begin(), aura::layers().end(),
        [](const aura::Layer &a, const aura::Layer &b) {
            return a.gain < b.gain;
        })->gain;
    const double highest = h - 1 - std::max(3.0, h - 11) * gain * 1.12;
    // A row is kept above the strip's top edge for the smooth scaling to read.
    const int skipped
        = std::clamp(int(std::floor((g.margin + std::min(highest, 0.0)) * g.scale)) - 1, 0,
            int(std::floor(g.margin * g.scale)));
    g.rows = int(std::ceil((h + 2 * g.margin) * g.scale)) - skipped;
    g.firstRow = skipped / g.scale - g.margin;
    return g;
}

void AuraRenderer::paint(QPainter &painter, const QRectF &strip, double a, double t, double dpr)
{
    if (strip.width() <= 0 || strip.height() <= 0)
        return;
    const Grid g = grid(strip.size(), dpr);
    const bool fresh = m_buffer.width() != g.cols || m_buffer.height() != g.rows || m_dpr != dpr;
    if (fresh)
        m_buffer = QImage(g.cols, g.rows, QImage::Format_ARGB32_Premultiplied);
    // The waves drift a few pixels of the blurred buffer per second: redrawn at about 30 Hz
    // they look the same, so a frame in between shows the last buffer unless the intensity
    // moved visibly or time went backwards.
    if (fresh || drawsAgain(strip, a, t, dpr)) {
        m_dpr = dpr;
        m_stripSize = strip.size();
        m_renderedTime = t;
        ++m_renders;
        m_renderedIntensity = a;
        rasterise(g, strip.size(), a, t);
        gaussianBlur(m_buffer, aura::kBlurRadius * g.scale);
    }
    present(painter, strip, g.scale, g.margin, g.firstRow);
}

void AuraRenderer::rasterise(const Grid &g, const QSizeF &strip, double a, double t)
{
    const double scale = g.scale;
    const double margin = g.margin;
    const int cols = g.cols;
    const int rows = g.rows;
    const double firstRow = g.firstRow;
    const double w = strip.width();
    const double h = strip.height();
    m_sum.assign(std::size_t(cols) * std::size_t(rows) * 4, 0.f);
    // Runs of rows a wave covers whole go in as a start and an end, added up down each column
    // afterwards; one spare row takes the ends of runs that reach the bottom.
    m_runs.assign(std::size_t(cols) * std::size_t(rows + 1) * 4, 0.f);
    // Each buffer row's extent in points; the row loop below runs once per column and layer.
    m_rowTop.resize(std::size_t(rows) + 1);
    for (int r = 0; r <= rows; ++r)
        m_rowTop[std::size_t(r)] = r / scale + firstRow;

    const double opacity = aura::layerOpacity(a);
    const double bottom = h + aura::kOverhang;
    const double right = w + aura::kOverhang;
    // The first row reaching past the waves' bottom edge.
    int bottomRow = 0;
    while (bottomRow < rows && m_rowTop[std::size_t(bottomRow) + 1] <= bottom)
        ++bottomRow;
    for (const aura::Layer &layer : aura::layers()) {
        const std::vector<QPointF> crest = aura::waveCrest(layer, w, h, a, t);
        if (crest.empty())
            continue;
        const float colour[4]
            = {float(layer.color.blueF() * opacity), float(layer.color.greenF() * opacity),
                float(layer.color.redF() * opacity), float(opacity)};
        for (int c = 0; c < cols; ++c) {
            const double x = (c + 0.5) / scale - margin;
            if (x < -aura::kOverhang || x > right)
                continue;
            // The crest between its steps, then the closing edge down to the far corner.
            double y;
            const double step = (x + aura::kOverhang) / aura::kStep;
            const std::size_t i = std::size_t(step);
            if (i + 1 < crest.size()) {
                const double f = step - double(i);
                y = crest[i].y() + (crest[i + 1].y() - crest[i].y()) * f;
            } else {
                const QPointF &last = crest.back();
                const double span = right - last.x();
                y = span > 0 ? last.y() + (bottom - last.y()) * (x - last.x()) / span : last.y();
            }
            // Rows wholly above the crest take nothing; start at the one the crest crosses.
            int r = std::clamp(int(std::floor((y - firstRow) * scale)) - 1, 0, rows);
            auto partly = [&](int row) {
                const double top = m_rowTop[std::size_t(row)];
                const double base = m_rowTop[std::size_t(row) + 1];
                const double covered = (std::min(base, bottom) - std::max(top, y)) / (base - top);
                if (covered <= 0)
                    return;
                const float k = float(std::min(covered, 1.0));
                float *px = &m_sum[(std::size_t(row) * std::size_t(cols) + std::size_t(c)) * 4];
                for (int ch = 0; ch < 4; ++ch)
                    px[ch] += colour[ch] * k;
            };
            for (; r < rows && m_rowTop[std::size_t(r)] < y; ++r) {
                if (m_rowTop[std::size_t(r)] >= bottom)
                    break;
                partly(r);
            }
            if (r < bottomRow) {
                float *start = &m_runs[(std::size_t(r) * std::size_t(cols) + std::size_t(c)) * 4];
                float *end
                    = &m_runs[(std::size_t(bottomRow) * std::size_t(cols) + std::size_t(c)) * 4];
                for (int ch = 0; ch < 4; ++ch) {
                    start[ch] += colour[ch];
                    end[ch] -= colour[ch];
                }
                r = bottomRow;
            }
            for (; r < rows && m_rowTop[std::size_t(r)] < bottom; ++r)
                partly(r);
        }
    }
    // The runs added up down the columns, onto the partly covered rows.
    const std::size_t rowFloats = std::size_t(cols) * 4;
    for (int r = 0; r < rows; ++r) {
        float *run = &m_runs[std::size_t(r) * rowFloats];
        if (r > 0) {
            const float *above = run - rowFloats;
            for (std::size_t i = 0; i < rowFloats; ++i)
                run[i] += above[i];
        }
        float *sum = &m_sum[std::size_t(r) * rowFloats];
        for (std::size_t i = 0; i < rowFloats; ++i)
            sum[i] += run[i];
    }
    // Plus-lighter: colours add up and saturate.
    for (int r = 0; r < rows; ++r) {
        auto *line = reinterpret_cast<quint32 *>(m_buffer.scanLine(r));
        const float *src = &m_sum[std::size_t(r) * std::size_t(cols) * 4];
        for (int c = 0; c < cols; ++c) {
            quint32 v = 0;
            for (int ch = 0; ch < 4; ++ch) {
                const int byte = int(std::min(src[4 * c + ch], 1.f) * 255.f + 0.5f);
                v |= quint32(byte) << (8 * ch);
            }
            line[c] = v;
        }
    }
}

bool AuraRenderer::drawsAgain(const QRectF &strip, double a, double t, double dpr) const
{
    return m_renders == 0 || dpr != m_dpr || strip.size() != m_stripSize || t < m_renderedTime
        || t - m_renderedTime >= kRefreshInterval
        || std::abs(a - m_renderedIntensity) >= kIntensityTolerance;
}

void AuraRenderer::present(
    QPainter &painter, const QRectF &strip, double scale, double margin, double top)
{
    const double w = strip.width();
    const double h = strip.height();
    // Scaled up once per rendered buffer, not on every frame that shows it.
    const QSize px(int(std::ceil(w * m_dpr)), int(std::ceil(h * m_dpr)));
    if (m_presentedRender != m_renders || m_presented.size() != px
        || m_presented.devicePixelRatio() != m_dpr) {
        if (m_presented.size() != px)
            m_presented = QImage(px, QImage::Format_ARGB32_Premultiplied);
        m_presented.setDevicePixelRatio(1);
        {
            QPainter p(&m_presented);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRectF(0, 0, w * m_dpr, h * m_dpr), m_buffer,
                QRectF(margin * scale, -top * scale, w * scale, h * scale));
        }
        m_presented.setDevicePixelRatio(m_dpr);
        m_presentedRender = m_renders;
    }
    if (addInPlace(painter, strip.topLeft(), m_presented))
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.drawImage(strip.topLeft(), m_presented);
    painter.restore();
}

bool AuraRenderer::addInPlace(QPainter &painter, QPointF topLeft, const QImage &glow)
{
    // Plus on premultiplied pixels is a saturating add of every byte: done here sixteen bytes
    // at a time, straight into the painter's image, when nothing but the region being painted
    // limits where it goes.
    if (glow.format() != QImage::Format_ARGB32_Premultiplied || glow.devicePixelRatio() != 1)
        return false;
    const std::optional<PainterPixels> target = painterPixels(painter, topLeft, 1);
    if (!target)
        return false;
    const QPoint at = target->at;
    uchar *bits = target->bits;
    const qsizetype stride = target->image->bytesPerLine();
    for (const QRect &piece : target->clip.intersected(QRect(at, glow.size()))) {
        for (int y = piece.top(); y <= piece.bottom(); ++y) {
            auto *dst = bits + y * stride + qsizetype(piece.left()) * 4;
            const auto *src = glow.constScanLine(y - at.y()) + qsizetype(piece.left() - at.x()) * 4;
            addSaturated(dst, src, piece.width() * 4);
        }
    }
    return true;
}

} // namespace qm
