// SPDX-License-Identifier: GPL-3.0-or-later
#include "row_blend.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace qm::rows {

namespace {

// Weighted sum of two premultiplied rows, `wa + wb` ≤ 256, `n` bytes (whole pixels), with
// `alpha` or-ed into every pixel: 0xff000000 puts the result on opaque black.
void blendRowsPortable(
    quint8 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int n, quint32 alpha)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i va = _mm_set1_epi16(short(wa));
    const __m128i vb = _mm_set1_epi16(short(wb));
    const __m128i mask = _mm_set1_epi32(int(alpha));
    for (; i + 16 <= n; i += 16) {
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), va),
            _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), vb));
        __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), va),
            _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), vb));
        lo = _mm_srli_epi16(lo, 8);
        hi = _mm_srli_epi16(hi, 8);
        _mm_storeu_si128(
            reinterpret_cast<__m128i *>(dst + i), _mm_or_si128(_mm_packus_epi16(lo, hi), mask));
    }
#endif
    for (; i + 4 <= n; i += 4) {
        quint32 v = 0;
        for (int c = 0; c < 4; ++c) {
            const unsigned x
                = (unsigned(a[i + c]) * unsigned(wa) + unsigned(b[i + c]) * unsigned(wb)) >> 8;
            v |= quint32(x) << (8 * c);
        }
        v |= alpha;
        std::memcpy(dst + i, &v, 4);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, 32 bytes at a time, for processors that have AVX2.
__attribute__((target("avx2"))) void blendRowsAvx2(
    quint8 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int n, quint32 alpha)
{
    int i = 0;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i va = _mm256_set1_epi16(short(wa));
    const __m256i vb = _mm256_set1_epi16(short(wb));
    const __m256i mask = _mm256_set1_epi32(int(alpha));
    for (; i + 32 <= n; i += 32) {
        const __m256i pa = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a + i));
        const __m256i pb = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(b + i));
        // Unpacking and packing both work within 128-bit lanes, so the order comes out right.
        __m256i lo = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(pa, zero), va),
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(pb, zero), vb));
        __m256i hi = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(pa, zero), va),
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(pb, zero), vb));
        lo = _mm256_srli_epi16(lo, 8);
        hi = _mm256_srli_epi16(hi, 8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i),
            _mm256_or_si256(_mm256_packus_epi16(lo, hi), mask));
    }
    blendRowsPortable(dst + i, a + i, b + i, wa, wb, n - i, alpha);
}
#endif

// Rounded x / 255 for x ≤ 255 × 255.
inline unsigned div255(unsigned x)
{
    return ((x + 128) * 257) >> 16;
}

// Writes `n` pixels that are shades of the opaque colour `shade`: the alphas of two rows
// weighted as blendRows does, then the colour times that alpha, or-ed with `ground`.
void shadeRowsPortable(quint32 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int n,
    quint32 shade, quint32 ground)
{
    const unsigned blue = shade & 0xff, green = (shade >> 8) & 0xff, red = (shade >> 16) & 0xff;
    for (int i = 0; i < n; ++i) {
        const unsigned k = (unsigned(a[i]) * unsigned(wa) + unsigned(b[i]) * unsigned(wb)) >> 8;
        dst[i] = (quint32(k) << 24 | quint32(div255(red * k)) << 16
                     | quint32(div255(green * k)) << 8 | quint32(div255(blue * k)))
            | ground;
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same, eight pixels at a time, for processors that have AVX2.
__attribute__((target("avx2"))) void shadeRowsAvx2(quint32 *dst, const quint8 *a, const quint8 *b,
    int wa, int wb, int n, quint32 shade, quint32 ground)
{
    int i = 0;
    const __m128i va = _mm_set1_epi16(short(wa));
    const __m128i vb = _mm_set1_epi16(short(wb));
    // Per pixel the channels in memory order: blue, green, red, alpha.
    const __m256i colour = _mm256_setr_epi16(short(shade & 0xff), short((shade >> 8) & 0xff),
        short((shade >> 16) & 0xff), 255, short(shade & 0xff), short((shade >> 8) & 0xff),
        short((shade >> 16) & 0xff), 255, short(shade & 0xff), short((shade >> 8) & 0xff),
        short((shade >> 16) & 0xff), 255, short(shade & 0xff), short((shade >> 8) & 0xff),
        short((shade >> 16) & 0xff), 255);
    const __m256i half = _mm256_set1_epi16(128);
    const __m256i scale = _mm256_set1_epi16(257);
    const __m256i mask = _mm256_set1_epi32(int(ground));
    // Each alpha byte to the four 16-bit channels of its pixel: pixels 0, 1 | 2, 3 and 4, 5 |
    // 6, 7 of the eight, which sit in both halves of the register.
    const char z = char(0x80);
    const __m256i first = _mm256_setr_epi8(0, z, 0, z, 0, z, 0, z, 1, z, 1, z, 1, z, 1, z, 2, z, 2,
        z, 2, z, 2, z, 3, z, 3, z, 3, z, 3, z);
    const __m256i second = _mm256_setr_epi8(4, z, 4, z, 4, z, 4, z, 5, z, 5, z, 5, z, 5, z, 6, z, 6,
        z, 6, z, 6, z, 7, z, 7, z, 7, z, 7, z);
    for (; i + 8 <= n; i += 8) {
        const __m128i ra = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(a + i));
        const __m128i rb = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(b + i));
        // Between words and around the strokes most pixels are blank in both rows: the ground.
        if (_mm_cvtsi128_si64(_mm_or_si128(ra, rb)) == 0) {
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i), mask);
            continue;
        }
        const __m128i pa = _mm_cvtepu8_epi16(ra);
        const __m128i pb = _mm_cvtepu8_epi16(rb);
        const __m128i k16
            = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(pa, va), _mm_mullo_epi16(pb, vb)), 8);
        const __m128i k8 = _mm_packus_epi16(k16, k16);
        const __m256i both = _mm256_broadcastsi128_si256(k8);
        __m256i lo = _mm256_mullo_epi16(_mm256_shuffle_epi8(both, first), colour);
        __m256i hi = _mm256_mullo_epi16(_mm256_shuffle_epi8(both, second), colour);
        lo = _mm256_mulhi_epu16(_mm256_add_epi16(lo, half), scale);
        hi = _mm256_mulhi_epu16(_mm256_add_epi16(hi, half), scale);
        // Packing works within halves: pixels come out 0 1 4 5 | 2 3 6 7; put them in order.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xd8);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i), _mm256_or_si256(packed, mask));
    }
    shadeRowsPortable(dst + i, a + i, b + i, wa, wb, n - i, shade, ground);
}
#endif

