// SPDX-License-Identifier: GPL-3.0-or-later
#include "aura.h"

#include "blur.h"
#include "painter_pixels.h"
#include "ui/palette.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <utility>

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
    if (render(strip, a, t, dpr))
        m_unreported = true;
    if (addInPlace(painter, strip.topLeft(), m_presented))
        return;
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    painter.drawImage(strip.topLeft(), m_presented);
    painter.restore();
}

bool AuraRenderer::render(const QRectF &strip, double a, double t, double dpr)
{
    const Grid g = grid(strip.size(), dpr);
    const bool fresh = m_buffer.width() != g.cols || m_buffer.height() != g.rows || m_dpr != dpr;
    if (fresh)
        m_buffer = QImage(g.cols, g.rows, QImage::Format_ARGB32_Premultiplied);
    // The waves drift a few pixels of the blurred buffer per second: redrawn at about 30 Hz
    // they look the same, so a frame in between shows the last buffer unless the intensity
    // moved visibly or time went backwards.
    if (!fresh && !drawsAgain(strip, a, t, dpr))
        return false;
    // Only the same strip at the same ratio lays the picture out as the last render did.
    const bool same = !fresh && strip.size() == m_stripSize;
    m_dpr = dpr;
    m_stripSize = strip.size();
    m_renderedTime = t;
    ++m_renders;
    m_renderedIntensity = a;
    rasterise(g, strip.size(), a, t);
    gaussianBlur(m_buffer, aura::kBlurRadius * g.scale);

    // Scaled up once per rendered buffer, not on every frame that shows it.
    const QSize px(int(std::ceil(strip.width() * dpr)), int(std::ceil(strip.height() * dpr)));
    const bool compared = same && m_last.size() == m_buffer.size() && m_presented.size() == px;
    if (m_presented.size() != px)
        m_presented = QImage(px, QImage::Format_ARGB32_Premultiplied);
    m_presented.setDevicePixelRatio(1);
    scaleUp(g, compared);
    m_presented.setDevicePixelRatio(dpr);
    if (m_last.size() != m_buffer.size())
        m_last = QImage(m_buffer.size(), QImage::Format_ARGB32_Premultiplied);
    std::memcpy(m_last.bits(), m_buffer.constBits(), std::size_t(m_buffer.sizeInBytes()));
    return true;
}

