// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>

namespace qm {

// Qt places screens with the origin at the top-left and y down; stored floating frames and the
// frames in windows.txt use the bottom-left of the primary screen with y up. The conversion is
// its own inverse: pass the primary screen's height either way.
QRectF flipVertically(const QRectF &frame, double primaryScreenHeight);

// The primary screen's height in Qt coordinates (0 without a screen).
double primaryScreenHeight();

} // namespace qm
