// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The pixel loops a frame of the scrolling text spends its time in, with the fastest code the
// processor runs.
namespace qm::rows {

// Weighted sum of two premultiplied rows, `wa + wb` ≤ 256, `bytes` of whole pixels, with
// `alpha` or-ed into every pixel: 0xff000000 puts the result on opaque black.
void blend(quint8 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int bytes, quint32 alpha);

// The same for `n` pixels that are shades of the opaque colour `colour` (0xffrrggbb), given by
// their alpha bytes alone: the alphas are weighted, then the colour is scaled by the result.
void shade(quint32 *dst, const quint8 *a, const quint8 *b, int wa, int wb, int n, quint32 colour,
    quint32 ground);

// The opaque colour of which every pixel in [from, to) of a premultiplied row is that colour
// times the pixel's alpha (to within one step a channel), or 0 when there is none: colour
// glyphs, or two colours in one row.
quint32 shadeOf(const quint32 *px, int from, int to);

} // namespace qm::rows
