// SPDX-License-Identifier: GPL-3.0-or-later
#include "blur.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qm {

namespace {

// A box width's reciprocal in 16 fraction bits, rounded up so that exact multiples are not
// lost to truncation. Sums stay below 255 × width, so for boxes up to 256 pixels wide a sum plus
// half the width fits 16 bits and the product `(sum + half) × inv` fits 32.
struct Divisor {
    quint32 inv;
    quint32 half;
    explicit Divisor(int width)
        : inv((65536u + quint32(width) - 1) / quint32(width))
        , half(quint32(width) / 2)
    {
    }
};

quint8 average(quint32 sum, const Divisor &d)
{
    return quint8(std::min<quint32>(((sum + d.half) * d.inv) >> 16, 255));
}

// One horizontal box pass over a row of `n` premultiplied pixels, from `src` into `dst`.
void boxRow(const quint8 *src, quint8 *dst, int n, int radius)
{
    const Divisor inv(2 * radius + 1);
    quint32 s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int i = 0; i < std::min(radius, n); ++i) {
        s0 += src[4 * i];
        s1 += src[4 * i + 1];
        s2 += src[4 * i + 2];
        s3 += src[4 * i + 3];
    }
    for (int i = 0; i < n; ++i) {
        const int in = i + radius;
        if (in < n) {
            s0 += src[4 * in];
            s1 += src[4 * in + 1];
            s2 += src[4 * in + 2];
            s3 += src[4 * in + 3];
        }
        const int out = i - radius - 1;
        if (out >= 0) {
            s0 -= src[4 * out];
            s1 -= src[4 * out + 1];
            s2 -= src[4 * out + 2];
            s3 -= src[4 * out + 3];
        }
        dst[4 * i] = average(s0, inv);
        dst[4 * i + 1] = average(s1, inv);
        dst[4 * i + 2] = average(s2, inv);
        dst[4 * i + 3] = average(s3, inv);
    }
}

// One vertical box pass: whole rows are added and removed from a running sum, so the inner
// loops run along contiguous memory.
void boxColumns(const quint8 *src, quint8 *dst, int bytes, int rows, qsizetype srcStride,
    qsizetype dstStride, int radius, std::vector<quint32> &sum)
{
    const Divisor inv(2 * radius + 1);
    sum.assign(std::size_t(bytes), 0);
    auto add = [&](int row, bool remove) {
        const quint8 *line = src + row * srcStride;
        if (remove) {
            for (int i = 0; i < bytes; ++i)
                sum[std::size_t(i)] -= line[i];
        } else {
            for (int i = 0; i < bytes; ++i)
                sum[std::size_t(i)] += line[i];
        }
    };
    for (int y = 0; y < std::min(radius, rows); ++y)
        add(y, false);
    for (int y = 0; y < rows; ++y) {
        if (y + radius < rows)
            add(y + radius, false);
        if (y - radius - 1 >= 0)
            add(y - radius - 1, true);
        quint8 *line = dst + y * dstStride;
        for (int i = 0; i < bytes; ++i)
            line[i] = average(sum[std::size_t(i)], inv);
    }
}

#if defined(__SSE2__)
// The horizontal pass with the four channels of a pixel summed side by side in 16-bit lanes;
// for boxes up to 256 pixels wide. Gives the same bytes as boxRow.
void boxRow16(const quint8 *src, quint8 *dst, int n, int radius)
{
    const Divisor d(2 * radius + 1);
    const __m128i zero = _mm_setzero_si128();
    const __m128i inv = _mm_set1_epi16(short(d.inv));
    const __m128i half = _mm_set1_epi16(short(d.half));
    auto pixel = [&](int i) {
        quint32 v;
        std::memcpy(&v, src + 4 * i, 4);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), zero);
    };
    __m128i sum = zero;
    for (int i = 0; i < std::min(radius, n); ++i)
        sum = _mm_add_epi16(sum, pixel(i));
    for (int i = 0; i < n; ++i) {
        if (i + radius < n)
            sum = _mm_add_epi16(sum, pixel(i + radius));
        if (i - radius - 1 >= 0)
            sum = _mm_sub_epi16(sum, pixel(i - radius - 1));
        const __m128i v = _mm_mulhi_epu16(_mm_add_epi16(sum, half), inv);
        const quint32 out = quint32(_mm_cvtsi128_si32(_mm_packus_epi16(v, zero)));
        std::memcpy(dst + 4 * i, &out, 4);
    }
}

