// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

class QImage;

namespace qm {

// Radii of three successive box blurs whose combination approximates a Gaussian of standard
// deviation `sigma` (pixels). Three passes come within a few per cent of the true curve.
std::array<int, 3> gaussianBoxRadii(double sigma);

// Blurs a premultiplied ARGB32 image in place, treating everything outside it as transparent.
void gaussianBlur(QImage &image, double sigma);

} // namespace qm