void AuraRenderer::scaleUp(const Grid &g, bool compared)
{
    // The buffer's strip is stretched four times (its scale against the panel's), smoothly: each
    // output pixel blends the two nearest buffer pixels across and the two down, sampled at
    // pixel centres and held at the edges, with weights in sixteenths, which keeps the sums in
    // 16 bits. Across first, once for each buffer row read; down then, over whole rows at a time.
    const int cols = m_buffer.width();
    const int rows = m_buffer.height();
    const int width = m_presented.width();
    const int height = m_presented.height();
    constexpr double kStretch = 1 / kScale;
    constexpr int kOne = 16;
    auto sample = [](double origin, int i, int last, int &at, int &weight) {
        const double s = std::clamp(origin + (i + 0.5) / kStretch - 0.5, 0.0, double(last));
        at = std::min(int(s), std::max(0, last - 1));
        weight = int(std::lround((s - at) * kOne));
    };
    const double left = g.margin * g.scale;
    const double top = -g.firstRow * g.scale;
    m_columnAt.resize(std::size_t(width));
    m_columnWeight.resize(std::size_t(width));
    for (int x = 0; x < width; ++x)
        sample(left, x, cols - 1, m_columnAt[std::size_t(x)], m_columnWeight[std::size_t(x)]);
    const std::size_t lanes = std::size_t(width) * 4;
    // Each buffer row stretched across, times kOne, for the rows the output reads.
    m_across.resize(std::size_t(rows) * lanes);
    m_acrossRow.assign(std::size_t(rows), false);
    const int step = cols > 1 ? 4 : 0;
    auto across = [&](int r) -> const quint16 * {
        quint16 *out = &m_across[std::size_t(r) * lanes];
        if (m_acrossRow[std::size_t(r)])
            return out;
        m_acrossRow[std::size_t(r)] = true;
        const uchar *src = m_buffer.constScanLine(r);
        for (int x = 0; x < width; ++x) {
            const uchar *a = src + std::size_t(m_columnAt[std::size_t(x)]) * 4;
            const int wb = m_columnWeight[std::size_t(x)];
            const int wa = kOne - wb;
            for (int c = 0; c < 4; ++c)
                out[std::size_t(x) * 4 + std::size_t(c)] = quint16(a[c] * wa + a[step + c] * wb);
        }
        return out;
    };
    // Where the buffer changed since the last render, in its columns for each of its rows.
    std::vector<std::pair<int, int>> changed(std::size_t(rows), {0, cols});
    if (compared) {
        for (int r = 0; r < rows; ++r) {
            const auto *now = reinterpret_cast<const quint32 *>(m_buffer.constScanLine(r));
            const auto *was = reinterpret_cast<const quint32 *>(m_last.constScanLine(r));
            int first = 0;
            while (first < cols && now[first] == was[first])
                ++first;
            int last = cols;
            while (last > first && now[last - 1] == was[last - 1])
                --last;
            changed[std::size_t(r)] = {first, last};
        }
    }
    // The picture's columns that read buffer columns [first, last): those within a buffer
    // pixel of them.
    auto reach = [&](int first, int last) -> std::pair<int, int> {
        if (last <= first)
            return {0, 0};
        if (!compared)
            return {0, width};
        const int x0 = int(std::floor((first - 1 - left + 0.5) * kStretch - 0.5)) - 1;
        const int x1 = int(std::ceil((last - left + 0.5) * kStretch - 0.5)) + 1;
        return {std::clamp(x0, 0, width), std::clamp(x1, 0, width)};
    };
    m_changed = QRegion();
    constexpr int kGroup = 8;
    int groupLeft = width, groupRight = 0;
    for (int y = 0; y < height; ++y) {
        int r = 0, wb = 0;
        sample(top, y, rows - 1, r, wb);
        const int below = std::min(r + 1, rows - 1);
        const auto [f0, l0] = changed[std::size_t(r)];
        const auto [f1, l1] = changed[std::size_t(below)];
        // Rows whose buffer rows did not change keep their pixels.
        const bool upper = l0 > f0, lower = l1 > f1;
        const auto [x0, x1] = upper && lower ? reach(std::min(f0, f1), std::max(l0, l1))
            : upper                          ? reach(f0, l0)
                                             : reach(f1, l1);
        if (x1 > x0) {
            const quint16 *a = across(r);
            const quint16 *b = across(below);
            auto *out = m_presented.scanLine(y);
            const auto wa = quint16(kOne - wb);
            const auto wB = quint16(wb);
            for (std::size_t i = std::size_t(x0) * 4; i < std::size_t(x1) * 4; ++i)
                out[i] = uchar(quint16(a[i] * wa + b[i] * wB + 128) >> 8);
            groupLeft = std::min(groupLeft, x0);
            groupRight = std::max(groupRight, x1);
        }
        if ((y + 1) % kGroup == 0 || y + 1 == height) {
            const int groupTop = y / kGroup * kGroup;
            if (groupRight > groupLeft)
                m_changed += QRect(groupLeft, groupTop, groupRight - groupLeft, y + 1 - groupTop);
            groupLeft = width;
            groupRight = 0;
        }
    }
}

QRegion AuraRenderer::advance(const QRectF &strip, double a, double t, double dpr)
{
    if (strip.width() <= 0 || strip.height() <= 0 || !render(strip, a, t, dpr))
        return {};
    const QRegion pixels
        = std::exchange(m_unreported, false) ? QRegion(m_presented.rect()) : m_changed;
    // In points, grown by one: the picture lands on the strip's device pixels, which a
    // fractional ratio may put half a point off a whole one.
    QRegion points;
    for (const QRect &r : pixels)
        points += QRectF(strip.left() + r.left() / dpr, strip.top() + r.top() / dpr,
            r.width() / dpr, r.height() / dpr)
                      .toAlignedRect()
                      .adjusted(-1, -1, 1, 1);
    return points & strip.toAlignedRect();
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