// The vertical pass with 16-bit sums, eight bytes at a time; for boxes up to 256 pixels wide.
// Gives the same bytes as boxColumns.
void boxColumns16(const quint8 *src, quint8 *dst, int bytes, int rows, qsizetype srcStride,
    qsizetype dstStride, int radius, std::vector<quint16> &sum)
{
    const Divisor d(2 * radius + 1);
    const int wide = bytes / 8 * 8;
    sum.assign(std::size_t(bytes), 0);
    const __m128i zero = _mm_setzero_si128();
    const __m128i inv = _mm_set1_epi16(short(d.inv));
    const __m128i half = _mm_set1_epi16(short(d.half));
    auto load8 = [&](const quint8 *p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(p)), zero);
    };
    auto add = [&](int row, bool remove) {
        const quint8 *line = src + row * srcStride;
        int i = 0;
        for (; i < wide; i += 8) {
            auto *s = reinterpret_cast<__m128i *>(sum.data() + i);
            const __m128i v = load8(line + i);
            _mm_storeu_si128(s,
                remove ? _mm_sub_epi16(_mm_loadu_si128(s), v)
                       : _mm_add_epi16(_mm_loadu_si128(s), v));
        }
        for (; i < bytes; ++i)
            sum[std::size_t(i)]
                = quint16(remove ? sum[std::size_t(i)] - line[i] : sum[std::size_t(i)] + line[i]);
    };
    for (int y = 0; y < std::min(radius, rows); ++y)
        add(y, false);
    for (int y = 0; y < rows; ++y) {
        if (y + radius < rows)
            add(y + radius, false);
        if (y - radius - 1 >= 0)
            add(y - radius - 1, true);
        quint8 *line = dst + y * dstStride;
        int i = 0;
        for (; i < wide; i += 8) {
            const __m128i s = _mm_add_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i *>(sum.data() + i)), half);
            const __m128i v = _mm_mulhi_epu16(s, inv);
            _mm_storel_epi64(reinterpret_cast<__m128i *>(line + i), _mm_packus_epi16(v, zero));
        }
        for (; i < bytes; ++i)
            line[i] = average(sum[std::size_t(i)], d);
    }
}
#endif

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
    const qsizetype stride = image.bytesPerLine();
    quint8 *bits = image.bits();
    // Passes alternate between the image and one scratch copy of it.
    thread_local std::vector<quint8> scratch;
    thread_local std::vector<quint32> sum;
    thread_local std::vector<quint16> sum16;
    scratch.resize(std::size_t(w) * 4 * std::size_t(h));
    const qsizetype scratchStride = qsizetype(w) * 4;
    for (int radius : gaussianBoxRadii(sigma)) {
        if (radius <= 0)
            continue;
#if defined(__SSE2__)
        if (radius <= 127) {
            for (int y = 0; y < h; ++y)
                boxRow16(bits + y * stride, scratch.data() + y * scratchStride, w, radius);
            boxColumns16(scratch.data(), bits, w * 4, h, scratchStride, stride, radius, sum16);
            continue;
        }
#endif
        for (int y = 0; y < h; ++y)
            boxRow(bits + y * stride, scratch.data() + y * scratchStride, w, radius);
        boxColumns(scratch.data(), bits, w * 4, h, scratchStride, stride, radius, sum);
    }
}

} // namespace qm
