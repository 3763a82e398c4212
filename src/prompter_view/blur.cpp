// SPDX-License-Identifier: GPL-3.0-or-later
#include "blur.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qm {

namespace {

// One box pass along a line of `n` pixels `step` apart; `line` is scratch space of n pixels.
void boxLine(quint32 *px, int n, int step, int radius, std::vector<quint32> &line)
{
    if (radius <= 0 || n <= 0)
        return;
    line.resize(std::size_t(n));
    for (int i = 0; i < n; ++i)
        line[std::size_t(i)] = px[std::ptrdiff_t(i) * step];
    const int width = 2 * radius + 1;
    // Fixed-point reciprocal: sums stay below 255 × width, far from overflow.
    const quint64 inv = (quint64(1) << 24) / quint64(width);
    quint32 sum[4] = {0, 0, 0, 0};
    auto add = [&sum](quint32 p, int sign) {
        for (int c = 0; c < 4; ++c)
            sum[c] = quint32(int(sum[c]) + sign * int((p >> (8 * c)) & 0xff));
    };
    for (int i = 0; i < std::min(radius, n); ++i)
        add(line[std::size_t(i)], 1);
    for (int i = 0; i < n; ++i) {
        const int in = i + radius;
        if (in < n)
            add(line[std::size_t(in)], 1);
        const int outIndex = i - radius - 1;
        if (outIndex >= 0)
            add(line[std::size_t(outIndex)], -1);
        quint32 v = 0;
        for (int c = 0; c < 4; ++c)
            v |= quint32(((quint64(sum[c]) * inv + (quint64(1) << 23)) >> 24) & 0xff) << (8 * c);
        px[std::ptrdiff_t(i) * step] = v;
    }
}

} // namespace

std::array<int, 3> gaussianBoxRadii(double sigma)
{
    std::array<int, 3> radii {0, 0, 0};
    if (!(sigma > 0))
        return radii;
    constexpr int n = 3;
    const double ideal = std::sqrt(12 * sigma * sigma / n + 1);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double mIdeal
        = (12 * sigma * sigma - n * lower * lower - 4 * n * lower - 3 * n) / (-4.0 * lower - 4);
    const int m = int(std::lround(mIdeal));
    for (int i = 0; i < n; ++i)
        radii[std::size_t(i)] = ((i < m ? lower : upper) - 1) / 2;
    return radii;
}

void gaussianBlur(QImage &image, double sigma)
{
    if (image.isNull() || !(sigma > 0))
        return;
    Q_ASSERT(image.format() == QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    const int stride = int(image.bytesPerLine() / 4);
    auto *bits = reinterpret_cast<quint32 *>(image.bits());
    std::vector<quint32> line;
    for (int radius : gaussianBoxRadii(sigma)) {
        for (int y = 0; y < h; ++y)
            boxLine(bits + std::ptrdiff_t(y) * stride, w, 1, radius, line);
        for (int x = 0; x < w; ++x)
            boxLine(bits + x, h, stride, radius, line);
    }
}

} // namespace qm