#if defined(__x86_64__) && defined(__GNUC__)
// The same for white, the usual colour of the text: each channel of a shade of white is its
// alpha itself (div255(255 k) = k), so a pixel is its alpha in all four bytes, with no
// multiplying. Sixteen pixels at a time.
__attribute__((target("avx2"))) void whiteRowsAvx2(
    quint32 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int n, quint32, quint32 ground)
{
    int i = 0;
    const __m256i va = _mm256_set1_epi16(short(wa));
    const __m256i vb = _mm256_set1_epi16(short(wb));
    const __m256i mask = _mm256_set1_epi32(int(ground));
    // Alphas 0 to 3 of eight to the four bytes of pixels 0 to 3, in the low half; 4 to 7 in the
    // high half.
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4,
        4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7);
    for (; i + 16 <= n; i += 16) {
        const __m128i ra = _mm_loadu_si128(reinterpret_cast<const __m128i *>(a + i));
        const __m128i rb = _mm_loadu_si128(reinterpret_cast<const __m128i *>(b + i));
        const __m128i either = _mm_or_si128(ra, rb);
        // Between words and around the strokes most pixels are blank in both rows: the ground.
        if (_mm_testz_si128(either, either)) {
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i), mask);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i + 8), mask);
            continue;
        }
        const __m256i k16
            = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_cvtepu8_epi16(ra), va),
                                    _mm256_mullo_epi16(_mm256_cvtepu8_epi16(rb), vb)),
                8);
        // Packing works within halves: alphas 0 to 7 in the low half's first eight bytes, 8 to
        // 15 in the high half's; each is copied to every quarter, where the spread reaches it.
        const __m256i k8 = _mm256_packus_epi16(k16, k16);
        const __m256i low = _mm256_permute4x64_epi64(k8, 0x00);
        const __m256i high = _mm256_permute4x64_epi64(k8, 0xaa);
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i),
            _mm256_or_si256(_mm256_shuffle_epi8(low, spread), mask));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(dst + i + 8),
            _mm256_or_si256(_mm256_shuffle_epi8(high, spread), mask));
    }
    shadeRowsPortable(dst + i, a + i, b + i, wa, wb, n - i, 0xffffffff, ground);
}
#endif

using ShadeRows
    = void (*)(quint32 *, const quint8 *, const quint8 *, int, int, int, quint32, quint32);

#if defined(__x86_64__) && defined(__GNUC__)
// `avx2` where the processor has it, else the portable loop.
ShadeRows pickRows(ShadeRows avx2)
{
    return __builtin_cpu_supports("avx2") ? avx2 : shadeRowsPortable;
}

const ShadeRows shadeRows = pickRows(shadeRowsAvx2);
const ShadeRows whiteRows = pickRows(whiteRowsAvx2);
#else
const ShadeRows shadeRows = shadeRowsPortable;
const ShadeRows whiteRows = shadeRowsPortable;
#endif

// The opaque colour every pixel of a row is a shade of, or 0 when there is none: colour
// glyphs, or two colours meeting in one row.
quint32 shadeOfRow(const quint32 *px, int from, int to)
{
    // The most opaque pixel tells the colour best.
    quint32 densest = 0;
    for (int x = from; x < to; ++x) {
        if ((px[x] >> 24) > (densest >> 24))
            densest = px[x];
    }
    const unsigned top = densest >> 24;
    if (top == 0)
        return 0;
    unsigned channel[3];
    for (int c = 0; c < 3; ++c) {
        const unsigned v = (densest >> (8 * c)) & 0xff;
        channel[c] = std::min(255u, (v * 255 + top / 2) / top);
    }
    for (int x = from; x < to; ++x) {
        const unsigned k = px[x] >> 24;
        for (int c = 0; c < 3; ++c) {
            const int v = int((px[x] >> (8 * c)) & 0xff);
            if (std::abs(v - int(div255(channel[c] * k))) > 1)
                return 0;
        }
    }
    return 0xff000000u | channel[2] << 16 | channel[1] << 8 | channel[0];
}

using BlendRows = void (*)(quint8 *, const quint8 *, const quint8 *, int, int, int, quint32);

BlendRows pickBlendRows()
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (__builtin_cpu_supports("avx2"))
        return blendRowsAvx2;
#endif
    return blendRowsPortable;
}

const BlendRows blendRows = pickBlendRows();

} // namespace

void blend(quint8 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int bytes, quint32 alpha)
{
    blendRows(dst, a, b, wa, wb, bytes, alpha);
}

void shade(quint32 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int n, quint32 colour,
    quint32 ground)
{
    (colour == 0xffffffffu ? whiteRows : shadeRows)(dst, a, b, wa, wb, n, colour, ground);
}

quint32 shadeOf(const quint32 *px, int from, int to)
{
    return shadeOfRow(px, from, to);
}

} // namespace qm::rows
